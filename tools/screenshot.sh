#!/usr/bin/env bash
# Takes the README's picture of the window: DORVAN.exe under Wine and Xvfb with the
# stand-in board library beside it and a demo stage loaded, cropped to the window. With
# the mode screenshot-dialog, the picture of port 1's extra windows' dialog instead.
# Builds nothing: run `cmake --build --preset win32` first. Wine shows the window's face
# as Liberation Sans (Debian's fonts-liberation), the width of the original; without it
# Wine falls back to a wider face that cuts the dates.
#   tools/screenshot.sh [BUILD_DIR] [OUT] [MODE]
#   (defaults: build/win32, docs/window.png, screenshot)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build/win32}")
out=$(realpath -m "${2:-$root/docs/window.png}")
mode=${3:-screenshot}

driver=$build/tests/wine/driver/dorvan_wine_driver.exe
exe=$build/src/app/win32/DORVAN.exe
dll=$build/tests/wine/standin/mcHID.dll
for f in "$driver" "$exe" "$dll"; do
  [ -f "$f" ] || { echo "missing $f: build the win32 preset first" >&2; exit 1; }
done

work=$(mktemp -d)
prefix=$work/prefix
cleanup() {
  bash "$root/tests/wine/wine_prefix.sh" remove "$prefix" || true
  rm -rf "$work"
}
trap cleanup EXIT

bash "$root/tests/wine/wine_prefix.sh" create "$prefix" >/dev/null
mkdir -p "$(dirname "$out")"

export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=tr_TR.UTF-8
export driver exe dll work out mode
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -u
  wine "$driver" "$mode" --exe "$exe" --dll "$dll" --ready "$work/ready" --done "$work/done" >"$work/driver.log" 2>&1 &
  pid=$!
  for _ in $(seq 600); do
    [ -s "$work/ready" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$work/ready" ]; then
    cat "$work/driver.log" >&2
    wineserver -k
    exit 1
  fi
  read -r x y w h <"$work/ready"
  import -window root "$work/screen.png"
  convert "$work/screen.png" -crop "${w}x${h}+${x}+${y}" +repage "$out"
  touch "$work/done"
  wait $pid || { cat "$work/driver.log" >&2; exit 1; }
  wineserver -w'
echo "wrote $out"
