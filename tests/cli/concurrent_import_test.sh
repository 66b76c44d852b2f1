#!/bin/sh
# "corvane import" run by several processes at once into one account must end
# with exactly the orders and numbers of a sequential run: two and four
# processes, each with its own share of the files or all of them. An order
# refused because another process saved it meanwhile says so, and importing
# the files again afterwards saves every order.
#   concurrent_import_test.sh CORVANE_CLI
cli=$1
. "$(dirname "$0")/lib.sh"

# Every order and entry as the CRM sees them, without internal IDs and UUIDs,
# which a concurrent run hands out in another order.
dump() {
  "$cli" erp sql --db "$1" "SELECT o.FBillNo, o.FDate, o.FCustID, o.FCurrencyID, o.FExchangeRate,
      o.FDeptID, o.FEmpID, e.FEntryID, e.FItemID, e.FUnitID, e.FAuxQty, e.FAuxPrice, e.FAmount,
      e.FAllAmount FROM SEOrder o JOIN SEOrderEntry e ON e.FInterID = o.FInterID
      WHERE o.FInterID <> 0 ORDER BY o.FBillNo, e.FEntryID"
  "$cli" erp sql --db "$1" "SELECT COUNT(*) AS heads, COUNT(DISTINCT FBillNo) AS numbers,
      MAX(FInterID) AS highest_id FROM SEOrder WHERE FInterID <> 0"
  "$cli" erp sql --db "$1" "SELECT COUNT(*) AS orphans FROM SEOrderEntry
      WHERE FInterID NOT IN (SELECT FInterID FROM SEOrder)"
}

"$cli" erp init --db "$work/source.db" --orders 60 --seed 11 >/dev/null
"$cli" export saleorder --db "$work/source.db" --per-count 3 --state "$work/state" \
  --out "$work/pages" >/dev/null
files=$(ls "$work"/pages/*.xml)
check "the export gives 20 files" test "$(echo "$files" | wc -l)" -eq 20

# The files dealt out to `n` shares, round robin; share `i` (from 0).
share() {
  echo "$files" | awk -v n="$1" -v i="$2" '(NR - 1) % n == i'
}

"$cli" erp init --db "$work/base.db" --base-only >/dev/null
cp "$work/base.db" "$work/sequential.db"
# shellcheck disable=SC2086
"$cli" import saleorder --db "$work/sequential.db" $files >"$work/sequential.out"
dump "$work/sequential.db" >"$work/sequential.dump"
check "the sequential run saves orders" grep -q '^imported [1-9][0-9]* sales orders' "$work/sequential.out"
own_refusals=$(grep -c 'refused: ' "$work/sequential.out")

# run NAME PROCESSES SAME: PROCESSES imports at once into a copy of the base
# account, each of all the files (SAME=1) or of its own share (SAME=0).
run() {
  name=$1 n=$2 same=$3
  db="$work/$name.db"
  cp "$work/base.db" "$db"
  i=0
  while [ "$i" -lt "$n" ]; do
    if [ "$same" -eq 1 ]; then mine=$files; else mine=$(share "$n" "$i"); fi
    # shellcheck disable=SC2086
    "$cli" import saleorder --db "$db" $mine >"$work/$name.$i.out" 2>&1 &
    i=$((i + 1))
  done
  wait
  cat "$work/$name".*.out >"$work/$name.out"
  # Every refusal is the order's own fault or a save that lost a race, never
  # a duplicate number or a renumbered order.
  others=$(grep 'refused: ' "$work/$name.out" | grep -v '至少必须有一条分录' |
    grep -vc 'changed while it was being imported')
  check "$name: no refusal but the order's own and lost races" test "$others" -eq 0
  check "$name: no database error" test "$(grep -c 'database is locked\|error [0-9]' "$work/$name.out")" -eq 0
  races=$(grep -c 'changed while it was being imported' "$work/$name.out")
  echo "$name: $races orders lost a race to another process"
  if [ "$same" -eq 0 ]; then
    check "$name: different files never race" test "$races" -eq 0
    check "$name: each order is refused once for its own fault" \
      test "$(grep -c 'refused: ' "$work/$name.out")" -eq "$own_refusals"
  fi
  # Importing again decides afresh: every order that lost a race saves now.
  # shellcheck disable=SC2086
  "$cli" import saleorder --db "$db" $files >"$work/$name.again.out" 2>&1
  check "$name: importing again has no race left" \
    test "$(grep -c 'changed while' "$work/$name.again.out")" -eq 0
  dump "$db" >"$work/$name.dump"
  if cmp -s "$work/sequential.dump" "$work/$name.dump"; then
    pass
  else
    fail "$name: the account differs from the sequential run's"
    diff "$work/sequential.dump" "$work/$name.dump" | head -20
  fi
}

run two-different 2 0
run four-different 4 0
run two-same 2 1
run four-same 4 1

finish "concurrent import"
