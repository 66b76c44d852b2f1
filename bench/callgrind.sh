#!/usr/bin/env bash
# Instructions per unit of the component's part of each benchmark, counted by
# callgrind on that function alone (--toggle-collect), so that making the
# accounts and the bounds does not count:
#   export      clsSaleOrder.Export, pages of 100, 1,000 orders of 5 entries
#               (ExportAll), per order
#   import      clsSaleOrder.Import, 1,000 orders of 5 entries into an account
#               with base data only (ImportAll), per order
#   connection  a key lookup through the connection component, pooled
#               (KeyLookupsThroughComponent), per lookup
# Instruction counts do not move with the machine's load, so they show what a
# change to the component saves where wall times are too noisy.
#
#   bench/callgrind.sh [BUILD_DIR] [export|import|connection ...]
#
# BUILD_DIR is a build configured with -DCORVANE_BENCH=ON (build-bench by
# default; relative to the source folder). bench/setup.sh installs valgrind.
# The callgrind output files stay in BUILD_DIR/callgrind/ for
# callgrind_annotate.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-bench
if [ $# -gt 0 ] && [ -d "$1" ]; then
  build=$1
  shift
fi
benchmarks=("$@")
[ ${#benchmarks[@]} -gt 0 ] || benchmarks=(export import connection)

command -v valgrind >/dev/null || { echo "callgrind: valgrind is missing: run bench/setup.sh" >&2; exit 2; }
out="$build/callgrind"
mkdir -p "$out"

# count BENCHMARK: runs the benchmark's component part under callgrind and
# prints its instructions per unit in one line.
count() {
  local name=$1 program function units unit what
  case "$name" in
    export)
      program=export_bench function=ExportAll units=1000 unit=order
      what="clsSaleOrder.Export, pages of 100, 1,000 orders x 5 entries" ;;
    import)
      program=import_bench function=ImportAll units=1000 unit=order
      what="clsSaleOrder.Import, 1,000 orders x 5 entries into an empty account" ;;
    connection)
      program=connection_bench function=KeyLookupsThroughComponent units=20000 unit=lookup
      what="key lookup through the connection component, 20,000 lookups" ;;
    *) echo "callgrind: unknown benchmark \"$name\" (export, import, connection)" >&2; return 2 ;;
  esac
  local binary="$build/bench/$program"
  [ -x "$binary" ] || { echo "callgrind: $binary is missing: build with -DCORVANE_BENCH=ON" >&2; return 2; }
  local file="$out/$name.callgrind" log="$out/$name.log"
  # The pattern names the benchmark's own function and nothing nested in it
  # (a lambda inside it carries its name too, further in).
  if ! valgrind --tool=callgrind --callgrind-out-file="$file" --collect-atstart=no \
      --toggle-collect="(anonymous namespace)::$function(*" \
      "$binary" --component "$units" >"$log" 2>&1; then
    echo "callgrind: $program failed; its output:" >&2
    cat "$log" >&2
    return 1
  fi
  local total
  total=$(awk '/^totals:/ { print $2; found = 1; exit } /^summary:/ { s = $2 } END { if (!found && s != "") print s }' "$file")
  if [ -z "$total" ] || [ "$total" -eq 0 ]; then
    echo "callgrind: no instructions collected in $function (see $file)" >&2
    return 1
  fi
  awk -v name="$name" -v total="$total" -v units="$units" -v unit="$unit" -v what="$what" \
    'BEGIN { printf "%-10s %12.0f instructions per %s  (%s; %.0f in all)\n", name, total / units, unit, what, total }'
}

status=0
for b in "${benchmarks[@]}"; do count "$b" || status=1; done
exit $status
