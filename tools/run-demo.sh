#!/usr/bin/env bash
# Builds the component (release) and runs the main job on the embedded demo
# account: a self-check of the installed component, then one exchange round:
# every sales order, sales invoice, purchase receipt and sales delivery of the
# demo account exported page by page, the pages imported into a second
# account that holds base data only, and the two accounts' documents compared.
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

target="$demo/target.db"
rm -f "$target" "$target-wal" "$target-shm"
"$corvane" erp init --db "$target" --base-only >/dev/null

# exchange KIND NAME LABEL [--stock-bill-type N]: exports every document of
# the kind page by page into demo/export/NAME (and again, to show that a run
# continues after the saved cursor), then imports the pages into the target
# account.
exchange() {
  local kind=$1 name=$2 label=$3
  shift 3
  local out="$demo/export/$name" state="$demo/$name.state"
  echo
  echo "== exporting all $label, 50 per page"
  rm -rf "$out" "$state"
  local type=()
  [ "$kind" = stockbill ] && type=("$@")
  "$corvane" export "$kind" "${type[@]}" --db "$db" --per-count 50 --state "$state" --out "$out"
  echo "== a second run continues after the saved cursor"
  "$corvane" export "$kind" "${type[@]}" --db "$db" --per-count 50 --state "$state" --out "$out"
  if [ "$kind" = stockbill ]; then
    # The ERP reports the warehouse per entry and takes it from the bill on
    # the way in: the CRM's side adds it before sending the bills back.
    for f in "$out"/*.xml; do
      xsltproc tools/crm-bill-warehouse.xsl "$f" > "$f.crm" && mv "$f.crm" "$f"
    done
  fi
  echo "== importing them into $target, an account with base data only"
  set +e
  "$corvane" import "$kind" "$@" --db "$target" "$out"/*.xml > "$demo/import-$name.log"
  local status=$?
  set -e
  grep -v ': saved$' "$demo/import-$name.log" || true
  [ "$status" -le 1 ] || exit "$status"
}

# same NAME WHAT SQL: the rows SQL gives must be identical in both accounts.
same() {
  "$corvane" erp sql --db "$db" "$3" > "$demo/source-$1.txt"
  "$corvane" erp sql --db "$target" "$3" > "$demo/target-$1.txt"
  if diff -q "$demo/source-$1.txt" "$demo/target-$1.txt" >/dev/null; then
    echo "identical: $(tail -n 1 "$demo/target-$1.txt" | tr -d '()') of $2 in both accounts"
  else
    echo "the accounts' $2 differ:"
    diff "$demo/source-$1.txt" "$demo/target-$1.txt" | head -20
    exit 1
  fi
}

# The CRM keeps the orders' UUIDs (--check-by-uuid), so that a deletion key
# of the source account finds the imported copy later.
exchange saleorder saleorder "sales orders" --check-by-uuid
exchange saleinvoice saleinvoice "sales invoices"
exchange stockbill receipt "purchase receipts" --stock-bill-type 4
exchange stockbill delivery "sales deliveries" --stock-bill-type 5

echo
echo "== comparing the documents of both accounts entry by entry (documents without"
echo "   entries are refused by the import's own check, as listed above)"
same orders "order entries" "SELECT o.FBillNo, o.FDate, c.FNumber AS customer, cu.FNumber AS currency,
  e.FEntryID, i.FNumber AS item, u.FName AS unit, e.FAuxQty, e.FAuxPrice, e.FAmount, e.FTaxRate,
  e.FCESS FROM SEOrder o JOIN SEOrderEntry e ON e.FInterID = o.FInterID
  JOIN t_Item c ON c.FItemID = o.FCustID JOIN t_Currency cu ON cu.FCurrencyID = o.FCurrencyID
  JOIN t_Item i ON i.FItemID = e.FItemID JOIN t_MeasureUnit u ON u.FMeasureUnitID = e.FUnitID
  WHERE o.FInterID <> 0 ORDER BY o.FBillNo, e.FEntryID"
same invoices "invoice entries" "SELECT s.FBillNo, s.FTranType, s.FDate, s.FROB, c.FNumber AS customer,
  e.FEntryID, i.FNumber AS item, u.FName AS unit, e.FAuxQty, e.FAuxPrice, e.FAuxTaxPrice,
  e.FTaxRate, e.FDiscountRate, e.FAmount, e.FTaxAmount
  FROM ICSale s JOIN ICSaleEntry e ON e.FInterID = s.FInterID
  JOIN t_Item c ON c.FItemID = s.FCustID JOIN t_Item i ON i.FItemID = e.FItemID
  JOIN t_MeasureUnit u ON u.FMeasureUnitID = e.FUnitID
  WHERE s.FInterID <> 0 ORDER BY s.FBillNo, e.FEntryID"
# A stock bill entry without a batch number travels as the batch "0".
same stockbills "stock bill entries" "SELECT b.FBillNo, b.FTranType, b.FDate, b.FROB, p.FNumber AS partner,
  e.FEntryID, i.FNumber AS item, w.FNumber AS warehouse, e.FQty, e.FAuxQty, e.FAuxPrice,
  e.FAmount, ISNULL(e.FBatchNo, '0') AS batch, e.FKFDate FROM ICStockBill b JOIN ICStockBillEntry e
  ON e.FInterID = b.FInterID JOIN t_Item p ON p.FItemID = b.FSupplyID
  JOIN t_Item i ON i.FItemID = e.FItemID JOIN t_Item w ON w.FItemID = e.FDCStockID
  WHERE b.FInterID <> 0 ORDER BY b.FBillNo, e.FEntryID"

echo
echo "== a deletion flows both ways: the keys the source account has logged so far"
keys="$demo/export/deletions"
rm -rf "$keys" "$demo/deletions.state"
"$corvane" export deletions --kind saleorder --db "$db" --state "$demo/deletions.state" --out "$keys"
first=$("$corvane" erp sql --db "$db" "SELECT TOP 1 FBillNo FROM SEOrder o WHERE FInterID <> 0
  AND EXISTS (SELECT 1 FROM SEOrderEntry e WHERE e.FInterID = o.FInterID) ORDER BY FBillNo" |
  sed -n 3p | tr -d ' ')
echo "== $first is deleted in the source account"
"$corvane" erp sql --db "$db" "DELETE FROM SEOrderEntry WHERE FInterID IN
  (SELECT FInterID FROM SEOrder WHERE FBillNo = '$first'); DELETE FROM SEOrder WHERE FBillNo = '$first'" >/dev/null
echo "== the next export of deletion keys has its key, and only that"
rm -rf "$keys"
"$corvane" export deletions --kind saleorder --db "$db" --state "$demo/deletions.state" --out "$keys"
echo "== the key sent to $target deletes the imported copy"
"$corvane" import deletions --kind saleorder --db "$target" "$keys"/*.xml
"$corvane" erp sql --db "$target" "SELECT COUNT(*) AS copies_left FROM SEOrder WHERE FBillNo = '$first'"
echo "== a second run exports nothing new"
"$corvane" export deletions --kind saleorder --db "$db" --state "$demo/deletions.state" --out "$keys"

echo
item=$("$corvane" erp sql --db "$db" "SELECT TOP 1 i.FNumber FROM t_ICItem i JOIN ICInventory v
  ON v.FItemID = i.FItemID GROUP BY i.FNumber ORDER BY COUNT(*) DESC, i.FNumber" | sed -n 3p | tr -d ' ')
echo "== the stock of $item, per batch (corvane stock --table; the CRM gets the XML)"
"$corvane" stock "$item" --db "$db" --table
order=$("$corvane" erp sql --db "$db" "SELECT TOP 1 e.FOrderBillNO FROM ICStockBillEntry e
  JOIN ICStockBill b ON b.FInterID = e.FInterID WHERE b.FTranType = 21 AND e.FOrderBillNO <> ''
  GROUP BY e.FOrderBillNO ORDER BY COUNT(DISTINCT e.FInterID) DESC, e.FOrderBillNO" | sed -n 3p | tr -d ' ')
echo
echo "== what has been delivered against $order (corvane trace --table)"
"$corvane" trace "$order" --db "$db" --table

echo
dts="$demo/dts.db"
log="$demo/dts-log.xml"
rm -f "$dts" "$dts-wal" "$dts-shm" "$log"
"$corvane" erp init --db "$dts" --base-only >/dev/null
numbers=$("$corvane" erp sql --db "$db" "SELECT TOP 3 FBillNo FROM SEOrder o WHERE FInterID <> 0
  AND EXISTS (SELECT 1 FROM SEOrderEntry e WHERE e.FInterID = o.FInterID) ORDER BY FBillNo DESC" |
  sed -n '3,5p' | tr -d ' ' | paste -sd, -)
echo "== the file-based interface: orders $numbers exported with corvane dts export,"
echo "   imported into $dts (base data only) with corvane dts import, and the log"
"$corvane" dts export "$numbers" --db "$db" --file "$demo/dts-orders.xml" --log "$log"
"$corvane" dts import --db "$dts" --file "$demo/dts-orders.xml" --log "$log"
"$corvane" dts log "$log"

