#!/usr/bin/env bash
# Builds everything and runs every test: the core's and the Linux window's tests
# natively and under AddressSanitizer + UndefinedBehaviorSanitizer, the board
# library's threads under ThreadSanitizer, the fuzz targets of the stage-file reader
# and the codec, and the Windows program (32- and 64-bit) under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${DORVAN_JOBS:-2}

scripts/install-deps.sh all

run_preset() {
  local preset=$1
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j 1
}

run_preset linux
run_preset linux-asan
# Qt's own libraries are not built for ThreadSanitizer: this one covers the board library's threads.
run_preset linux-tsan
# The fuzz targets: a short CTest run over their seeds and past failures, then a minute each.
run_preset linux-fuzz
scripts/fuzz.sh "${DORVAN_FUZZ_SECONDS:-60}"
run_preset win32
run_preset win64
