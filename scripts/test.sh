#!/usr/bin/env bash
# Builds everything and runs every test through CTest.
#   scripts/test.sh [BUILD_DIR]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
"$ROOT/scripts/build.sh" "$BUILD"
ctest --test-dir "$BUILD" --output-on-failure -j "${PYX_JOBS:-$(nproc)}"
