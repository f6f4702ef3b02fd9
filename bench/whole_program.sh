#!/usr/bin/env bash
# Whole-program cost of DORVAN left idle, side by side with a baseline: a minimal
# window with one label updated by a 100 ms timer, on the same toolkit.
#
#   bench/whole_program.sh [linux|wine|all] [seconds per run] [rounds]
#
# For each program, alternating, it records the time from process start to the
# start-up prompt being shown, then (prompt dismissed) CPU time used, timer
# wake-ups per second (context switches of every thread) and peak resident memory
# over the idle period. Figures are medians over the rounds; ratios are DORVAN over
# the baseline. Under Wine the wineserver's CPU time is counted with the program's,
# and only the ratios mean much.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
which=${1:-all}
seconds=${2:-60}
rounds=${3:-2}
tick=$(getconf CLK_TCK)

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

scripts/install-deps.sh bench >/dev/null

now_ns() { date +%s%N; }

# utime + stime of a process in clock ticks
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }

switches() {
  local total=0 f
  for f in /proc/"$1"/task/*/status; do
    total=$((total + $(awk '/^(voluntary|nonvoluntary)_ctxt_switches/ {s += $2} END {print s + 0}' "$f" 2>/dev/null)))
  done
  echo "$total"
}

peak_kb() { awk '/^VmHWM/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }

wait_window() {  # title, timeout in s -> window id
  local deadline=$(( $(date +%s) + $2 )) id
  while [ "$(date +%s)" -lt "$deadline" ]; do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.005
  done
  return 1
}

# the wineserver of this run's prefix, not another one running on the machine
own_wineserver() {
  local p
  for p in $(pgrep -f 'wineserver' || true); do
    if tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "$p"
      return 0
    fi
  done
}

find_pid() {  # pattern
  local p
  for _ in $(seq 200); do
    p=$(pgrep -n -f "$1" || true)
    [ -n "$p" ] && { echo "$p"; return 0; }
    sleep 0.01
  done
  return 1
}

# one run: name, title, pid pattern, command printing a further pid to count or "", command...
measure() {
  local name=$1 title=$2 pattern=$3 extra=$4
  shift 4
  local work
  work=$(mktemp -d)
  cp "$root"/build/linux/gen/fis_1.bmp "$root"/build/linux/gen/fis_2.bmp "$work"/ 2>/dev/null || true
  local start
  start=$(now_ns)
  (cd "$work" && exec "$@") >/dev/null 2>&1 &
  local launcher=$!
  local prompt
  prompt=$(wait_window "$title" 60) || { echo "$name: no prompt" >&2; kill "$launcher"; return 1; }
  local shown
  shown=$(now_ns)
  local pid
  pid=$(find_pid "$pattern")
  xdotool windowfocus --sync "$prompt" key Return 2>/dev/null || xdotool key --window "$prompt" Return
  sleep 2
  local xpid=""
  [ -n "$extra" ] && xpid=$("$extra")
  local c0 s0 x0=0
  c0=$(cpu_ticks "$pid"); s0=$(switches "$pid")
  [ -n "$xpid" ] && x0=$(cpu_ticks "$xpid")
  sleep "$seconds"
  local c1 s1 x1=0 peak
  c1=$(cpu_ticks "$pid"); s1=$(switches "$pid"); peak=$(peak_kb "$pid")
  [ -n "$xpid" ] && x1=$(cpu_ticks "$xpid")
  kill "$pid" "$launcher" 2>/dev/null || true
  wait "$launcher" 2>/dev/null || true
  rm -rf "$work"
  local cpu_ms=$(( (c1 - c0 + x1 - x0) * 1000 / tick ))
  local wakeups
  wakeups=$(awk -v a="$s0" -v b="$s1" -v s="$seconds" 'BEGIN {printf "%.1f", (b - a) / s}')
  local startup_ms=$(( (shown - start) / 1000000 ))
  echo "$name $cpu_ms $wakeups $peak $startup_ms"
}

median() { sort -n | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

report() {  # results file, program, baseline
  local file=$1 a=$2 b=$3
  printf '%-28s %14s %14s %8s\n' "" "$a" "$b" "ratio"
  local col label
  for col in 2 3 4 5; do
    case $col in
      2) label="CPU time (ms / ${seconds} s)" ;;
      3) label="wake-ups per second" ;;
      4) label="peak resident memory (kB)" ;;
      5) label="start to prompt (ms)" ;;
    esac
    local va vb
    va=$(awk -v n="$a" -v c=$col '$1 == n {print $c}' "$file" | median)
    vb=$(awk -v n="$b" -v c=$col '$1 == n {print $c}' "$file" | median)
    printf '%-28s %14s %14s %8s\n' "$label" "$va" "$vb" "$(awk -v x="$va" -v y="$vb" 'BEGIN {if (y > 0) printf "%.2f", x / y; else print "-"}')"
  done
}

run_linux() {
  cmake --preset linux >/dev/null
  cmake --build --preset linux -j2 --target dorvan baseline_qt >/dev/null
  local out
  out=$(mktemp)
  for r in $(seq "$rounds"); do
    measure dorvan "KAVRUN 18F2550 MERVALTO" "build/linux/src/app/qt/dorvan" "" \
      env QT_QPA_PLATFORM=xcb "$root/build/linux/src/app/qt/dorvan" >>"$out"
    measure baseline_qt "BASELINE" "build/linux/bench/baseline_qt" "" \
      env QT_QPA_PLATFORM=xcb "$root/build/linux/bench/baseline_qt" >>"$out"
  done
  echo "Linux, Qt 6 ($rounds rounds of $seconds s, medians)"
  report "$out" dorvan baseline_qt
  rm -f "$out"
}

run_wine() {
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 -j2 --target DORVAN baseline_win32 mchid_standin >/dev/null
  local exe="$root/build/win32/src/app/win32/DORVAN.exe"
  local dll
  dll=$(find "$root/build/win32/tests/wine" -iname mcHID.dll | head -n 1)
  local dir
  dir=$(mktemp -d)
  cp "$exe" "$dll" "$dir"/
  cp "$root"/build/win32/bench/baseline_win32.exe "$dir"/
  export WINEPREFIX="$root/build/bench-wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -d "$WINEPREFIX" ]; then
    wineboot --init >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  fi
  wineserver -p 60  # keep one wineserver for the whole run, so no run pays for its start
  wine cmd /c exit >/dev/null 2>&1 || true
  local out
  out=$(mktemp)
  for r in $(seq "$rounds"); do
    # Wine shows the program as its Windows path: match this run's folder only
    local tag
    tag=$(basename "$dir" | sed 's/\./\\./g')
    measure DORVAN.exe "KAVRUN 18F2550 MERVALTO" "$tag.DORVAN\.exe" own_wineserver wine "$dir/DORVAN.exe" >>"$out"
    measure baseline_win32 "BASELINE" "$tag.baseline_win32\.exe" own_wineserver wine "$dir/baseline_win32.exe" >>"$out"
  done
  wineserver -k || true
  echo "Wine ($rounds rounds of $seconds s, medians; ratios only are meaningful)"
  report "$out" DORVAN.exe baseline_win32
  rm -rf "$out" "$dir"
  ls -l "$exe" | awk '{printf "DORVAN.exe: %d bytes\n", $5}'
}

echo "machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo), $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo)"
case "$which" in
  linux) run_linux ;;
  wine) run_wine ;;
  all) run_linux; run_wine ;;
  *) echo "usage: $0 [linux|wine|all] [seconds] [rounds]" >&2; exit 2 ;;
esac
