#!/usr/bin/env bash
# Builds the Linux program and starts it. Stage files (kademe1.txt ... kademe7.txt)
# are read and written in the folder it runs in: DORVAN_HOME, or run/ in this checkout.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh native
cmake --preset linux >/dev/null
cmake --build --preset linux -j "${DORVAN_JOBS:-2}" --target dorvan

home=${DORVAN_HOME:-$root/run}
mkdir -p "$home"
# The plug-state pictures are looked for beside the stage files.
for f in fis_1.bmp fis_2.bmp; do
  [ -e "$home/$f" ] || cp "$root/build/linux/gen/$f" "$home/$f"
done
echo "DORVAN: stage files in $home"
cd "$home"
exec "$root/build/linux/src/app/qt/dorvan" "$@"
