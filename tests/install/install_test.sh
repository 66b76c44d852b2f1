#!/usr/bin/env bash
# The installed component from the outside: "cmake --install" into a fresh
# prefix, then a C host built with pkg-config and a CMake project built with
# find_package(Corvane) against the installed tree alone, and the installed
# "corvane selfcheck" finding every schema, translation and component through
# the installed registry file. Then the Debian package: its file list, and the
# same self-check in a tree unpacked from it (skipped without dpkg-deb).
#   install_test.sh BUILD_DIR SOURCE_DIR C_COMPILER [EXTRA_C_FLAGS]
set -u
build=$1
source=$2
cc=$3
extra_cflags=${4:-}

work=$(cd "$(mktemp -d)" && pwd -P)
trap 'rm -rf "$work"' EXIT
failed=0
passed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAILED: $1"; }
# check WHAT COMMAND...: the command succeeds (its output is shown when not).
check() {
  local what=$1 out
  shift
  if out=$("$@" 2>&1); then pass; else fail "$what"; printf '%s\n' "$out" | tail -20; fi
}
# exists WHAT PATH...: every path is there.
exists() {
  local what=$1 p
  shift
  for p in "$@"; do
    if [ -e "$p" ]; then pass; else fail "$what: $p missing"; fi
  done
}
# Hosts see no variable of the developer's shell.
unset CORVANE_REGISTRY CORVANE_RESOURCES CORVANE_LOGIN_PROPS

schemas=$(cd "$source/schema" && ls -- *.xsd)
translations=$(cd "$source/resources" && ls -- *.po)

# selfcheck_finds_all WHAT OUTPUT SCHEMA_FOLDER: the self-check created every
# component and found every folder it printed (the fallback schema folder,
# used only for a schema the schema folder lacks, aside), its resource folder
# holds every translation and SCHEMA_FOLDER every schema.
selfcheck_finds_all() {
  local what=$1 out=$2 schema_folder=$3 resource_folder f
  resource_folder=$(sed -n 's/^resource folder: *//p' <<<"$out")
  if grep -v '^  fallback:' <<<"$out" | grep -q '(missing)\|cannot be'; then
    fail "$what: something is missing"; echo "$out"
  fi
  for f in $schemas; do exists "$what: schema" "$schema_folder$f"; done
  for f in $translations; do exists "$what: translation" "$resource_folder$f"; done
  if grep -q '^  Corvane\.clsSaleOrder  ok$' <<<"$out"; then pass; else fail "$what: no Corvane.clsSaleOrder"; fi
}

# --- cmake --install into a fresh prefix -------------------------------------
prefix=$work/prefix
check "cmake --install" cmake --install "$build" --prefix "$prefix"
exists "installed file" "$prefix/bin/corvane" "$prefix/lib/libcorvane.so" "$prefix/lib/corvane_sqlite.so" \
  "$prefix/include/corvane/corvane.h" "$prefix/etc/corvane/registry.ini" \
  "$prefix/lib/cmake/Corvane/CorvaneConfig.cmake" \
  "$prefix/lib/cmake/Corvane/CorvaneConfigVersion.cmake" "$prefix/lib/pkgconfig/corvane.pc"
