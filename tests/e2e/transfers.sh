#!/usr/bin/env bash
# The window's transfers end to end, the real executables under Xvfb against kelvantori-machine
# (one machine serving both directions, as in scripts/run):
#   1. kelvantori 'S=O1234.NC' COM1 END sends the program byte-exact, exits 0 by itself and
#      leaves kelvantori.INI as it was;
#   2. in the window started without items, F2 then N receives the two programs the machine
#      punches into two files.
# Usage: tests/e2e/transfers.sh BIN_DIR SAMPLES_DIR SCREENSHOT_DIR
set -euo pipefail
bin=$1
samples=$2
shots=$3
mkdir -p "$shots"

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x700x24" "$0" "$@"
fi

work=$(mktemp -d /tmp/kelvantori-e2e-transfers-XXXXXX)
machine=""
app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  [ -n "$machine" ] && kill "$machine" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/machine.log" ] && tail -n 20 "$work/machine.log" >&2
  [ -f "$work/app.log" ] && tail -n 20 "$work/app.log" >&2
  exit 1
}

mkdir -p "$work/home" "$work/data" "$work/store"
cp "$samples/O1234.NC" "$work/data/"
# A 7-bit line: the port adds the parity, so what the machine records is the program's text.
"$bin/kelvantori-machine" --code 7bit --start dc1 --start-repeat 200 --baud 19200 --format 7E1 \
  --store "$work/store" --raw "$work/raw.bin" --punch-on-request "$samples/TAPE.NC" \
  --delay 300 --link "$work/ttyNC" >"$work/device" 2>"$work/machine.log" &
machine=$!
for _ in $(seq 100); do
  [ -s "$work/device" ] && break
  sleep 0.05
done
[ -s "$work/device" ] || fail "kelvantori-machine did not start"

printf '[Drives]\nD=%s\n[Ports]\nCOM1=%s\n' "$work/data" "$work/ttyNC" >"$work/home/Host.ini"
printf '[Setting]\r\nPort=COM1\r\nSpeed=19200,7,E,1\r\nDirPath=D:\r\n' >"$work/home/kelvantori.INI"
cp "$work/home/kelvantori.INI" "$work/ini.before"
export KELVANTORI_HOME="$work/home"
# One running copy per user lives in the runtime folder: a window of the user's own must not
# count as this test's.
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"

echo "== 1. kelvantori 'S=O1234.NC' COM1 END"
"$bin/kelvantori" 'S=O1234.NC' COM1 END >"$work/app.log" 2>&1 &
app=$!
status=""
for _ in $(seq 600); do
  if ! kill -0 "$app" 2>/dev/null; then
    wait "$app" && status=0 || status=$?
    break
  fi
  sleep 0.1
done
app=""
[ -n "$status" ] || fail "the window did not close by itself after the send"
[ "$status" = 0 ] || fail "exit status $status"
# The start line feed, the program's lines without the file's own "%" lines, the end "\n%".
{ printf '\n'; grep -v '^%' "$samples/O1234.NC" | tr -d '\r'; printf '\n%%'; } >"$work/expected.bin"
cmp "$work/expected.bin" "$work/raw.bin" || fail "the bytes on the line differ from the program"
cmp "$work/ini.before" "$work/home/kelvantori.INI" || fail "kelvantori.INI changed"
grep -q "O1234" <(iconv -f CP932 -t UTF-8 "$work/home/kelvantori.log") ||
  fail "no log line for the send"
echo "   sent byte-exact ($(wc -c <"$work/raw.bin") bytes), exit 0, kelvantori.INI unchanged"

echo "== 2. F2, N in the window"
"$bin/kelvantori" >"$work/app.log" 2>&1 &
app=$!
sleep 3
xdotool mousemove 200 200
xdotool key F2
sleep 0.5
import -window root "$shots/naming-choice.png"
xdotool key n
for _ in $(seq 300); do
  [ -f "$work/data/O2001_001.NC" ] && [ -f "$work/data/O2002_002.NC" ] && break
  sleep 0.1
done
sleep 0.5
import -window root "$shots/received.png"
[ -f "$work/data/O2001_001.NC" ] || fail "O2001_001.NC was not received"
[ -f "$work/data/O2002_002.NC" ] || fail "O2002_002.NC was not received"
head -n 1 "$work/data/O2001_001.NC" | grep -q '^O2001' || fail "O2001_001.NC holds something else"
head -n 1 "$work/data/O2002_002.NC" | grep -q '^O2002' || fail "O2002_002.NC holds something else"
tr -d '\r' <"$work/data/O2002_002.NC" | grep -qx 'M30' || fail "O2002_002.NC is not whole"
# F10 closes the window once the receive has saved its data and the idle display is back.
for _ in $(seq 30); do
  kill -0 "$app" 2>/dev/null || break
  xdotool key F10
  sleep 1
done
kill -0 "$app" 2>/dev/null && fail "F10 did not close the window"
app=""
echo "   two programs received into two files; screenshots in $shots"
