#!/bin/sh
# The component against an account database of the tester's: with
# CORVANE_TEST_SQLSERVER holding the connection string of an empty database
# (SQL Server through ODBC: Provider=SQLOLEDB.1;Data Source=...;Initial
# Catalog=...;User ID=...;Password=...), the demo account is made there by
# "erp init --props" and on the embedded backend with the same options, and
# every export (all kinds, pages of 7), every kind of deletion key, a stock
# query, a delivery trace and an import that saves orders over must answer
# the same on both. The database is emptied again at the end. Without the
# variable the test skips, saying so.
#   server_account_test.sh CORVANE_CLI
cli=$1
. "$(dirname "$0")/lib.sh"

if [ -z "${CORVANE_TEST_SQLSERVER:-}" ]; then
  echo "skipped: CORVANE_TEST_SQLSERVER holds no connection string of an empty SQL Server database"
  exit 0
fi
props="ConnectString={$CORVANE_TEST_SQLSERVER};UserID=16394;"
options="--orders 40 --invoices 10 --stock-bills 10 --seed 5"
native="$work/native.db"

tables="SEOrderEntry ICSaleEntry ICStockBillEntry SEOrder ICSale ICStockBill COM_DataChange
  t_Item t_ICItem t_Organization t_Currency t_MeasureUnit t_SubMessage t_Settle t_RpContract
  t_StockPlace t_User t_Group t_AccessControl ICInventory t_LockStock ICListTemplate
  t_BillNoRule t_BillInterIDMax t_BillSaveOption t_BillResave t_SystemProfile"
# empty_account: what the account's tables hold goes; the tables stay.
empty_account() {
  for table in $tables; do
    "$cli" erp sql --props "$props" "DELETE FROM $table" >/dev/null 2>&1
  done
}
trap 'empty_account; rm -rf "$work"' EXIT

expect "the server's database is filled" 0 '^filled the account in ' \
  "$cli" erp init --props "$props" $options
"$cli" erp init --db "$native" $options >/dev/null

# same WHAT COMMAND-ARGS...: the command answers alike on the server and on the
# embedded account (its output, its exit status).
same() {
  lib_what=$1
  shift
  "$@" --props "$props" >"$work/server.out" 2>&1
  server_status=$?
  "$@" --db "$native" >"$work/native.out" 2>&1
  native_status=$?
  if [ "$server_status" = "$native_status" ] && cmp -s "$work/server.out" "$work/native.out"; then
    pass
  else
    fail "$lib_what: the server answered $server_status, the embedded account $native_status"
    diff "$work/server.out" "$work/native.out" | head -5
  fi
}

for kind in saleorder saleinvoice stockbill; do
  mkdir -p "$work/server-$kind" "$work/native-$kind"
  "$cli" export "$kind" --props "$props" --per-count 7 --out "$work/server-$kind" >/dev/null
  "$cli" export "$kind" --db "$native" --per-count 7 --out "$work/native-$kind" >/dev/null
  if [ "$(cat "$work/server-$kind"/*.xml | cksum)" = "$(cat "$work/native-$kind"/*.xml | cksum)" ]
  then pass; else fail "the $kind pages differ"; fi
done
for kind in 1 2 3 4 5; do
  mkdir -p "$work/server-del-$kind" "$work/native-del-$kind"
  "$cli" export deletions --kind "$kind" --props "$props" --out "$work/server-del-$kind" >/dev/null
  "$cli" export deletions --kind "$kind" --db "$native" --out "$work/native-del-$kind" >/dev/null
  if [ "$(cat "$work/server-del-$kind"/*.xml | cksum)" = \
    "$(cat "$work/native-del-$kind"/*.xml | cksum)" ]; then pass; else fail "deletions $kind differ"; fi
done
same "the stock of M0001" "$cli" stock M0001
same "the deliveries of SO000001" "$cli" trace SO000001
# The exported orders saved over themselves: each save deletes and writes a
# document in one transaction without logging a deletion.
same "importing the orders over themselves" "$cli" import saleorder "$work"/native-saleorder/*.xml
same "the order entries afterwards" "$cli" erp sql \
  "SELECT FInterID, FEntryID, FItemID, FAuxQty, FAmount, FNote FROM SEOrderEntry ORDER BY FInterID, FEntryID"
same "the change log afterwards" "$cli" erp sql \
  "SELECT FSystemFlag, FType, FChangedUUID FROM COM_DataChange ORDER BY FTimeStamp"
finish
