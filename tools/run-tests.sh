#!/usr/bin/env bash
# Builds the component and its tests with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs every test. Any sanitizer report ends
# the test that made it with a failure.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-asan
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON -DCORVANE_TESTS=ON >/dev/null
cmake --build "$build" -j2

export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$build" -j2 --output-on-failure --timeout 300
