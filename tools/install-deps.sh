#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing,
# and any further packages named as arguments (bench/setup.sh names its own).
#
#   tools/install-deps.sh [PACKAGE...]
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsqlite3-dev sqlite3
  unixodbc-dev odbcinst tdsodbc  # SQL Server accounts through ODBC (FreeTDS's driver)
  libsqliteodbc                  # tests: the ODBC backend over SQLite's ODBC driver
  libxml2-dev libxml2-utils xsltproc jq
  libcli11-dev nlohmann-json3-dev
  libcpp-httplib-dev             # the web service
  curl                           # tests: the service as a program
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev  # run-fuzz.sh: clang 14 and its libFuzzer and sanitizer runtimes
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
