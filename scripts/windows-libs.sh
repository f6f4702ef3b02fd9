#!/usr/bin/env bash
# The network library of the Windows builds, made from Debian 12's source package: a
# static libmosquitto (no TLS, no threads) for i686 and x86_64, in
# build/deps/mingw-<arch>/{include,lib} of this checkout, with LISANSLAR.txt: the licences
# of everything DORVAN.exe carries inside it (Boost's and nlohmann/json's headers come
# from Debian's -dev packages, built from their patched sources).
# Does nothing when they are there already. Called by scripts/install-deps.sh; needs the
# mingw-w64 -posix compilers, cmake, ninja and dpkg-source (dpkg-dev).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps=$root/build/deps
arches=(i686 x86_64)
# Changing how the libraries are built? Change this too, and they are built again.
recipe="mosquitto static no-tls no-threads, licences with boost; 3"

built() {
  local a
  for a in "${arches[@]}"; do
    [ "$(cat "$deps/mingw-$a/stamp" 2>/dev/null)" = "$recipe" ] || return 1
  done
}
built && exit 0

# The mirror this machine takes Debian 12 from (for the suite $1), else the default ($2).
mirror() {
  local uri
  uri=$({ cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
    awk -v s="$1" '$1 == "deb" { for (i = 2; i < NF; i++) if ($i ~ /^https?:\/\//) {
                                   if ($(i + 1) == s) print $i; break } }' | head -n 1)
  if [ -z "$uri" ]; then
    uri=$({ cat /etc/apt/sources.list.d/*.sources 2>/dev/null || true; } |
      awk -v RS= -v s="$1" '{
        uri = ""; hit = 0; off = 0
        n = split($0, line, "\n")
        for (i = 1; i <= n; i++) {
          if (line[i] ~ /^URIs:/) { split(line[i], f, " "); uri = f[2] }
          if (line[i] ~ /^Suites:/) { m = split(line[i], f, " "); for (j = 2; j <= m; j++) if (f[j] == s) hit = 1 }
          if (line[i] ~ /^Enabled: *no/) off = 1
        }
        if (hit && !off && uri ~ /^https?:\/\//) print uri
      }' | head -n 1)
  fi
  echo "${uri:-$2}"
}

src=$deps/src
rm -rf "$src"
mkdir -p "$src/lists/partial" "$src/cache/archives/partial"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
cat > "$src/sources.list" <<EOF
deb-src [signed-by=$keyring] $(mirror bookworm http://deb.debian.org/debian) bookworm main
deb-src [signed-by=$keyring] $(mirror bookworm-security http://deb.debian.org/debian-security) bookworm-security main
EOF
# A sources list, package lists and cache of its own: the machine's apt settings stay as they are.
apt_private=(-o "Dir::Etc::SourceList=$src/sources.list" -o Dir::Etc::SourceParts=/dev/null
             -o "Dir::State::Lists=$src/lists" -o "Dir::Cache=$src/cache" -o APT::Sandbox::User=root)
echo "windows-libs: fetching the sources of mosquitto" >&2
apt-get "${apt_private[@]}" update -qq
(cd "$src" && apt-get "${apt_private[@]}" source -qq --only-source mosquitto >/dev/null)
rm -rf "$src/lists" "$src/cache"

mosquitto=$(find "$src" -maxdepth 1 -type d -name 'mosquitto-*' | head -n 1)
[ -n "$mosquitto" ] || { echo "windows-libs: the source package is missing" >&2; exit 1; }

# DORVAN.exe carries these libraries linked in, so its ZIP carries their licences: CR LF, for Notepad.
licences() {
  local v
  v=$(basename "$mosquitto")
  printf 'DORVAN.exe bu kitaplıkları içerir; lisansları aşağıdadır.\n\n'
  printf '== libmosquitto %s (Eclipse Public License 2.0 / Eclipse Distribution License 1.0) ==\n\n' "${v#mosquitto-}"
  cat "$mosquitto/LICENSE.txt" "$mosquitto/edl-v10" "$mosquitto/epl-v20"
  printf '\n== Boost (Beast, Asio and what they use; Boost Software License 1.0) ==\n\n'
  # The licence's own paragraph of Debian's copyright file, without its indent and dots.
  awk 'prev == "" && /^License: BSL-1.0$/ { on = 1; next } { prev = $0 } on && /^[^ ]/ { exit } on { sub(/^ /, ""); if ($0 == ".") $0 = ""; print }' \
    /usr/share/doc/libboost1.74-dev/copyright
  printf '\n== JSON for Modern C++, nlohmann/json (MIT) ==\n\n'
  cat /usr/share/doc/nlohmann-json3-dev/copyright
}

for a in "${arches[@]}"; do
  out=$deps/mingw-$a
  build=$src/build-mosquitto-$a
  echo "windows-libs: building $(basename "$mosquitto") for $a" >&2
  cmake -S "$mosquitto" -B "$build" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$a.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS=-fstack-protector-strong \
    -DWITH_TLS=OFF -DWITH_CJSON=OFF -DWITH_BROKER=OFF -DWITH_APPS=OFF -DWITH_CLIENTS=OFF \
    -DWITH_PLUGINS=OFF -DWITH_STATIC_LIBRARIES=ON -DWITH_THREADING=OFF -DDOCUMENTATION=OFF \
    -DWITH_LIB_CPP=OFF >/dev/null
  cmake --build "$build" --target libmosquitto_static -j "${DORVAN_JOBS:-2}" >/dev/null
  rm -rf "$out"
  mkdir -p "$out/include" "$out/lib"
  cp "$build/lib/libmosquitto_static.a" "$out/lib/"
  cp "$mosquitto/include/mosquitto.h" "$mosquitto/include/mqtt_protocol.h" "$out/include/"
  licences | sed 's/\r*$/\r/' > "$out/LISANSLAR.txt"
  echo "$recipe" > "$out/stamp"
  rm -rf "$build"
done
echo "windows-libs: done, in $deps" >&2
