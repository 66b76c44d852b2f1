#!/usr/bin/env bash
# Installs what the benchmark scripts need beside the build's own packages
# (tools/install-deps.sh), when missing: valgrind for bench/callgrind.sh and
# python3 for bench/export_vs_peer.sh. Uses apt-get, through sudo when not
# run as root.
set -euo pipefail

missing=()
command -v valgrind >/dev/null && command -v callgrind_annotate >/dev/null || missing+=(valgrind)
command -v python3 >/dev/null || missing+=(python3)
if [ ${#missing[@]} -eq 0 ]; then
  echo "bench setup: valgrind and python3 present"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "bench setup: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
echo "bench setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
