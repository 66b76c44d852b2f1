#!/bin/sh
# corvane-service as a program: it refuses to listen off loopback without a
# token, serves on the port it reports, writes one access line per request,
# and ends with status 0 on SIGTERM.
#   service_test.sh CORVANE_CLI CORVANE_SERVICE
cli=$1
service=$2
. "$(dirname "$0")/lib.sh"

expect "off loopback a token is required" 2 'needs an API token' \
  env -u CORVANE_SERVICE_TOKEN "$service" --address 0.0.0.0 --port 0

"$service" --port 0 >"$work/access.log" 2>"$work/service.err" &
pid=$!
port=""
for _ in $(seq 50); do
  port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/service.err")
  [ -n "$port" ] && break
  sleep 0.1
done
if [ -n "$port" ]; then pass; else fail "the service reports the port it listens on"; fi
expect "it answers" 0 '"status":"ok"' curl -s "http://127.0.0.1:$port/healthz"
expect "a call of an unknown class is a 404" 0 '^404$' \
  curl -s -o /dev/null -w '%{http_code}' -d '{}' "http://127.0.0.1:$port/v1/Corvane.Nothing/Export"
kill -TERM "$pid"
wait "$pid"
status=$?
if [ "$status" -eq 0 ]; then pass; else fail "SIGTERM ends it with status 0, not $status"; fi
check "one access line for the call" grep -q '"progId":"Corvane.Nothing".*"status":404' "$work/access.log"
check "it said it stopped" grep -q 'stopping' "$work/service.err"
finish
