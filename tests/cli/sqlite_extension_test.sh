#!/bin/sh
# The loadable extension in the stock sqlite3 console: with it loaded, an
# account made by "corvane erp init" passes the integrity check, an order
# update takes a new row version through the schema's triggers, deleting an
# order head logs the deletion; loaded into a database that is not an account
# it creates nothing and changes nothing.
#   sqlite_extension_test.sh CORVANE_CLI EXTENSION_FILE
cli=$1
ext=${2%.so}  # loaded by name, as a user types it
. "$(dirname "$0")/lib.sh"

db="$work/acct.db"
"$cli" erp init --db "$db" --orders 6 --invoices 2 --stock-bills 2 >/dev/null
# sql DB STATEMENTS: runs them in the console with the extension loaded.
sql() {
  sqlite3 -bail "$1" -cmd ".load $ext" "$2"
}

expect "without the extension the account cannot be read" 1 'no such collation sequence: ERPTEXT' \
  sqlite3 "$db" "PRAGMA integrity_check"
expect "the integrity check passes" 0 '^ok$' sql "$db" "PRAGMA integrity_check"

before=$(sql "$db" "SELECT hex(FOperDate) FROM SEOrder WHERE FInterID = 1")
check "an order head can be updated" \
  sql "$db" "UPDATE SEOrder SET FFetchAdd = 'Dock 7' WHERE FInterID = 1"
after=$(sql "$db" "SELECT hex(FOperDate) FROM SEOrder WHERE FInterID = 1")
expect "the update took a higher row version" 0 '^1$' \
  sql "$db" "SELECT X'$after' > X'$before' AND FFetchAdd = 'Dock 7' FROM SEOrder WHERE FInterID = 1"

# The demo's third order has no entries, so deleting its head leaves no orphan.
uuid=$(sql "$db" "SELECT FUUID FROM SEOrder WHERE FBillNo = 'SO000003'")
check "an order head can be deleted" sql "$db" "DELETE FROM SEOrder WHERE FBillNo = 'SO000003'"
expect "the deletion is logged for both readers" 0 '^2$' \
  sql "$db" "SELECT COUNT(*) FROM COM_DataChange WHERE FIfDelete = 1 AND FType = 81 AND FChangedUUID = '$uuid'"
expect "the edited account passes every check" 0 '^bill numbers: ok$' \
  "$cli" erp check --db "$db"

other="$work/other.db"
sqlite3 "$other" "CREATE TABLE t (x TEXT); INSERT INTO t VALUES ('a')"
sum_before=$(cksum <"$other")
expect "the functions answer in any database" 0 '^0000000000000102\|1$' \
  sql "$other" "SELECT hex(ROWVERSION_BLOB(258)), 'abc' = 'ABC ' COLLATE ERPTEXT"
expect "a database that is no account keeps its one table" 0 '^t$' \
  sql "$other" "SELECT group_concat(name) FROM sqlite_schema"
check "a database that is no account is unchanged" test "$(cksum <"$other")" = "$sum_before"
empty="$work/empty.db"
: >"$empty"
expect "an empty database opens with the extension" 0 '^0$' \
  sql "$empty" "SELECT COUNT(*) FROM sqlite_schema"
check "an empty database stays empty" test ! -s "$empty"

finish sqlite_extension
