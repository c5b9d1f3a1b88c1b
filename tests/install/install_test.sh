#!/usr/bin/env bash
# Installs a build tree into a temporary prefix and builds a small outside
# project against it, once through the CMake package and once through
# pkg-config.  Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
BUILD="$1"; SRC="$2"
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT
cmake --install "$BUILD" --prefix "$TMP/prefix" >/dev/null
cmake -S "$SRC/tests/install/consumer" -B "$TMP/cm" -G Ninja -DCMAKE_PREFIX_PATH="$TMP/prefix" >/dev/null
cmake --build "$TMP/cm" >/dev/null
test "$("$TMP/cm/consumer")" = "März"
LIBDIR="$(dirname "$(find "$TMP/prefix" -name 'pyx-corekit.pc')")"
PKG_CONFIG_PATH="$LIBDIR" c++ -o "$TMP/pc" "$SRC/tests/install/consumer/main.cpp" \
  $(PKG_CONFIG_PATH="$LIBDIR" pkg-config --cflags --libs pyx-corekit) -Wl,-rpath,"$LIBDIR/.."
test "$("$TMP/pc")" = "März"
echo "install: CMake package and pkg-config consumers built and ran"