soname=$(readelf -d "$prefix/lib/libcorvane.so" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
exists "the library under its SONAME" "$prefix/lib/$soname"
if grep -qx "path=$prefix/share/corvane/" "$prefix/etc/corvane/registry.ini"; then pass; else
  fail "registry file does not name $prefix/share/corvane/"; cat "$prefix/etc/corvane/registry.ini"
fi
registry=$prefix/etc/corvane/registry.ini

out=$(cd "$work" && CORVANE_REGISTRY=$registry "$prefix/bin/corvane" selfcheck 2>&1)
rc=$?
if [ $rc -eq 0 ]; then pass; else fail "selfcheck exits $rc"; echo "$out"; fi
grep -qx "schema folder: *$prefix/share/corvane/SCHEMA/" <<<"$out" && pass ||
  fail "selfcheck does not read the installed schema folder"
grep -qx "resource folder: *$prefix/share/corvane/resources/" <<<"$out" && pass ||
  fail "selfcheck does not find the installed translations"
selfcheck_finds_all "installed selfcheck" "$out" "$prefix/share/corvane/SCHEMA/"

# --- a C host built with pkg-config exports from a demo account ---------------
check "corvane erp init" "$prefix/bin/corvane" erp init --db "$work/demo.db" --orders 12 \
  --invoices 4 --stock-bills 4
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
if pkg-config --exists corvane; then pass; else fail "pkg-config finds no corvane"; fi
# The host test includes "capi/corvane.h", here the installed header.
mkdir -p "$work/shim/capi"
ln -s "$prefix/include/corvane/corvane.h" "$work/shim/capi/corvane.h"
libdir=$(pkg-config --variable=libdir corvane)
# shellcheck disable=SC2046,SC2086
check "C host compiled with pkg-config" "$cc" -std=c99 $extra_cflags -I"$work/shim" \
  "$source/tests/capi/capi_test.c" -o "$work/capi_test" $(pkg-config --cflags --libs corvane) \
  -Wl,-rpath,"$libdir"
if ldd "$work/capi_test" | grep -q "libcorvane.*=> $libdir"; then pass; else
  fail "C host does not load the installed library"; ldd "$work/capi_test"
fi
check "C host on the installed component" env CORVANE_REGISTRY="$registry" \
  "$work/capi_test" "$work/demo.db"

# --- a CMake project with find_package(Corvane) ------------------------------
mkdir -p "$work/consumer"
cat >"$work/consumer/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(consumer C)
find_package(Corvane 0.1 REQUIRED)
add_executable(consumer main.c)
target_link_libraries(consumer PRIVATE Corvane::corvane)
CMAKE
cat >"$work/consumer/main.c" <<'C'
#include <corvane/corvane.h>
#include <stdio.h>

int main(void) {
  corvane_error error = CORVANE_ERROR_INIT;
  corvane_object* order = NULL;
  if (corvane_create("Corvane.clsSaleOrder", &order, &error) != CORVANE_OK) {
    fprintf(stderr, "cannot create: %s\n", error.description ? error.description : "");
    return 1;
  }
  corvane_release(order);
  return 0;
}
C
check "find_package project configures" cmake -S "$work/consumer" -B "$work/consumer/build" \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_COMPILER="$cc" -DCMAKE_C_FLAGS="$extra_cflags"
check "find_package project builds" cmake --build "$work/consumer/build"
check "find_package project runs" "$work/consumer/build/consumer"

# --- the Debian package ------------------------------------------------------
if ! command -v dpkg-deb >/dev/null || ! command -v cpack >/dev/null; then
  echo "SKIPPED: the Debian package (no dpkg-deb or cpack)"
else
  check "cpack -G DEB" cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb"
  deb=$(ls "$work"/deb/*.deb 2>/dev/null | head -1)
  if [ -n "$deb" ]; then
    pass
    list=$(dpkg-deb -c "$deb" | sed 's/^\([^ ]* *\)\{5\}//; s/ -> .*//')
    for f in ./usr/bin/corvane ./usr/lib/libcorvane.so ./usr/lib/"$soname" ./usr/lib/corvane_sqlite.so \
      ./usr/include/corvane/corvane.h ./etc/corvane/registry.ini \
      ./usr/lib/cmake/Corvane/CorvaneConfig.cmake ./usr/lib/pkgconfig/corvane.pc \
      $(for s in $schemas; do echo ./usr/share/corvane/SCHEMA/"$s"; done) \
      $(for t in $translations; do echo ./usr/share/corvane/resources/"$t"; done); do
      grep -qx -- "$f" <<<"$list" && pass || fail "package lacks $f"
    done
    if grep -v '^\./usr/\|^\./etc/\|^\./$' <<<"$list" | grep -q .; then
      fail "package has files outside /usr and /etc"; grep -v '^\./usr/\|^\./etc/' <<<"$list"
    else pass; fi
    dpkg-deb -e "$deb" "$work/control"
    grep -qx /etc/corvane/registry.ini "$work/control/conffiles" && pass ||
      fail "registry file is no conffile"
    root=$work/root
    check "dpkg -x" dpkg -x "$deb" "$root"
    grep -qx "path=/usr/share/corvane/" "$root/etc/corvane/registry.ini" && pass ||
      fail "packaged registry file does not name /usr/share/corvane/"
    out=$(cd "$work" && CORVANE_REGISTRY=$root/etc/corvane/registry.ini \
      "$root/usr/bin/corvane" selfcheck 2>&1)
    grep -qx "schema folder: *\(/usr/share/corvane/SCHEMA/\)\( *(missing)\)\?" <<<"$out" && pass ||
      fail "unpacked selfcheck does not read /usr/share/corvane/SCHEMA/"
    grep -qx "resource folder: *$root/usr/share/corvane/resources/" <<<"$out" && pass ||
      fail "unpacked selfcheck does not find its translations"
    # /usr/share/corvane is where the package installs; here it is in the
    # unpacked tree.
    selfcheck_finds_all "unpacked selfcheck" "$(grep -v '^schema folder:' <<<"$out")" \
      "$root/usr/share/corvane/SCHEMA/"
  else
    fail "cpack made no .deb"
  fi
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
