#!/usr/bin/env bash
# Installs what building and testing DORVAN needs on Debian 12, only when something is missing.
# Usage: scripts/install-deps.sh [native|windows|all|bench]
set -euo pipefail
what=${1:-all}
root=$(cd "$(dirname "$0")/.." && pwd)

native_pkgs=(cmake g++ ninja-build python3 pkg-config libgtest-dev libgmock-dev libbenchmark-dev
             clang libclang-rt-14-dev
             qt6-base-dev libhidapi-dev libudev-dev fonts-dejavu-core fonts-dejavu-extra
             xvfb xauth imagemagick xdotool  # xdotool: the Qt tests find the real program's boxes
             dpkg-dev file  # the .deb (--target package): dpkg-shlibdeps, and file to find the binaries
             libmosquitto-dev libboost-dev nlohmann-json3-dev  # MQTT, the HTTP server (Beast), JSON
             libssl-dev)  # TLS
# The -posix compilers have std::thread. OpenSSL and libmosquitto for Windows are made from
# Debian's source packages (scripts/windows-libs.sh: apt-get source needs dpkg-dev; OpenSSL's
# build, make and perl); Beast and Asio are header-only, taken from Debian's libboost-dev as
# nlohmann/json is.
windows_pkgs=(cmake ninja-build python3 g++-mingw-w64-i686 g++-mingw-w64-x86-64
              g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
              dpkg-dev make perl nlohmann-json3-dev libboost-dev
              wine wine32 wine64 xvfb xauth imagemagick locales)

# The package tests: lintian, hardening-check (devscripts), and xdotool to find the
# unpacked program's windows.
package_test_pkgs=(lintian devscripts xdotool)
# The network tests: a real broker and its clients, and the web page in a real browser
# (driven by npm's playwright-core, below).
net_test_pkgs=(mosquitto mosquitto-clients python3-paho-mqtt chromium openssl)
# The sun: a precise ephemeris to hold DORVAN's sunrises against, and libfaketime to
# move the real program's clock to an evening.
sun_test_pkgs=(python3-ephem faketime)
# The benchmarks and tools/screenshot.sh (fonts-liberation: the window's face under Wine).
bench_pkgs=(xdotool x11-utils fonts-liberation)

case "$what" in
  bench) pkgs=("${native_pkgs[@]}" "${windows_pkgs[@]}" "${bench_pkgs[@]}") ;;
  native) pkgs=("${native_pkgs[@]}") ;;
  windows) pkgs=("${windows_pkgs[@]}") ;;
  all) pkgs=("${native_pkgs[@]}" "${windows_pkgs[@]}" "${package_test_pkgs[@]}" "${net_test_pkgs[@]}"
            "${sun_test_pkgs[@]}") ;;
  *) echo "usage: $0 [native|windows|all|bench]" >&2; exit 2 ;;
esac

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# Node.js and npm for the browser tests: Debian's, unless the machine has them already.
if [[ "$what" = all || "$what" = bench ]] && ! command -v npm >/dev/null; then
  for p in nodejs npm; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
fi

need_i386=0
for p in "${missing[@]}"; do [ "$p" = wine32 ] && need_i386=1; done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]}; run this script as root" >&2
    exit 1
  fi
  if [ $need_i386 = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # wine32 is an i386 package
  fixed=()
  for p in "${missing[@]}"; do
    if [ "$p" = wine32 ]; then fixed+=("wine32:i386"); else fixed+=("$p"); fi
  done
  apt-get install -y -qq --no-install-recommends "${fixed[@]}" >/dev/null
fi

# The Wine tests run under both a Turkish and an English locale.
if [[ "$what" != native ]] && ! locale -a 2>/dev/null | grep -qi '^tr_TR.utf8$'; then
  if [ "$(id -u)" -eq 0 ]; then
    sed -i 's/^# *tr_TR.UTF-8 UTF-8/tr_TR.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^tr_TR.UTF-8 UTF-8' /etc/locale.gen || echo 'tr_TR.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  fi
fi

# The browser tests drive Debian's chromium with playwright-core and check the page with
# axe-core; the benchmarks load the server with autocannon. All kept in the checkout's
# build/node (nothing here downloads a browser).
node_pkgs=()
case "$what" in
  all) node_pkgs=(playwright-core@1.57.0 axe-core@4.11.0) ;;
  bench) node_pkgs=(playwright-core@1.57.0 axe-core@4.11.0 autocannon@8.0.0) ;;
esac
for p in "${node_pkgs[@]}"; do
  if [ ! -f "$root/build/node/node_modules/${p%@*}/package.json" ]; then
    npm install --prefix "$root/build/node" --no-audit --no-fund --silent "${node_pkgs[@]}"
    break
  fi
done

# OpenSSL and libmosquitto for the Windows builds, made once in build/deps.
if [[ "$what" != native ]]; then
  "$root/scripts/windows-libs.sh"
fi
