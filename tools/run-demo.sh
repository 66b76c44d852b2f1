#!/usr/bin/env bash
# Builds the component (release) and runs the main job: a self-check of the
# installed component.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_TESTS=OFF >/dev/null
cmake --build "$build" -j2

echo
"$build/bin/corvane" selfcheck
