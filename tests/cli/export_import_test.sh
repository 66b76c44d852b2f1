#!/bin/sh
# "corvane export" and "corvane import" from the outside: paging with a saved
# cursor, a second run that finds nothing new, a state file that cannot be
# used, an output folder that cannot be written, a --filter that is not one
# condition, a page that does not move the cursor, importing the pages
# into an account that holds base data only, and the sales invoices and stock
# bills of one kind.
#   export_import_test.sh CORVANE_CLI DEMO_DB
cli=$1
db=$2
. "$(dirname "$0")/lib.sh"

orders=$(count "$db" "SELECT COUNT(*) AS n FROM SEOrder WHERE FInterID <> 0")

expect "first run exports every order" 0 "^exported $orders sales orders in [0-9]+ pages" \
  "$cli" export saleorder --db "$db" --per-count 5 --state "$work/state" --out "$work/pages"
check "one file per page" test "$(ls "$work/pages" | wc -l)" -eq $(( (orders + 4) / 5 ))
cursor=$(grep '^strTimeStamp=' "$work/state")
# The template head (internal ID 0) holds the table's newest row version; it is no order.
check "the newest row version of the orders is where the cursor stopped" \
  grep -q "^cursor: ${cursor#strTimeStamp=} .*; newest row version of the sales orders: ${cursor#strTimeStamp=}\$" \
  "$work/out"
expect "a second run finds nothing new" 0 '^exported 0 sales orders in 0 pages \(nothing changed' \
  "$cli" export saleorder --db "$db" --per-count 5 --state "$work/state" --out "$work/pages"
check "the cursor stays after an empty page" test "$(grep '^strTimeStamp=' "$work/state")" = "$cursor"

"$cli" erp init --db "$work/other.db" --base-only >/dev/null
expect "a state file of another account is refused" 2 'belongs to the account' \
  "$cli" export saleorder --db "$work/other.db" --state "$work/state" --out "$work/other-pages"
expect "a state file of another export is refused" 2 'belongs to the export of saleorder' \
  "$cli" export saleinvoice --db "$db" --state "$work/state" --out "$work/other-pages"
check "nothing was written for them" test ! -e "$work/other-pages"
check "the state file is kept" grep -q "^$cursor\$" "$work/state"
expect "a state file that cannot be written is refused before any page" 2 'cannot be written' \
  "$cli" export saleorder --db "$db" --state "$work/no-such-folder/state" --out "$work/unwritten"
check "no page was written" test ! -e "$work/unwritten"
echo "strTimeStamp=0x0) OR (1=1" > "$work/bad-state"
expect "a state file without a valid cursor stops the run" 2 'holds no valid cursor' \
  "$cli" export saleorder --db "$db" --state "$work/bad-state" --out "$work/other"
check "the bad state file is left as it was" grep -q 'OR (1=1' "$work/bad-state"

touch "$work/not-a-folder"
expect "an output folder that cannot be made fails" 2 'export' \
  "$cli" export saleorder --db "$db" --state "$work/state2" --out "$work/not-a-folder/pages"
check "no cursor is saved when no page was written" test ! -e "$work/state2"

expect "no account given" 2 'give --db PATH or --props' "$cli" export saleorder --out "$work/x"
expect "a negative page size is refused in words" 2 '^export: --per-count: 0 or more, not -1$' \
  "$cli" export saleorder --db "$db" --per-count -1 --out "$work/x"

# The runs below change their account: they get one of their own.
own="$work/own.db"
"$cli" erp init --db "$own" --orders 12 >/dev/null
count_entries() {
  count "$own" "SELECT COUNT(*) AS n FROM SEOrderEntry"
}
entries=$(count_entries)
for filter in "1=1)); DELETE FROM SEOrderEntry; SELECT * FROM SEOrder WHERE ((1=1" \
              "1=1)) DELETE FROM SEOrderEntry SELECT * FROM SEOrder WHERE ((1=1" \
              "1=1)) OR ((1=1"; do
  expect "--filter \"$filter\" is refused" 2 '筛选条件必须是单个条件' \
    timeout 60 "$cli" export saleorder --db "$own" --per-count 2 --state "$work/hostile.state" \
    --out "$work/hostile" --filter "$filter"
done
check "a refused --filter deletes nothing" test "$(count_entries)" = "$entries"
check "a refused --filter writes no page" test -z "$(ls "$work/hostile")"
check "a refused --filter saves no cursor" test ! -e "$work/hostile.state"

# A row version the triggers did not give (one byte, sorting after every
# 8-byte one) makes a page whose cursor goes back: the run must stop there.
"$cli" erp sql --db "$own" "UPDATE t_RowVersionCounter SET FBusy = 1 WHERE FID = 1
  UPDATE SEOrder SET FOperDate = X'05' WHERE FInterID = (SELECT MIN(FInterID) FROM SEOrder WHERE FInterID <> 0)
  UPDATE t_RowVersionCounter SET FBusy = 0 WHERE FID = 1" >/dev/null
expect "a page that does not move the cursor stops the run" 1 'did not move the cursor forward' \
  timeout 60 "$cli" export saleorder --db "$own" --per-count 5 --state "$work/loop.state" \
  --out "$work/loop"
check "the cursor stays at the last page written" \
  test -e "$work/loop/saleorder-$(sed -n 's/^strTimeStamp=//p' "$work/loop.state").xml"
check "the page that went back is not written" test ! -e "$work/loop/saleorder-0x05.xml"

