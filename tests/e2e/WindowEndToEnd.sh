#!/usr/bin/env bash
# The real window program under a virtual X display, driven by keys as a user would: mark two
# files with Enter, copy them into a folder with C and the copy dialog, rename one with R, delete
# one with D, then check the files on disk. Screenshots of each state are saved so that anyone
# can look at what users see.
# Usage: WindowEndToEnd.sh KELVANTORI-EXECUTABLE SCREENSHOT-FOLDER
# Runs itself under xvfb-run when no display is set.
set -euo pipefail

exe=$1
shots=$2
if [ -z "${KELVANTORI_E2E_DISPLAY:-}" ]; then
  for tool in xvfb-run xdotool import; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "SKIP: $tool is not installed (scripts/deps installs it)"
      exit 77
    fi
  done
  export KELVANTORI_E2E_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x700x24" "$0" "$@"
fi

work=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/home" "$work/data/OUT" "$work/trash" "$shots"
printf 'O0001\r\nM30\r\n' >"$work/data/A1.NC"
printf 'O0002\r\nM30\r\n' >"$work/data/A2.NC"
printf 'O0003\r\nM30\r\n' >"$work/data/B3.NC"
cat >"$work/home/Host.ini" <<INI
[Drives]
D=$work/data
[Ports]
COM1=$work/no-such-device
INI
printf '[Setting]\r\nDirPath=D:\r\n' >"$work/home/kelvantori.INI"

fail() {
  echo "FAIL: $*" >&2
  import -window root "$shots/failure.png" 2>/dev/null || true
  exit 1
}
shot() { import -window root "$shots/$1.png"; }
key() {
  xdotool key --delay 60 "$@"
  sleep 0.6
}
typed() {
  xdotool type --delay 60 "$1"
  sleep 0.4
}

export KELVANTORI_HOME="$work/home" XDG_DATA_HOME="$work/trash" XDG_RUNTIME_DIR="$work"
"$exe" >"$work/window.log" 2>&1 &
pid=$!
window=""
for _ in $(seq 100); do
  window=$(xdotool search --name '^Kelvantori$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "the window did not appear"
# Keys reach the window under the pointer (there is no window manager).
xdotool mousemove 200 200
sleep 1
# COM1 is no device: the port message comes first.
shot 01-port-message
key Return
shot 02-list
# The list: OUT, A1.NC, A2.NC, B3.NC. Mark A1 and A2.
key Down Return Return
shot 03-marked
# C with marks: the copy dialog; its folder box takes the target.
key c
sleep 0.5
shot 04-copy-dialog
typed 'D:\OUT'
key Return
shot 05-copied
key Return
# R on B3.NC (the current line after the marks): the rename dialog.
key End
key Down
key r
shot 06-rename-dialog
key ctrl+a
typed 'B9.NC'
key Return
shot 07-renamed
# D on A1.NC: one confirmation, then the trash.
key Home End
key Up Up
key d
shot 08-delete-question
key Return
sleep 0.5
shot 09-deleted
# A second start brings this window to the front and ends at once, with status 0.
second_status=0
timeout 10 "$exe" >"$work/second.log" 2>&1 || second_status=$?
[ "$second_status" = 0 ] || fail "a second start ended with $second_status"
kill -0 "$pid" 2>/dev/null || fail "the first window ended when a second was started"
# The end of a session: SIGTERM closes the window as F10 does (the settings are saved).
kill -TERM "$pid"
for _ in $(seq 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
pid=""

check() { [ -e "$work/data/$1" ] || fail "$1 is missing"; }
absent() { [ ! -e "$work/data/$1" ] || fail "$1 should be gone"; }
check OUT/A1.NC
check OUT/A2.NC
check A2.NC
check B9.NC
absent B3.NC
absent A1.NC
[ -e "$work/trash/Trash/files/A1.NC" ] || fail "A1.NC is not in the trash"
cmp -s "$work/data/OUT/A1.NC" <(printf 'O0001\r\nM30\r\n') || fail "OUT/A1.NC differs"
grep -q 'DirPath=D:' "$work/home/kelvantori.INI" || fail "the settings were not saved at close"
echo "PASS: copied, renamed and deleted; screenshots in $shots"
