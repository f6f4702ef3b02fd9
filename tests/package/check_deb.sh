#!/usr/bin/env bash
# The Debian package as a user gets it, one check a run:
#   check_deb.sh fields|files|apt|postinst|run|offscreen|hardening|lintian dorvan_<version>_amd64.deb VERSION
# fields   the control fields, Depends computed from the binary
# files    the file list
# apt      apt resolves its dependencies (simulated; nothing is installed)
# postinst the udev rules are reloaded and hidraw re-triggered where udev runs,
#          and the installation goes on where it does not
# run      unpacked into a scratch root, dorvan-launcher starts dorvan under Xvfb,
#          which shows its prompt and, after Return, its window
# offscreen  as the systemd unit runs it: no display, stage 3, a board in front of hidapi
#          ($DORVAN_FAKE_HIDAPI); the resumed and the due port are switched and journaled,
#          and SIGTERM ends it with the journal's last line
# hardening the unpacked dorvan is built as Debian builds its own
# lintian  no errors, no warnings and no hardening tag
set -euo pipefail
check=$1
deb=$(realpath "$2")
version=$3
caption="KAVRUN 18F2550 MERVALTO"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

fields() {
  f() { dpkg-deb -f "$deb" "$1"; }
  [ "$(f Package)" = dorvan ] || fail "Package is $(f Package)"
  [ "$(f Version)" = "$version" ] || fail "Version is $(f Version), not $version"
  [ "$(f Architecture)" = amd64 ] || fail "Architecture is $(f Architecture)"
  # dpkg-shlibdeps writes versioned dependencies on the libraries the binary links.
  local depends
  depends=$(f Depends)
  for lib in libc6 libqt6widgets6 libhidapi-hidraw0; do
    [[ $depends =~ (^|, )$lib\ \(\>=\ [^\)]+\) ]] || fail "Depends lacks a computed $lib: $depends"
  done
}

files() {
  local listed
  listed=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
  for path in /usr/bin/dorvan /usr/bin/dorvan-launcher /usr/share/dorvan/fis_1.bmp /usr/share/dorvan/fis_2.bmp \
      /usr/share/applications/dorvan.desktop /usr/share/icons/hicolor/48x48/apps/dorvan.png \
      /usr/lib/udev/rules.d/70-dorvan.rules /usr/share/man/man1/dorvan.1.gz /usr/share/man/man1/dorvan-launcher.1.gz \
      /usr/share/doc/dorvan/copyright /usr/share/doc/dorvan/changelog.gz /usr/lib/systemd/user/dorvan@.service; do
    grep -qx "$path" <<<"$listed" || fail "the package lacks $path"
  done
  dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/udev/rules.d/70-dorvan.rules | grep -q 'GROUP="plugdev", MODE="0660"' ||
    fail "the udev rule does not give the board to plugdev"
}

apt() {
  local out
  out=$(apt-get install --simulate --no-install-recommends "$deb" 2>&1) || { echo "$out" >&2; fail "apt-get cannot install it"; }
  grep -q "^Inst dorvan " <<<"$out" || { echo "$out" >&2; fail "apt-get would not install dorvan"; }
}

postinst() {
  dpkg-deb -e "$deb" "$scratch/control"
  mkdir "$scratch/bin"
  # udev running: a stand-in udevadm records what it is asked.
  printf '#!/bin/sh\necho "$*" >>"%s/calls"\n' "$scratch" >"$scratch/bin/udevadm"
  chmod +x "$scratch/bin/udevadm"
  PATH=$scratch/bin:$PATH sh "$scratch/control/postinst" configure || fail "postinst failed with udev running"
  local want
  want=$(printf 'control --reload-rules\ntrigger --subsystem-match=hidraw --action=change')
  [ "$(cat "$scratch/calls")" = "$want" ] || fail "postinst called udevadm with: $(cat "$scratch/calls")"
  # No udev daemon, as in a container: udevadm fails, the installation does not.
  printf '#!/bin/sh\nexit 1\n' >"$scratch/bin/udevadm"
  local said
  said=$(PATH=$scratch/bin:$PATH sh "$scratch/control/postinst" configure) || fail "postinst failed without udev"
  [[ $said == *udev* ]] || fail "postinst said nothing without udev"
}

