#!/usr/bin/env bash
# Builds the component (release) and runs the main job on the embedded demo
# account: a self-check of the installed component, then the demo account
# database (created in demo/ when missing) looked into through the
# component's own connection.
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
  echo "== demo account $db (kept from an earlier run)"
else
  echo "== creating the demo account $db"
  "$corvane" erp init --db "$db"
fi

echo
echo "== documents in the account"
"$corvane" erp sql --db "$db" "SELECT 'sales orders' AS kind, COUNT(*) AS documents, MAX(FOperDate) AS newest FROM SEOrder WHERE FInterID <> 0
  UNION ALL SELECT 'sales invoices', COUNT(*), MAX(FOperDate) FROM ICSale
  UNION ALL SELECT 'stock bills', COUNT(*), MAX(FOperDate) FROM ICStockBill
  UNION ALL SELECT 'deletions logged', COUNT(*), MAX(FTimeStamp) FROM COM_DataChange"
echo
echo "== the first page of sales orders changed since the beginning"
"$corvane" erp sql --db "$db" "SELECT TOP 5 FBillNo, FDate, FCustID, FOperDate FROM SEOrder WHERE FInterID <> 0 AND (FOperDate>0x0000000000000000) ORDER BY FOperDate"
echo
echo "== users who may use the web-service interface"
"$corvane" erp sql --db "$db" "SELECT FUserID, FName, FForbidden FROM t_User WHERE FForbidden = 0 AND (FUserID IN (SELECT FUserID FROM t_Group WHERE FGroupID = 1) OR FUserID IN (SELECT FUserID FROM t_AccessControl WHERE FObjectType = 16 AND FAccessMask <> 0))"
