#!/usr/bin/env bash
# Runs the Wine test driver on a display of its own in the given prefix, then waits
# for that prefix's Wine processes to end; the exit code is the driver's.
#   run_driver.sh PREFIX DRIVER.exe GROUP [driver options]
set -u
prefix=$1
shift
if [ ! -d "$prefix/drive_c" ]; then
  echo "no Wine prefix at $prefix (the wine.prefix.create test makes it)" >&2
  exit 1
fi
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# DORVAN_WINE_LOADER: the loader for the program's bitness (wine_prefix.sh says more).
loader=${DORVAN_WINE_LOADER:-wine}
[ "$loader" = wine ] || export WINELOADER=$loader
# DORVAN_SCREEN sets the display size, for a window that grows with the resolution.
exec xvfb-run -a -s "-screen 0 ${DORVAN_SCREEN:-1280x1024}x24" bash -c '
  loader=$1
  shift
  timeout -k 5 "${DORVAN_WINE_TIMEOUT:-150}" "$loader" "$@"
  rc=$?
  if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
    echo "the driver did not finish in time; ending the prefix'"'"'s processes" >&2
    wineserver -k
  fi
  wineserver -w
  [ $rc -eq 0 ] || echo "driver exit code $rc (display $DISPLAY)" >&2
  exit $rc' run_driver "$loader" "$@"