"$cli" erp init --db "$work/target.db" --base-only >/dev/null
expect "import prints every order and a summary" 1 '^imported [0-9]+ sales orders, refused [0-9]+ from [0-9]+ files' \
  "$cli" import saleorder --db "$work/target.db" "$work"/pages/*.xml
check "refused orders carry their message" grep -q 'refused: 单据.*引入出错！至少必须有一条分录！' "$work/out"
expect "known orders are skipped with --add-new-only" 1 'skipped [0-9]+' \
  "$cli" import saleorder --db "$work/target.db" --add-new-only "$work"/pages/*.xml
check "nothing is saved twice" grep -q '^imported 0 sales orders' "$work/out"
first=$(ls "$work"/pages/*.xml | head -n 1)
expect "an account that cannot be opened is a set-up error" 2 'no-such-account.db' \
  "$cli" import saleorder --db "$work/no-such-account.db" "$first"
expect "an export from it too" 2 'no-such-account.db' \
  "$cli" export saleorder --db "$work/no-such-account.db" --out "$work/none"
expect "--stop-on-error stops at the first refused order" 1 'the import of this file stopped here' \
  "$cli" import saleorder --db "$work/target.db" --stop-on-error "$first"

expect "--lang ENG speaks English, before or after the command" 1 'The item does not exist!' \
  "$cli" stock NO-SUCH-ITEM --db "$db" --lang ENG
expect "--lang CHT too" 1 '不存在銷售出庫單' "$cli" --lang CHT trace NO-SUCH-ORDER --db "$db"
expect "an unknown language is a usage error" 2 'lang' "$cli" stock X --db "$db" --lang XX
expect "--json of an unknown item is one line and a summary" 1 '"result":"not found"' \
  "$cli" stock NO-SUCH-ITEM --db "$db" --json
check "every line of it parses" jq -e . "$work/out" >/dev/null
expect "an account that cannot be opened is a set-up error, not an unknown item" 2 \
  '^stock: .*no-such-account.db' "$cli" stock M0001 --db "$work/no-such-account.db" --json

# A translation file that is malformed is refused whole, with its line.
mkdir "$work/resources"
printf '# English\nmsgid "物料不存在！"\nmsgstr "The item does not exist!"\nmsgctxt "x"\n' \
  >"$work/resources/TavoINDUSTRY.ENG.po"
expect "selfcheck names the malformed file and its line" 1 \
  '^  TavoINDUSTRY.ENG.po  refused: .*TavoINDUSTRY.ENG.po:4: unknown keyword msgctxt' \
  env CORVANE_RESOURCES="$work/resources" "$cli" --lang ENG selfcheck
expect "a command in that language says so once" 1 \
  '^corvane: the translations are refused.*TavoINDUSTRY.ENG.po:4: unknown keyword msgctxt' \
  env CORVANE_RESOURCES="$work/resources" "$cli" stock NO-SUCH-ITEM --db "$db" --lang ENG
check "and shows its messages as written" grep -q '^stock: 物料不存在！$' "$work/out"

# --json: one object a line per document, a summary last, every line valid JSON.
"$cli" erp init --db "$work/json.db" --base-only >/dev/null
expect "--json import exits 1 with refusals" 1 '"summary"' \
  "$cli" import saleorder --json --db "$work/json.db" "$work"/pages/*.xml
check "every line of --json parses" jq -e . "$work/out" >/dev/null
check "one line per order" test "$(jq -s '[.[] | select(.result)] | length' "$work/out")" -eq "$orders"
check "refused orders carry their message" \
  test "$(jq -r 'select(.result == "refused") | .message' "$work/out" | grep -c '至少必须有一条分录')" \
    -eq "$(jq -s '[.[] | select(.result == "refused")] | length' "$work/out")"
check "the summary counts the lines" \
  test "$(jq '.summary | select(.) | .saved + .refused' "$work/out")" -eq "$orders"
saved=$(jq -s '[.[] | select(.result == "saved")] | length' "$work/out")
check "the saved ones are in the account" \
  test "$(count "$work/json.db" "SELECT COUNT(*) FROM SEOrder WHERE FInterID <> 0")" -eq "$saved"
expect "--json export gives one line per order" 0 '"result":"exported"' \
  "$cli" export saleorder --json --db "$db" --per-count 7 --out "$work/json-pages"
check "and its numbers are the account's" \
  test "$(jq -s '[.[] | select(.result == "exported")] | length' "$work/out")" -eq "$orders"

# Sales invoices and stock bills of one kind.
invoices=$(count "$db" "SELECT COUNT(*) AS n FROM ICSale WHERE FInterID <> 0 AND FTranType IN (80,86)")
expect "every sales invoice is exported" 0 "^exported $invoices sales invoices in $(( (invoices + 2) / 3 )) pages" \
  "$cli" export saleinvoice --db "$db" --per-count 3 --out "$work/invoices"
check "each exported invoice carries type 80 or 86" \
  test "$(cat "$work"/invoices/*.xml | grep -Ec '<SaleInvoiceType>(80|86)</SaleInvoiceType>')" -eq "$invoices"
receipts=$(count "$db" "SELECT COUNT(*) AS n FROM ICStockBill WHERE FInterID <> 0 AND FTranType = 1")
expect "--stock-bill-type 4 exports the purchase receipts" 0 "^exported $receipts stock bills? in 1 page\$" \
  "$cli" export stockbill --db "$db" --stock-bill-type 4 --out "$work/receipts"
check "only purchase receipts" \
  test "$(cat "$work"/receipts/*.xml | grep -c '<TranType>1</TranType>')" -eq "$receipts"
check "no sales delivery among them" \
  test "$(cat "$work"/receipts/*.xml | grep -c '<TranType>21</TranType>')" -eq 0
expect "importing stock bills needs their kind" 2 'give --stock-bill-type 4' \
  "$cli" import stockbill --db "$work/target.db" "$work"/receipts/*.xml
check "nothing is imported without the kind" \
  test "$(count "$work/target.db" "SELECT COUNT(*) AS n FROM ICStockBill")" = 0

finish export/import
