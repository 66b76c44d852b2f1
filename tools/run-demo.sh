#!/usr/bin/env bash
# Builds the component (release) and runs the main job on the embedded demo
# account: a self-check of the installed component, then one exchange round:
# every sales order of the demo account exported page by page, the pages
# imported into a second account that holds base data only, and the two
# accounts' orders compared.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_TESTS=OFF >/dev/null
cmake --build "$build" -j2

demo=demo
mkdir -p "$demo"
# The installation folder of this build, as a registry file names it.
cat > "$demo/registry.ini" <<INI
[HKEY_LOCAL_MACHINE\\SOFTWARE\\BRISQUEL\\ZUWEBSERVICE]
path=$PWD/$build/lib
INI
export CORVANE_REGISTRY="$PWD/$demo/registry.ini"
corvane="$build/bin/corvane"

echo
"$corvane" selfcheck

db="$demo/acct.db"
echo
if [ -f "$db" ]; then
  echo "== demo account $db (kept from an earlier run; delete it to start afresh)"
else
  echo "== creating the demo account $db"
  "$corvane" erp init --db "$db"
fi

echo
echo "== exporting every sales order, 50 per page"
rm -rf "$demo/export" "$demo/saleorder.state"
"$corvane" export saleorder --db "$db" --per-count 50 --state "$demo/saleorder.state" --out "$demo/export"
echo
echo "== a second run continues after the saved cursor"
"$corvane" export saleorder --db "$db" --per-count 50 --state "$demo/saleorder.state" --out "$demo/export"

target="$demo/target.db"
echo
echo "== importing the pages into $target, an account with base data only"
rm -f "$target" "$target-wal" "$target-shm"
"$corvane" erp init --db "$target" --base-only >/dev/null
set +e
"$corvane" import saleorder --db "$target" "$demo"/export/*.xml > "$demo/import.log"
import_status=$?
set -e
grep -v ': saved$' "$demo/import.log" || true
[ "$import_status" -le 1 ] || exit "$import_status"

echo
echo "== comparing the orders of both accounts (number, date, customer, currency, entries)"
compare="SELECT o.FBillNo, o.FDate, c.FNumber AS customer, cu.FNumber AS currency, e.FEntryID,
  i.FNumber AS item, u.FName AS unit, e.FAuxQty, e.FAuxPrice, e.FAmount, e.FTaxRate, e.FCESS
  FROM SEOrder o JOIN SEOrderEntry e ON e.FInterID = o.FInterID
  JOIN t_Item c ON c.FItemID = o.FCustID JOIN t_Currency cu ON cu.FCurrencyID = o.FCurrencyID
  JOIN t_Item i ON i.FItemID = e.FItemID JOIN t_MeasureUnit u ON u.FMeasureUnitID = e.FUnitID
  WHERE o.FInterID <> 0 ORDER BY o.FBillNo, e.FEntryID"
"$corvane" erp sql --db "$db" "$compare" > "$demo/source-orders.txt"
"$corvane" erp sql --db "$target" "$compare" > "$demo/target-orders.txt"
if diff -q "$demo/source-orders.txt" "$demo/target-orders.txt" >/dev/null; then
  echo "identical: $(tail -n 1 "$demo/target-orders.txt" | tr -d '()') of order entries in both accounts"
  echo "(orders without entries are refused by the import, as listed above)"
else
  echo "the accounts differ:"
  diff "$demo/source-orders.txt" "$demo/target-orders.txt" | head -20
  exit 1
fi
