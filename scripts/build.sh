#!/usr/bin/env bash
# Configures and builds one build tree.
#   scripts/build.sh [BUILD_DIR] [extra cmake arguments...]
# Environment: PYX_WERROR=1 turns warnings into errors, PYX_SANITIZE=1 builds
# with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build}"; shift || true
"$ROOT/scripts/setup.sh"
ARGS=(-G Ninja -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE="${PYX_BUILD_TYPE:-RelWithDebInfo}")
onoff() { [[ "$1" == "1" ]] && echo ON || echo OFF; }
ARGS+=(-DPYX_WERROR="$(onoff "${PYX_WERROR:-0}")")
ARGS+=(-DPYX_SANITIZE="$(onoff "${PYX_SANITIZE:-0}")")
# The window backend is built when SDL2 is present unless PYX_WITH_SDL2 says 0 or 1.
case "${PYX_WITH_SDL2:-}" in 1) ARGS+=(-DPYX_WITH_SDL2=ON) ;; 0) ARGS+=(-DPYX_WITH_SDL2=OFF) ;; *) ARGS+=(-DPYX_WITH_SDL2=AUTO) ;; esac
cmake "${ARGS[@]}" "$@" >/dev/null
cmake --build "$BUILD" -j "${PYX_JOBS:-$(nproc)}"
