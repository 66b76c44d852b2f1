#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for SECONDS
# (default 60) on a copy of its seed corpus in fuzz/corpus/<target>/, one
# after the other on one core, at low priority. A crash, a sanitizer report,
# a leak or an input slower than 10 s fails the run; the input is kept in
# build-fuzz/findings/<target>/ and the log in build-fuzz/<target>.log.
#
#   tools/run-fuzz.sh [SECONDS]
#
# When CORVANE_BUILD_LOCK names a file, the configure and the build run under
# flock on it (the fuzzing itself does not), for machines where builds share
# the cores.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
build=build-fuzz
targets=(xml_reader tsql_dialect record_filter)

locked() {
  if [ -n "${CORVANE_BUILD_LOCK:-}" ]; then flock "$CORVANE_BUILD_LOCK" "$@"; else "$@"; fi
}

locked env CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCORVANE_FUZZ=ON -DCORVANE_TESTS=OFF >/dev/null
locked cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

failed=()
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  findings="$build/findings/$target"
  rm -rf "$corpus" "$findings"
  mkdir -p "$corpus" "$findings"
  cp fuzz/corpus/"$target"/* "$corpus"/
  echo "run-fuzz: $target for ${seconds} s"
  if nice -n 10 "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" \
      >"$build/$target.log" 2>&1; then
    grep -E "^Done|stat::number_of_executed_units|stat::peak_rss_mb" "$build/$target.log" || true
  else
    echo "run-fuzz: $target FAILED (log $build/$target.log, input in $findings/)" >&2
    tail -n 40 "$build/$target.log" >&2
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "run-fuzz: failed: ${failed[*]}" >&2
  exit 1
fi
echo "run-fuzz: no findings"
