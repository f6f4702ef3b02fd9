#!/usr/bin/env bash
# The Wine prefix of one test run: "create DIR [DPI]" makes a fresh one (at that
# screen resolution, 96 by default), "remove DIR" ends its processes and deletes it.
# Only that prefix's wineserver is touched.
set -euo pipefail
action=$1
prefix=$2
export DORVAN_DPI=${3:-96}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# DORVAN_WINE_LOADER: "wine" (Debian's wrapper, which starts the 32-bit loader when
# wine32 is installed) for the 32-bit build, /usr/lib/wine/wine64 for the 64-bit one,
# which must then be the loader of every program the prefix starts.
export DORVAN_WINE_LOADER=${DORVAN_WINE_LOADER:-wine}
[ "$DORVAN_WINE_LOADER" = wine ] || export WINELOADER=$DORVAN_WINE_LOADER

case "$action" in
  create)
    if [ -d "$prefix" ]; then
      wineserver -k 2>/dev/null || true
      rm -rf "$prefix"
    fi
    mkdir -p "$prefix"
    # Inside one display from wineboot to the last wineserver -w: the server must
    # not outlive the X connection it was using.
    xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
      set -e
      "$DORVAN_WINE_LOADER" wineboot --init
      wineserver -w
      # No window manager under Xvfb: without this Wine waits on every closing window.
      "$DORVAN_WINE_LOADER" reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null
      # A crash ends the test instead of waiting on a dialog.
      "$DORVAN_WINE_LOADER" reg add "HKCU\\Software\\Wine\\WineDbg" /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
      if [ "$DORVAN_DPI" != 96 ]; then
        "$DORVAN_WINE_LOADER" reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$DORVAN_DPI" /f >/dev/null
      fi
      wineserver -w'
    echo "Wine prefix ready: $prefix"
    ;;
  remove)
    if [ -d "$prefix" ]; then
      wineserver -k 2>/dev/null || true
      rm -rf "$prefix"
    fi
    ;;
  *)
    echo "usage: $0 create|remove PREFIX" >&2
    exit 2
    ;;
esac
