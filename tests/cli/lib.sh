# shellcheck shell=sh
# Shared by the CLI tests, sourced after the test has set `cli` to the path of
# the corvane program:
#   cli=$1
#   . "$(dirname "$0")/lib.sh"
# It makes a work folder "$work", removed when the test exits, and counts the
# checks that passed and failed; `finish` prints the count and is the test's
# last command, so that the test exits 0 only when none failed. Each failure
# prints one line "FAILED: ..." with what was expected.

: "${cli:?set cli to the corvane program before sourcing lib.sh}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

# pass; fail WHAT: count one check by hand.
pass() {
  passed=$((passed + 1))
}
fail() {
  failed=$((failed + 1))
  echo "FAILED: $1"
}

# check WHAT COMMAND...: the command succeeds.
check() {
  lib_what=$1
  shift
  if "$@"; then pass; else fail "$lib_what"; fi
}

# expect WHAT STATUS PATTERN COMMAND...: the command exits with STATUS and its
# output (stdout and stderr) holds a line matching PATTERN (grep -E). The
# output stays in "$work/out" until the next expect; a failure shows it.
expect() {
  lib_what=$1 lib_status=$2 lib_pattern=$3
  shift 3
  "$@" >"$work/out" 2>&1
  lib_rc=$?
  if [ "$lib_rc" -eq "$lib_status" ] && grep -Eq -- "$lib_pattern" "$work/out"; then
    pass
  else
    fail "$lib_what (exit $lib_rc, expected $lib_status and /$lib_pattern/)"
    sed 's/^/    /' "$work/out"
  fi
}

# count DB SQL: the first value of the query's first row on the account DB.
count() {
  "$cli" erp sql --db "$1" "$2" | sed -n 3p | tr -d ' '
}

# finish [NAME]: prints "NAME: N passed, M failed" (without NAME, the count
# alone) and answers whether none failed.
finish() {
  echo "${1:+$1: }$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
