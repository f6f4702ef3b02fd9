#!/usr/bin/env bash
# Says in one line whether this machine runs 32-bit Windows programs under Wine, and
# answers with the exit code: 0 when it does, 1 when it does not. Some machines run
# 64-bit programs only; there Wine's 32-bit loader fails with "Exec format error".
# DORVAN_WINE32=0 forces the answer no (and 1 yes), to try either path anywhere.
#   scripts/wine32.sh [--quiet]
set -u
case "${DORVAN_WINE32:-}" in
  0) runs=0 ;;
  1) runs=1 ;;
  *) if /usr/lib/wine/wine --version >/dev/null 2>&1; then runs=1; else runs=0; fi ;;
esac
if [ "${1:-}" != --quiet ]; then
  if [ $runs = 1 ]; then
    echo "32-bit programs run on this machine: the Windows tests run on the 32-bit build and again on the 64-bit build."
  else
    echo "32-bit programs cannot run on this machine: the Windows tests run on the 64-bit build; the 32-bit build is built and checked without running it."
  fi
fi
[ $runs = 1 ]
