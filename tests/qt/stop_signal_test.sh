#!/usr/bin/env bash
# The real program ended by a stop signal while a modal box is open, under a display
# (xvfb-run): it must end within 2 s, with exactly one "DORVAN KAPANDI", as the
# journal's last line.
#   stop_signal_test.sh PROGRAM
set -euo pipefail
program=$(realpath "$1")
caption="KAVRUN 18F2550 MERVALTO"
command -v xdotool >/dev/null || { echo "missing xdotool: scripts/install-deps.sh installs it" >&2; exit 1; }
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"' EXIT
failures=0

# signal | arguments | the box open when it comes
cases=(
  "TERM||the start-up prompt"
  "INT|3|the message that kademe3.txt is missing"
)
for row in "${cases[@]}"; do
  IFS='|' read -r signal args box <<<"$row"
  rm -f "$work"/*
  # shellcheck disable=SC2086  # the arguments are split on purpose
  (cd "$work" && exec env QT_QPA_PLATFORM=xcb "$program" $args >"$work/log" 2>&1) &
  pid=$!
  shown=
  for _ in $(seq 200); do
    if xdotool search --onlyvisible --name "^$caption\$" >/dev/null 2>&1; then shown=1; break; fi
    sleep 0.05
  done
  [ -n "$shown" ] || { echo "FAIL ($box): no box appeared"; cat "$work/log"; failures=$((failures + 1)); continue; }
  sleep 0.3
  kill -"$signal" "$pid"
  ended=
  for _ in $(seq 40); do
    kill -0 "$pid" 2>/dev/null || { ended=1; break; }
    sleep 0.05
  done
  if [ -z "$ended" ]; then
    echo "FAIL ($box): still running 2 s after SIG$signal"
    failures=$((failures + 1))
    kill -KILL "$pid" 2>/dev/null || true
  fi
  wait "$pid" || true
  pid=
  ends=$(grep -c 'DORVAN KAPANDI' "$work/gunluk.txt" || true)
  last=$(tail -n 1 "$work/gunluk.txt" | tr -d '\r')
  if [ "$ends" != 1 ] || [[ $last != *"DORVAN KAPANDI" ]]; then
    echo "FAIL ($box): SIG$signal left $ends \"DORVAN KAPANDI\" lines, the last line being: $last"
    cat "$work/gunluk.txt"
    failures=$((failures + 1))
  fi
done
[ "$failures" = 0 ] && echo "stop signals: ok"
exit "$failures"
