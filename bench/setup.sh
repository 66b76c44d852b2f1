#!/usr/bin/env bash
# Installs what the benchmark scripts need beside the build's own packages,
# when missing: valgrind for bench/callgrind.sh and python3 for
# bench/export_vs_peer.sh. Uses apt-get, through sudo when not run as root.
set -euo pipefail
exec "$(dirname "$0")/../tools/install-deps.sh" valgrind python3
