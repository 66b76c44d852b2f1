#!/bin/sh
# "corvane erp init --props" fills an empty account through ODBC: here an
# account file that holds the schema alone, reached through SQLite's ODBC
# driver. Every table ends as "erp init --db" makes it with the same options,
# the bill heads and the change log in the same row-version order; the
# account passes "erp check"; an account that already holds data is refused,
# and so is a command that names no account or two. selfcheck shows the
# ODBC drivers.
#   erp_init_odbc_test.sh CORVANE_CLI EXTENSION_FILE
cli=$1
ext=${2%.so}
. "$(dirname "$0")/lib.sh"

if ! odbcinst -q -d 2>/dev/null | grep -qx '\[SQLite3\]'; then
  echo "skipped: the SQLite3 ODBC driver (libsqliteodbc) is not installed"
  exit 0
fi

sql() {
  sqlite3 -bail "$1" -cmd ".load $ext" "$2"
}
options="--orders 30 --invoices 6 --stock-bills 6 --seed 11"
native="$work/native.db"
target="$work/target.db"
"$cli" erp init --db "$native" $options >/dev/null
sqlite3 -bail "$target" -cmd ".load $ext" <"$(dirname "$0")/../../erpdb/schema.sql"
props="ConnectString={Provider=MSDASQL;Driver=SQLite3;Database=$target};UserID=16394;"

expect "the empty account is filled" 0 '^filled the account in ' \
  "$cli" erp init --props "$props" $options

for table in t_Item t_ICItem t_Organization t_Currency t_MeasureUnit t_SubMessage t_Settle \
  t_RpContract t_StockPlace t_User t_Group t_AccessControl ICInventory t_LockStock \
  ICListTemplate t_BillSaveOption t_SystemProfile t_BillNoRule t_BillInterIDMax \
  SEOrderEntry ICSaleEntry ICStockBillEntry; do
  if [ "$(sql "$native" "SELECT * FROM $table ORDER BY 1, 2")" = \
    "$(sql "$target" "SELECT * FROM $table ORDER BY 1, 2")" ]; then pass; else fail "$table differs"; fi
done
# The heads and the change log without their row versions, in row-version order.
for query in \
  "SELECT FInterID, FBillNo, FUUID, FDate, FCustID, FStatus, FImport FROM SEOrder ORDER BY FOperDate" \
  "SELECT FInterID, FBillNo, FTranType, FROB, FDate FROM ICSale ORDER BY FOperDate" \
  "SELECT FInterID, FBillNo, FTranType, FSupplyID, FDate FROM ICStockBill ORDER BY FOperDate" \
  "SELECT FSystemFlag, FType, FIfDelete, FChangedUUID FROM COM_DataChange ORDER BY FTimeStamp"; do
  if [ "$(sql "$native" "$query")" = "$(sql "$target" "$query")" ]; then pass; else fail "$query"; fi
done
expect "the filled account passes every check" 0 '^bill numbers: ok$' "$cli" erp check --db "$target"

expect "an account that holds data is refused" 2 'already holds base data or documents' \
  "$cli" erp init --props "$props" $options
expect "an account is named once" 2 'give either --db PATH' "$cli" erp init $options

# selfcheck: the drivers unixODBC knows, and whether the one for SQL Server loads.
env CORVANE_ODBC_DRIVER=SQLite3 "$cli" selfcheck >"$work/self" 2>&1
check "selfcheck lists the ODBC drivers" grep -q '^ODBC drivers: .*SQLite3' "$work/self"
check "and loads the configured one" grep -q '^  for SQL Server:  SQLite3  loads (' "$work/self"
env CORVANE_ODBC_DRIVER=NoSuchDriver "$cli" selfcheck >"$work/self" 2>&1
check "or says it is not installed" grep -q '^  for SQL Server:  NoSuchDriver  not installed' \
  "$work/self"
finish
