#!/usr/bin/env bash
# Builds everything and runs every test: the core's and the Linux window's tests
# natively and under AddressSanitizer + UndefinedBehaviorSanitizer, the board
# library's threads under ThreadSanitizer, the fuzz targets of the stage-file reader
# and the codec, and the Windows program (32- and 64-bit) under Wine; where 32-bit
# programs cannot run, the 32-bit build is built and checked without running it.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${DORVAN_JOBS:-2}

scripts/install-deps.sh all

build_preset() {
  echo "== $1"
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$jobs"
}

test_preset() {
  ctest --preset "$1" -j 1
}

run_preset() {
  build_preset "$1"
  test_preset "$1"
}

run_preset linux
run_preset linux-asan
# Qt's own libraries are not built for ThreadSanitizer: this one covers the board library's threads.
run_preset linux-tsan
# The fuzz targets: a short CTest run over their seeds and past failures, then a minute each.
run_preset linux-fuzz
scripts/fuzz.sh "${DORVAN_FUZZ_SECONDS:-60}"
# The Windows part. Each build's bitness test puts the other build's stand-in beside
# the program, so both are built before either is tested.
export DORVAN_WINE32
if scripts/wine32.sh; then DORVAN_WINE32=1; else DORVAN_WINE32=0; fi
build_preset win32
build_preset win64
echo "== win32: tests"
test_preset win32
echo "== win64: tests"
test_preset win64
