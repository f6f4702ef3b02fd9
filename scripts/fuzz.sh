#!/usr/bin/env bash
# Builds the libFuzzer targets (preset linux-fuzz: clang, ASan + UBSan) and runs each
# for the given number of seconds, one after the other. Fails if any target crashes,
# breaks a property, leaks or times out; the input that did it is kept under
# build/linux-fuzz/fuzz-runs/<target>/artifacts/ and belongs in tests/fuzz/regressions/<target>/.
#
#   scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cmake --preset linux-fuzz >/dev/null
cmake --build --preset linux-fuzz -j2 --target stage_file_fuzzer cp1254_fuzzer settings_fuzzer

# name and the longest input worth trying: a stage file of fifty full lines is under
# 1.6 kB, so 4 kB leaves room for long lines and tails; the codec needs no more than 1 kB,
# and ag.txt is a few short lines.
targets=("stage_file 4096" "cp1254 1024" "settings 2048")
runs=build/linux-fuzz/fuzz-runs
failed=0
printf '%-12s %8s %14s %8s %10s %12s\n' target seconds inputs cov corpus peak_rss_mb
for entry in "${targets[@]}"; do
  read -r name max_len <<<"$entry"
  dir=$runs/$name
  mkdir -p "$dir/corpus" "$dir/artifacts"
  log=$dir/log.txt
  # New inputs go to the first folder; the committed seeds are only read.
  if ! "build/linux-fuzz/tests/fuzz/${name}_fuzzer" -max_total_time="$seconds" -max_len="$max_len" \
      -timeout=10 -rss_limit_mb=512 -print_final_stats=1 -artifact_prefix="$dir/artifacts/" \
      "$dir/corpus" "tests/fuzz/corpus/$name" >"$log" 2>&1; then
    failed=1
    echo "== $name FAILED; the end of $log:"
    tail -40 "$log"
  fi
  inputs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  peak=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log")
  cov=$(grep -Eo 'cov: [0-9]+' "$log" | tail -1 | cut -d' ' -f2)
  corpus=$(find "$dir/corpus" -type f | wc -l)
  printf '%-12s %8s %14s %8s %10s %12s\n' "$name" "$seconds" "${inputs:-?}" "${cov:-?}" "$corpus" "${peak:-?}"
done
exit $failed
