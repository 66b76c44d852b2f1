#!/bin/sh
# "corvane export deletions" and "corvane import deletions" from the outside:
# a deletion in one account reaches the imported copy in another, a second
# export finds nothing new, and bad input (an unknown kind, a state file
# without a valid cursor, a file that holds no deletion keys) is named,
# deletes nothing and leaves the cursor alone.
#   deletions_test.sh CORVANE_CLI
cli=$1
. "$(dirname "$0")/lib.sh"

src="$work/source.db"
dst="$work/target.db"
"$cli" erp init --db "$src" --orders 8 --invoices 0 --stock-bills 0 >/dev/null
"$cli" erp init --db "$dst" --base-only >/dev/null
"$cli" export saleorder --db "$src" --out "$work/orders" >/dev/null
"$cli" import saleorder --db "$dst" --check-by-uuid "$work"/orders/*.xml >/dev/null

expect "the keys logged so far" 0 '^exported [0-9]+ deletion keys' \
  "$cli" export deletions --kind saleorder --db "$src" --state "$work/state" --out "$work/old"
number=$(count "$dst" "SELECT TOP 1 FBillNo FROM SEOrder WHERE FInterID <> 0 ORDER BY FBillNo")
"$cli" erp sql --db "$src" "DELETE FROM SEOrder WHERE FBillNo = '$number'" >/dev/null
expect "the deletion comes out as one key" 0 '^exported 1 deletion key in 1 page$' \
  "$cli" export deletions --kind 1 --db "$src" --state "$work/state" --out "$work/keys"
cursor=$(grep strTimeStamp "$work/state")
expect "the key deletes the imported copy" 0 ': deleted$' \
  "$cli" import deletions --kind saleorder --db "$dst" "$work"/keys/*.xml
expect "the copy is gone" 0 '^0$' count "$dst" "SELECT COUNT(*) FROM SEOrder WHERE FBillNo = '$number'"
expect "a second run exports nothing new" 0 '^exported 0 deletion keys in 0 pages' \
  "$cli" export deletions --kind saleorder --db "$src" --state "$work/state" --out "$work/keys"
expect "the same key again finds nothing" 1 ': not found' \
  "$cli" import deletions --kind saleorder --db "$dst" "$work"/keys/*.xml

expect "an unknown kind is named" 2 '"9" is none' \
  "$cli" export deletions --kind 9 --db "$src" --state "$work/state" --out "$work/keys"
echo "strTimeStamp=0x0) OR (1=1" >"$work/bad-state"
expect "a state file without a valid cursor stops the run" 2 'holds no valid cursor' \
  "$cli" export deletions --kind saleorder --db "$src" --state "$work/bad-state" --out "$work/keys"
expect "the cursor stays after bad input" 0 "^$cursor\$" grep strTimeStamp "$work/state"
before=$(count "$dst" "SELECT COUNT(*) FROM SEOrder")
expect "a file of orders is no deletion-key document" 1 'not a document of deletion keys' \
  "$cli" import deletions --kind saleorder --db "$dst" "$work"/orders/*.xml
expect "nothing was deleted" 0 "^$before\$" count "$dst" "SELECT COUNT(*) FROM SEOrder"
expect "import without a kind" 2 'give the kind' \
  "$cli" import deletions --db "$dst" "$work"/keys/*.xml

finish deletions
