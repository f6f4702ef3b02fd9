#!/usr/bin/env bash
# Takes the guide's pictures of the Linux window and of a port's extra windows: dorvan
# under Xvfb with a demo stage loaded (the prompt answered, "KADEME 1" pressed), port 2
# switched on and one box marked; then port 1's indicator right-clicked.
# Builds nothing: run `cmake --build --preset linux` first.
#   tools/screenshot-linux.sh [BUILD_DIR] [OUT] [DIALOG_OUT]
#   (defaults: build/linux, docs/window-linux.png, docs/dialog-linux.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build/linux}")
out=$(realpath -m "${2:-$root/docs/window-linux.png}")
dialogOut=$(realpath -m "${3:-$root/docs/dialog-linux.png}")

program=$build/src/app/qt/dorvan
for f in "$program" "$build/gen/fis_1.bmp" "$build/gen/fis_2.bmp"; do
  [ -f "$f" ] || { echo "missing $f: build the linux preset first" >&2; exit 1; }
done
for tool in xvfb-run xdotool import iconv; do
  command -v "$tool" >/dev/null || { echo "missing $tool: scripts/install-deps.sh bench installs it" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/gen/fis_1.bmp" "$build/gen/fis_2.bmp" "$work/"

# The Windows picture's demo stage, with repeat words and one time box that can never
# fire (port 9's end); port 2 starts three seconds from now, so that it is switched on
# when the picture is taken. Port 1 waters the garden again in the evening, and before
# sunset at the weekend: with no place set, the sun words are marked.
due=$(date -d '+3 seconds' '+%d.%m.%Y %H:%M:%S')
{
  printf '%s\n' "BAHÇE SULAMA" "HER GÜN" 06:30:00 "HER GÜN" 07:00:00
  printf '%s\n' "AKVARYUM IŞIĞI" ${due} "HER GÜN" 20:00:00
  printf '%s\n' "KOMBİ" "HAFTA İÇİ" 05:45:00 "HAFTA İÇİ" 09:15:00
  printf '%s\n' "SERA ISITICI" "HER GÜN" 22:00:00 "HER GÜN" 06:00:00
  printf '%s\n' "GİRİŞ LAMBASI" "HER GÜN" 18:30:00 "HER GÜN" 23:59:00
  printf '%s\n' "HAVALANDIRMA" "HAFTA SONU" 12:00:00 "HAFTA SONU" 12:30:00
  printf '%s\n' "ÇAMAŞIR MAKİNESİ" 11.12.2026 02:00:00 11.12.2026 04:00:00
  printf '\n\n\n\n\n'
  printf '%s\n' "DEPO POMPASI" "PAZARTESİ" 10:00:00 "PAZARTESİ" 10:05
  printf '%s\n' "ŞOFBEN" 31.12.2026 23:00:00 01.01.2027 01:00:00
  printf '%s\n' "PORT 01;HER GÜN;19:00:00;;+30 DK" "PORT 01;HAFTA SONU;BATIŞ-60;HAFTA SONU;BATIŞ-30"
} | sed 's/$/\r/' | iconv -f UTF-8 -t CP1254 >"$work/kademe1.txt"

mkdir -p "$(dirname "$out")" "$(dirname "$dialogOut")"
export program work out dialogOut QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  set -u
  cd "$work"
  "$program" >"$work/dorvan.log" 2>&1 &
  pid=$!
  trap "kill $pid 2>/dev/null" EXIT
  window() {  # the visible window with the caption whose width is in [$1, $2]
    local id w
    for _ in $(seq 300); do
      for id in $(xdotool search --onlyvisible --name "^${3:-KAVRUN 18F2550 MERVALTO}\$" 2>/dev/null); do
        w=$(xdotool getwindowgeometry --shell "$id" | sed -n "s/^WIDTH=//p")
        if [ "$w" -ge "$1" ] && [ "$w" -le "$2" ]; then echo "$id"; return 0; fi
      done
      sleep 0.1
    done
    cat "$work/dorvan.log" >&2
    return 1
  }
  prompt=$(window 1 600)
  xdotool windowfocus --sync "$prompt" key Return
  main=$(window 900 1100)
  # "KADEME 1": 0, 8640, 1695 x 495 twips, 15 twips to the pixel; its centre.
  xdotool mousemove --window "$main" 56 592 click 1
  sleep 4
  import -window "$main" "$out"
  # The indicator of port 1: 0, 1560, 495 x 495 twips; its centre.
  xdotool mousemove --window "$main" 16 120 click 3
  dialog=$(window 500 600 "PORT 01 — ek çizelge")
  sleep 1
  import -window "$dialog" "$dialogOut"'
echo "wrote $out and $dialogOut"
