#!/usr/bin/env bash
# The network libraries of the Windows builds, made from Debian 12's source packages with
# Debian's patches: OpenSSL's libssl and libcrypto (static, only what DORVAN uses) and a
# static libmosquitto with TLS on them (no threads), for i686 and x86_64, in
# build/deps/mingw-<arch>/{include,lib} of this checkout, with LISANSLAR.txt: the licences
# of everything DORVAN.exe carries inside it (Boost's and nlohmann/json's headers come
# from Debian's -dev packages, built from their patched sources).
# Does nothing when they are there already. OpenSSL, the slow one, is also kept in a cache
# outside the checkout (DORVAN_CACHE, else ~/.cache/dorvan) by its source version, and
# taken from there when it is the same; without the cache it is simply built.
# Called by scripts/install-deps.sh; needs the mingw-w64 -posix compilers, cmake, ninja,
# make, perl and dpkg-source (dpkg-dev).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps=$root/build/deps
arches=(i686 x86_64)
# Changing how the libraries are built? Change this too, and they are built again.
recipe="openssl static, mosquitto static tls no-threads, licences with boost; 4"
# What DORVAN never uses of OpenSSL stays out: it is linked into DORVAN.exe. no-autoload-config:
# no openssl.cnf is looked for in a folder of the computer that others may write to.
openssl_options=(no-shared no-tests no-module no-dso no-legacy no-engine no-autoload-config no-comp
                 no-srp no-psk no-ssl3 no-dtls no-srtp no-idea no-mdc2 no-rc5 no-camellia no-seed
                 no-aria no-sm2 no-sm3 no-sm4 no-whirlpool no-gost no-cms no-ts no-ct no-cmp no-async
                 no-capieng)
