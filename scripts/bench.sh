#!/usr/bin/env bash
# Builds a release tree and runs the benchmark suite.
#   scripts/bench.sh [google-benchmark arguments...]
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build-bench"
PYX_SETUP_BENCH=1 "$ROOT/scripts/setup.sh"
PYX_BUILD_TYPE=Release "$ROOT/scripts/build.sh" "$BUILD" -DPYX_BUILD_BENCH=ON >/dev/null
for b in "$BUILD"/bench/bench_*; do
  [[ -x "$b" ]] || continue
  echo "== $(basename "$b")"
  "$b" "$@"
done
