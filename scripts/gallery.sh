#!/usr/bin/env bash
# Builds the libraries and runs the gallery.
#   scripts/gallery.sh [--window] [OUTPUT_DIR]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build"
for a in "$@"; do [[ "$a" == "--window" ]] && export PYX_WITH_SDL2=1; done
"$ROOT/scripts/build.sh" "$BUILD" >/dev/null
cd "$ROOT" && exec "$BUILD/examples/gallery" "$@"