run() {
  dpkg -x "$deb" "$scratch/root"
  export DORVAN_HOME=$scratch/stages root=$scratch/root caption QT_QPA_PLATFORM=xcb
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    set -u
    "$root/usr/bin/dorvan-launcher" >"$DORVAN_HOME.log" 2>&1 &
    pid=$!
    # The visible window with the caption and a width at least this, within 30 s.
    wait_window() {
      local id w
      for _ in $(seq 300); do
        for id in $(xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null); do
          w=$(xdotool getwindowgeometry --shell "$id" | sed -n "s/^WIDTH=//p")
          if [ "$w" -ge "$1" ] && [ "$w" -le "$2" ]; then echo "$id"; return 0; fi
        done
        kill -0 $pid 2>/dev/null || return 1
        sleep 0.1
      done
      return 1
    }
    rc=0
    # The prompt is a small message box; the window is 987 pixels wide.
    if ! prompt=$(wait_window 1 600); then
      echo "FAIL: no prompt titled \"$caption\"" >&2; rc=1
    else
      xdotool windowfocus --sync "$prompt" key Return 2>/dev/null || xdotool key --window "$prompt" Return
      wait_window 900 1100 >/dev/null || { echo "FAIL: no window after the prompt" >&2; rc=1; }
    fi
    kill $pid 2>/dev/null
    wait $pid 2>/dev/null
    [ $rc = 0 ] || cat "$DORVAN_HOME.log" >&2
    exit $rc'
  for picture in fis_1.bmp fis_2.bmp; do
    [ -f "$DORVAN_HOME/$picture" ] || fail "dorvan-launcher did not put $picture into DORVAN_HOME"
  done
}

hardening() {
  dpkg -x "$deb" "$scratch/root"
  local report
  report=$(hardening-check "$scratch/root/usr/bin/dorvan" 2>&1) || true
  echo "$report"
  for property in "Position Independent Executable" "Stack protected" "Fortify Source functions" \
      "Read-only relocations" "Immediate binding"; do
    grep -q "^ $property: yes" <<<"$report" || fail "hardening-check: $property is not yes"
  done
}

offscreen() {
  [ -f "${DORVAN_FAKE_HIDAPI:-}" ] || fail "no fake hidapi library (DORVAN_FAKE_HIDAPI)"
  local shim
  shim=$(realpath "$DORVAN_FAKE_HIDAPI")
  dpkg -x "$deb" "$scratch/root"
  local home=$scratch/stages board=$scratch/board since due
  mkdir "$home"
  since=$(($(date +%s) - 3600)) due=$(($(date +%s) + 4))
  # Fifty lines: port 1 on since an hour ago, port 3 due in four seconds.
  { printf '1\r\n%s\r\n%s\r\n\r\n\r\n' "$(date -d "@$since" +%d.%m.%Y)" "$(date -d "@$since" +%T)"
    printf '\r\n%.0s' {1..5}
    printf '3\r\n%s\r\n%s\r\n\r\n\r\n' "$(date -d "@$due" +%d.%m.%Y)" "$(date -d "@$due" +%T)"
    printf '\r\n%.0s' {1..35}; } >"$home/kademe3.txt"
  touch "$board"
  DORVAN_HOME=$home DORVAN_FAKE_BOARD=$board QT_QPA_PLATFORM=offscreen LD_PRELOAD=$shim \
    "$scratch/root/usr/bin/dorvan-launcher" 3 >"$scratch/log" 2>&1 &
  local pid=$! rc=0
  for _ in $(seq 150); do
    grep -q 'PORT 03 AÇIK (çizelge)' "$home/gunluk.txt" 2>/dev/null && break
    sleep 0.1
  done
  kill -TERM $pid
  timeout 10 tail --pid=$pid -f /dev/null || fail "dorvan did not end on SIGTERM"
  wait $pid || rc=$?
  [ $rc = 0 ] || { cat "$scratch/log" >&2; fail "dorvan ended with $rc after SIGTERM"; }
  local events want
  events=$(sed -E 's/^[0-9]{2}\.[0-9]{2}\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2} //' "$home/gunluk.txt")
  want="DORVAN AÇILDI, KADEME 3
KADEME 3 YÜKLENDİ
PORT 01 AÇIK (açılış: $(date -d "@$since" '+%d.%m.%Y %T'))
KART TAKILDI
PORT 01 AÇIK (yeniden)
PORT 03 AÇIK (çizelge)
DORVAN KAPANDI"
  [ "$events" = "$want" ] || { cat "$scratch/log" >&2; fail "the journal holds:
$(cat "$home/gunluk.txt")"; }
  grep -qx '00 03 01 00 00 00 00 00 00' "$board.log" || fail "port 3's on report did not reach the board"
}

lintian() {
  local out
  out=$(command lintian --display-info --fail-on error,warning "$deb") || { echo "$out" >&2; fail "lintian found errors or warnings"; }
  if grep -q 'hardening-' <<<"$out"; then
    echo "$out" >&2
    fail "lintian found a hardening tag"
  fi
}

case "$check" in
  fields | files | apt | postinst | run | offscreen | hardening | lintian) "$check" ;;
  *) echo "usage: $0 fields|files|apt|postinst|run|offscreen|hardening|lintian DEB VERSION" >&2; exit 2 ;;
esac
echo "$check: ok"
