#!/bin/sh
# "corvane erp check": a demo account passes every check; each kind of damage,
# made on a copy with the sqlite3 console and the extension, fails its own
# line (and only that line) with the rows named, and exit status 1; no --db is
# a usage error. "corvane erp sql": a batch prints each statement's rows or
# count of changed rows in order, and a statement that fails ends it.
#   erp_check_test.sh CORVANE_CLI EXTENSION_FILE
cli=$1
ext=${2%.so}
. "$(dirname "$0")/lib.sh"

good="$work/good.db"
"$cli" erp init --db "$good" --orders 6 --invoices 3 --stock-bills 3 >/dev/null
"$cli" erp check --db "$good" >"$work/good.out" 2>&1
rc=$?
check "a demo account passes (exit $rc)" test "$rc" -eq 0
check "five checks, all ok" test "$(grep -c ': ok$' "$work/good.out")" -eq 5

# damaged NAME LINE PATTERN STATEMENTS: a copy damaged by STATEMENTS fails the
# check LINE with a message matching PATTERN, and every other check passes.
damaged() {
  copy="$work/$1.db"
  cp "$good" "$copy"
  sqlite3 -bail "$copy" -cmd ".load $ext" "$4" || fail "$1: the damage could not be made"
  expect "$1 fails its line" 1 "^$2: FAILED: $3" "$cli" erp check --db "$copy"
  check "$1 leaves the other checks ok" test "$(grep -c ': ok$' "$work/out")" -eq 4
}

damaged "orphan entry" "entry heads" \
  'SEOrderEntry FInterID 1 FEntryID 1 has no head in SEOrder' \
  "DELETE FROM SEOrder WHERE FInterID = 1"
damaged "internal IDs behind" "internal IDs" \
  't_BillInterIDMax ICSale FMaxInterID 1 is below the highest FInterID [0-9]+' \
  "UPDATE t_BillInterIDMax SET FMaxInterID = 1 WHERE FTableName = 'ICSale'"
damaged "numbers behind" "bill numbers" \
  't_BillNoRule 81 FCurNo 2 is below SO0000[0-9][0-9] in use' \
  "UPDATE t_BillNoRule SET FCurNo = 2 WHERE FTranType = 81"
damaged "row version twice" "row versions" \
  '0x[0-9A-F]{16} held by (SEOrder 1, COM_DataChange rowid [0-9]+|COM_DataChange rowid [0-9]+, SEOrder 1)' \
  "DROP TRIGGER trg_COM_DataChange_RowVersion_NoExplicitInsert;
   DROP TRIGGER trg_COM_DataChange_RowVersion_Insert;
   INSERT INTO COM_DataChange (FSystemFlag, FType, FIfDelete, FChangedUUID, FTimeStamp)
   SELECT 1, 81, 1, FUUID, FOperDate FROM SEOrder WHERE FInterID = 1"

many="$work/many.db"
cp "$good" "$many"
sqlite3 -bail "$many" -cmd ".load $ext" "DELETE FROM SEOrder WHERE FInterID BETWEEN 1 AND 2" ||
  fail "many orphans: the damage could not be made"
expect "many problems are cut to a few examples" 1 '^entry heads: FAILED: ([^;]+; ){3}\.\.\. and [0-9]+ more$' \
  "$cli" erp check --db "$many"

expect "no --db is a usage error" 2 'db' "$cli" erp check
expect "a missing file is named, a set-up error" 2 '^erp check: cannot open' \
  "$cli" erp check --db "$work/none.db"

# erp sql: every statement of a batch gives its rows or its count of changed rows.
expect "a batch shows the rows changed by its update" 0 '^2 rows changed$' \
  "$cli" erp sql --db "$good" "SELECT COUNT(*) AS heads FROM SEOrder WHERE FInterID <> 0;
  SELECT 'it''s' AS quoted; UPDATE SEOrder SET FFetchAdd = 'Dock 9' WHERE FInterID IN (1, 2)"
check "and the rows of both queries before it" \
  test "$(grep -c '^(1 row)$' "$work/out")" -eq 2 -a "$(sed -n 3p "$work/out" | tr -d ' ')" -eq 6
check "in the order of the statements" test "$(sed -n 4,9p "$work/out" | tr -d ' ' | paste -sd/ -)" \
  = "(1row)//quoted/------/it's/(1row)"
expect "one row is one row" 0 '^1 row changed$' \
  "$cli" erp sql --db "$good" "UPDATE SEOrder SET FFetchAdd = 'Dock 8' WHERE FInterID = 1"
expect "a statement that fails ends the batch after what ran" 1 '^erp sql: .*syntax error' \
  "$cli" erp sql --db "$good" "SELECT 1 AS one; SELEC 2"
check "the query before it was printed" grep -q '^(1 row)$' "$work/out"
expect "an empty statement is a usage error" 2 '^erp sql: the statement is empty$' \
  "$cli" erp sql --db "$good" " ; ;"

finish erp_check