cache=${DORVAN_CACHE:-${XDG_CACHE_HOME:-${HOME:-/nonexistent}/.cache}/dorvan}

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
# A cache that cannot be written is no cache: OpenSSL is built inside the checkout then.
mkdir -p "$cache" 2>/dev/null && [ -w "$cache" ] || cache=$src/openssl
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
cat > "$src/sources.list" <<EOF
deb-src [signed-by=$keyring] $(mirror bookworm http://deb.debian.org/debian) bookworm main
deb-src [signed-by=$keyring] $(mirror bookworm-security http://deb.debian.org/debian-security) bookworm-security main
EOF
# A sources list, package lists and cache of its own: the machine's apt settings stay as they are.
apt_private=(-o "Dir::Etc::SourceList=$src/sources.list" -o Dir::Etc::SourceParts=/dev/null
             -o "Dir::State::Lists=$src/lists" -o "Dir::Cache=$src/cache" -o APT::Sandbox::User=root)
apt-get "${apt_private[@]}" update -qq

# The source versions of a package the lists know, newest first.
versions() {
  apt-cache "${apt_private[@]}" showsrc "$1" | awk '/^Version:/ { print $2 }' | sort -u -V -r
}

# Package $1's source $2, unpacked with Debian's patches applied. A mirror may list a
# version whose files it does not hold (yet): then false, and the one before it is tried.
fetch_version() {
  echo "windows-libs: fetching the source of $1 $2" >&2
  (cd "$src" && apt-get "${apt_private[@]}" source -qq --only-source "$1=$2" >/dev/null 2>&1) && return 0
  echo "windows-libs: $1 $2 could not be fetched" >&2
  return 1
}

fetch() {
  local v
  for v in $(versions "$1"); do fetch_version "$1" "$v" && return 0; done
  echo "windows-libs: no source of $1 could be fetched" >&2
  return 1
}

key() { # the cache's name for OpenSSL $1 (Debian's version) for $2 (arch), built as recipe says
  echo "openssl-$1-$2-$(printf '%s ' "$recipe" "${openssl_options[@]}" | sha256sum | cut -c1-12)"
}

cached() {
  local a
  for a in "${arches[@]}"; do [ -f "$cache/$(key "$1" "$a")/lib/libcrypto.a" ] || return 1; done
}

# OpenSSL: the newest version the mirror holds, from the cache when it has it.
openssl_version=
for v in $(versions openssl); do
  if cached "$v" || fetch_version openssl "$v"; then openssl_version=$v; break; fi
done
[ -n "$openssl_version" ] || { echo "windows-libs: no source of openssl could be fetched" >&2; exit 1; }
fetch mosquitto
rm -rf "$src/lists" "$src/cache"

mosquitto=$(find "$src" -maxdepth 1 -type d -name 'mosquitto-*' | head -n 1)
openssl=$(find "$src" -maxdepth 1 -type d -name 'openssl-*' | head -n 1)
[ -n "$mosquitto" ] || { echo "windows-libs: a source package is missing" >&2; exit 1; }

# OpenSSL's libraries only: no programs, tests or documents. Into the cache, whole or not at all.
build_openssl() {
  local a=$1 into=$cache/$(key "$openssl_version" "$1") build=$src/build-openssl-$1 target
  [ -f "$into/lib/libcrypto.a" ] && return 0
  # Debian's pic.patch makes the 32-bit x86 assembly ELF's alone: the i686 build is in C.
  if [ "$a" = x86_64 ]; then target=(mingw64); else target=(mingw no-asm); fi
  echo "windows-libs: building openssl $openssl_version for $a" >&2
  rm -rf "$build" "$into.partial"
  mkdir -p "$build" "$into.partial/lib" "$into.partial/include"
  # Its compiler's warnings are its own: shown only when the build fails.
  if ! (cd "$build" && "$openssl/Configure" "${target[@]}" "${openssl_options[@]}" CC="$a-w64-mingw32-gcc-posix" \
          AR="$a-w64-mingw32-ar" RANLIB="$a-w64-mingw32-ranlib" RC="$a-w64-mingw32-windres" &&
        make -j "${DORVAN_JOBS:-2}" build_libs) > "$build.log" 2>&1; then
    tail -n 40 "$build.log" >&2
    echo "windows-libs: openssl's build failed; its log: $build.log" >&2
    exit 1
  fi
  cp -r "$openssl/include/openssl" "$into.partial/include/"
  cp "$build"/include/openssl/*.h "$into.partial/include/openssl/"
  cp "$build/libssl.a" "$build/libcrypto.a" "$into.partial/lib/"
  cp "$openssl/LICENSE.txt" "$into.partial/"
  rm -rf "$build" "$into"
  mv "$into.partial" "$into"
}

# DORVAN.exe carries these libraries linked in, so its ZIP carries their licences: CR LF, for Notepad.
licences() {
  local v
  v=$(basename "$mosquitto")
  printf 'DORVAN.exe bu kitaplıkları içerir; lisansları aşağıdadır.\n\n'
  printf '== OpenSSL %s (Apache License 2.0) ==\n\n' "$openssl_version"
  cat "$ossl/LICENSE.txt"
  printf '\n'
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
  build_openssl "$a"
  ossl=$cache/$(key "$openssl_version" "$a")
  echo "windows-libs: building $(basename "$mosquitto") for $a" >&2
  cmake -S "$mosquitto" -B "$build" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$a.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS=-fstack-protector-strong \
    -DWITH_TLS=ON -DWITH_TLS_PSK=OFF -DOPENSSL_INCLUDE_DIR="$ossl/include" \
    -DLIB_EAY="$ossl/lib/libcrypto.a" -DSSL_EAY="$ossl/lib/libssl.a" \
    -DWITH_CJSON=OFF -DWITH_BROKER=OFF -DWITH_APPS=OFF -DWITH_CLIENTS=OFF \
    -DWITH_PLUGINS=OFF -DWITH_STATIC_LIBRARIES=ON -DWITH_THREADING=OFF -DDOCUMENTATION=OFF \
    -DWITH_LIB_CPP=OFF >/dev/null
  cmake --build "$build" --target libmosquitto_static -j "${DORVAN_JOBS:-2}" >/dev/null
  rm -rf "$out"
  mkdir -p "$out/include" "$out/lib"
  cp "$build/lib/libmosquitto_static.a" "$ossl/lib/libssl.a" "$ossl/lib/libcrypto.a" "$out/lib/"
  cp -r "$ossl/include/openssl" "$out/include/"
  cp "$mosquitto/include/mosquitto.h" "$mosquitto/include/mqtt_protocol.h" "$out/include/"
  licences | sed 's/\r*$/\r/' > "$out/LISANSLAR.txt"
  echo "$recipe" > "$out/stamp"
  rm -rf "$build"
done
echo "windows-libs: done, in $deps" >&2
