#!/bin/sh
# "corvane dts" from the outside: an export by numbers one of which no order
# carries, an import in which one order is refused (its message holds a
# quote, markup and Chinese text) and deletion keys, each with --json: every
# line parses, and the lines say what the account then holds.
#   dts_test.sh CORVANE_CLI DEMO_DB
cli=$1
db=$2
. "$(dirname "$0")/lib.sh"

target="$work/target.db"
log="$work/log.xml"
"$cli" erp init --db "$target" --base-only >/dev/null
# jq_count FILTER: the number of lines of the last output that FILTER selects.
jq_count() {
  jq -s "[.[] | select($1)] | length" "$work/out"
}

expect "a number no order carries is not found" 1 '"number":"SO999999","result":"not found"' \
  "$cli" dts export SO000001,SO000002,SO000004,SO999999 --db "$db" --file "$work/orders.xml" \
  --log "$log" --json
check "the others are exported" test "$(jq_count '.result == "exported"')" -eq 3

# The CRM sends SO000002 back with a customer the account does not know.
sed '/<BillNo>SO000002</{n;s|<Cust>[^<]*</Cust>|<Cust>X"\&lt;1</Cust>|;}' "$work/orders.xml" \
  >"$work/crm.xml"
expect "an import with a refused order exits 1" 1 '"summary"' \
  "$cli" dts import --db "$target" --file "$work/crm.xml" --log "$log" --json
check "every line parses: one per order and the summary" test "$(jq -s length "$work/out")" -eq 4
check "SO000002 is the refused one" \
  test "$(jq -r 'select(.result == "refused") | .number' "$work/out")" = SO000002
check "with the log's message, the value as it came" test "$(jq -r 'select(.result == "refused")
  | .message | contains("[X\"<1]") and contains("请重新传递")' "$work/out")" = true
check "the summary counts them" \
  test "$(jq '.summary | select(.) | .saved == 2 and .refused == 1' "$work/out")" = true
check "the saved orders are in the account, the refused one is not" test "$(count "$target" \
  "SELECT COUNT(*) FROM SEOrder WHERE FBillNo IN ('SO000001', 'SO000004')")/$(count "$target" \
  "SELECT COUNT(*) FROM SEOrder WHERE FBillNo = 'SO000002'")" = 2/0

"$cli" dts export-keys SO000001,SO999999 --file "$work/keys.xml" --log "$log" >/dev/null
expect "deletion keys: one deleted, one not found" 1 '"number":"SO999999","result":"not found"' \
  "$cli" dts import-keys --db "$target" --file "$work/keys.xml" --log "$log" --json
check "SO000001 is deleted" test "$(jq_count '.number == "SO000001" and .result == "deleted"')" -eq 1
expect "and gone" 0 '^0$' count "$target" "SELECT COUNT(*) FROM SEOrder WHERE FBillNo = 'SO000001'"

expect "an account that cannot be opened is a set-up error" 2 '^dts import: .*no-such.db' \
  "$cli" dts import --db "$work/no-such.db" --file "$work/crm.xml" --log "$log" --json

finish dts
