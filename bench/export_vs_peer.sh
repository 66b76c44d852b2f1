#!/usr/bin/env bash
# The command line's sales order export against what an integrator would
# otherwise write (bench/peer_export.py: sqlite3, one join a page, one query
# per order's entries, ElementTree, no validation), on a 10,000-order account
# made by `corvane erp init`, pages of 100. Runs the two alternately, RUNS
# times each (5 by default), checks that both wrote the same documents, and
# prints the median wall time of each and the ratio peer / corvane (above 1:
# the component is faster).
#
#   bench/export_vs_peer.sh [BUILD_DIR] [RUNS]
#
# BUILD_DIR is a configured and built tree (build-bench by default; relative
# to the source folder); it needs bin/corvane and lib/ with the schemas.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-bench}
runs=${2:-5}
orders=10000
corvane="$PWD/$build/bin/corvane"
peer="$PWD/bench/peer_export.py"
[ -x "$corvane" ] || { echo "export_vs_peer: $corvane is missing: build first" >&2; exit 2; }
command -v python3 >/dev/null || { echo "export_vs_peer: python3 is missing: run bench/setup.sh" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The installation folder of this build, as a registry file names it.
printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\BRISQUEL\\ZUWEBSERVICE]\npath=%s\n' "$PWD/$build/lib" \
  >"$work/registry.ini"
export CORVANE_REGISTRY="$work/registry.ini"

db="$work/acct.db"
"$corvane" erp init --db "$db" --orders "$orders" --invoices 0 --stock-bills 0 >/dev/null
echo "account: $orders orders (corvane erp init), pages of 100, $runs runs each, alternating"

now() { date +%s.%N; }

# run NAME: one export into $work/NAME (emptied first); prints its seconds.
run() {
  local out="$work/$1" start end
  rm -rf "$out"
  mkdir -p "$out"
  start=$(now)
  case "$1" in
    corvane) "$corvane" export saleorder --db "$db" --per-count 100 --out "$out" >/dev/null ;;
    peer) python3 "$peer" "$db" "$out" --per-count 100 >/dev/null ;;
  esac
  end=$(now)
  echo "$end - $start" | awk '{ printf "%.3f\n", $1 - $3 }'
}

corvane_times=()
peer_times=()
for ((i = 1; i <= runs; ++i)); do
  corvane_times+=("$(run corvane)")
  peer_times+=("$(run peer)")
  echo "run $i: corvane ${corvane_times[-1]} s, peer ${peer_times[-1]} s"
done

# Both wrote the same pages holding the same documents (compared in
# canonical form, whitespace between elements left out).
python3 - "$work/corvane" "$work/peer" <<'PY'
import os, sys
import xml.etree.ElementTree as ET
ours, theirs = sys.argv[1], sys.argv[2]
names = sorted(os.listdir(ours))
if names != sorted(os.listdir(theirs)):
    sys.exit("export_vs_peer: the two wrote different pages")
for name in names:
    a, b = (ET.canonicalize(from_file=os.path.join(d, name), strip_text=True) for d in (ours, theirs))
    if a != b:
        sys.exit("export_vs_peer: %s differs between the two" % name)
print("documents: the same %d pages from both" % len(names))
PY

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
corvane_median=$(median "${corvane_times[@]}")
peer_median=$(median "${peer_times[@]}")
awk -v c="$corvane_median" -v p="$peer_median" -v n="$orders" 'BEGIN {
  printf "median wall time: corvane export %.3f s (%.0f orders/s), peer %.3f s (%.0f orders/s)\n", c, n / c, p, n / p
  printf "ratio peer / corvane: %.2f\n", p / c
}'
