#!/bin/sh
# "corvane call" from the outside: the output and the exit status of a real
# export, of a refused user and of the usage errors; arguments from a file
# and from standard input, and an out-argument written to a file.
#   call_test.sh CORVANE_CLI DEMO_DB
cli=$1
db=$2
. "$(dirname "$0")/lib.sh"
props="ConnectString={Provider=SQLite;Data Source=$db};UserID=16394;"

expect "export with progress" 0 '^progress 3/3 ok$' \
  "$cli" call Corvane.clsSaleOrder Export --set bProgress=True "strPropsString=$props" lPerCount=3
expect "export prints the result" 0 '^True$' \
  "$cli" call corvane.clssaleorder export "STRPROPSSTRING=$props" lPerCount=3
expect "export prints the XML after its name" 0 '^strXML =$' \
  "$cli" call Corvane.clsSaleOrder Export "strPropsString=$props" lPerCount=3
expect "export prints the new timestamp" 0 '^strTimeStamp = 0x[0-9A-F]{16}$' \
  "$cli" call Corvane.clsSaleOrder Export "strPropsString=$props" lPerCount=3
expect "no progress without bProgress" 0 '^strMaxTimeStamp = 0x' \
  "$cli" call Corvane.clsSaleOrder Export "strPropsString=$props" lPerCount=3
if "$cli" call Corvane.clsSaleOrder Export "strPropsString=$props" lPerCount=3 | grep -q '^progress'; then
  fail "progress printed without bProgress"
else
  pass
fi
expect "a refused user answers False" 1 '^strError = .+WebServices' \
  "$cli" call Corvane.clsSaleOrder Export \
  "strPropsString=ConnectString={Provider=SQLite;Data Source=$db};UserID=16397;"

expect "unknown ProgID" 2 'unknown ProgID Corvane.clsNothing' \
  "$cli" call Corvane.clsNothing Export
expect "unknown method" 2 'has no method Exprot' \
  "$cli" call Corvane.clsSaleOrder Exprot
expect "unknown option" 2 'has no option Colour' \
  "$cli" call Corvane.clsSaleOrder Export --set Colour=red strPropsString=x
expect "a method is no option" 2 'has no option Export' \
  "$cli" call Corvane.clsSaleOrder Export --set Export=1 strPropsString=x
expect "unknown argument" 2 'has no argument strXLM' \
  "$cli" call Corvane.clsSaleOrder Export strPropsString=x strXLM=y
expect "missing by-value argument" 2 'needs strXML' \
  "$cli" call Corvane.clsSaleOrder Import strPropsString=x
expect "text for a Long" 2 'lPerCount \(Long\) cannot take "many": Type mismatch' \
  "$cli" call Corvane.clsSaleOrder Export strPropsString=x lPerCount=many
expect "text for a Boolean option" 2 'bProgress \(Boolean\) cannot take "perhaps"' \
  "$cli" call Corvane.clsSaleOrder Export --set bProgress=perhaps strPropsString=x
expect "not an assignment" 2 'name=value' \
  "$cli" call Corvane.clsSaleOrder Export strPropsString

# Long arguments from a file or standard input, an out-argument into a file.
printf '%s' "$props" >"$work/props"
expect "--out writes the page, an argument comes from @FILE" 0 '^strXML -> .*/page\.xml \([0-9]+ bytes\)$' \
  "$cli" call Corvane.clsSaleOrder Export "strPropsString=@$work/props" lPerCount=2 \
  --out "strXML=$work/page.xml"
check "the file holds the page's two orders" test "$(grep -c '<BillNo>' "$work/page.xml")" -eq 2
check "the XML is not printed besides" test "$(grep -c '<BillNo>' "$work/out")" -eq 0
"$cli" erp init --db "$work/target.db" --base-only >/dev/null
expect "strXML=@- imports the page from standard input" 0 '^progress 2/2 ok$' \
  sh -c '"$1" call Corvane.clsSaleOrder Import "strPropsString=ConnectString={Provider=SQLite;Data Source=$2};UserID=16394;" strXML=@- <"$3"' \
  sh "$cli" "$work/target.db" "$work/page.xml"
expect "standard input serves one argument" 2 'one argument only' \
  "$cli" call Corvane.clsSaleOrder Import strPropsString=@- strXML=@- </dev/null
expect "a file that cannot be read is named" 2 'strXML: cannot read .*/no-such-page.xml' \
  "$cli" call Corvane.clsSaleOrder Import strPropsString=x "strXML=@$work/no-such-page.xml"
expect "--out names an in/out argument" 2 'no in/out argument of that name' \
  "$cli" call Corvane.clsSaleOrder Export strPropsString=x "--out" "lPerCount=$work/x"

finish
