#!/bin/bash
# The real program killed with SIGKILL after typing: started again, it
# offers the edits back, and Enter (復元する) and Ctrl+S give the typed
# text byte for byte. Then a copy whose file changed on disk meanwhile
# comes back untitled, and discarding it at the close leaves nothing.
set -euo pipefail

BIN=$(readlink -f "$1")
. "$(dirname "$0")/../../tools-dev/xvfb.sh"
fail() { echo "FAIL: $*" >&2; [ -f "$WORK/app.log" ] && cat "$WORK/app.log" >&2; exit 1; }

cp "$BIN" "$WORK/marbolt"
# A copy after one second without a key.
printf '[MARBOLT]\r\nAUTOSAVE=1\r\n' > "$WORK/marbolt.ini"
# O1000 with a Shift-JIS comment (ＮＣ加工).
printf 'O1000(\x82\x6d\x82\x62\x89\xc1\x8d\x48)\r\nG01X10.\r\nM30\r\n' > "$WORK/part.nc"
cp "$WORK/part.nc" "$WORK/original.nc"

startXvfb 141 190 1024x768x24 || fail "$XVFB_ERROR"

startProgram() {
    "$WORK/marbolt" "$@" >"$WORK/app.log" 2>&1 &
    APID=$!
}

copies() { ls "$WORK/recovery/"*.nc 2>/dev/null | wc -l; }

# Waits for the program's one recovery copy, then kills it with SIGKILL.
killAfterTheCopy() {
    for _ in $(seq 100); do [ "$(copies)" = 1 ] && break; sleep 0.1; done
    [ "$(copies)" = 1 ] || fail "no recovery copy after $1"
    sleep 0.5
    kill -9 "$APID"
    wait "$APID" 2>/dev/null || true
    APID=""
}

# 1. Type at the end of the program, wait for the copy, kill -9.
startProgram "$WORK/part.nc"
WID=$(waitWindow 'part.nc - ' 100) || fail "the window did not appear"
xdotool windowfocus --sync "$WID"
sleep 0.3
xdotool key --delay 40 ctrl+End
xdotool type --delay 40 'g04x1.'
xdotool key --delay 40 Return
xdotool type --delay 40 'm99'
killAfterTheCopy typing
cmp -s "$WORK/part.nc" "$WORK/original.nc" || fail "the file changed without a save"

# 2. Start again without a file: the question comes; Enter restores.
startProgram
QID=$(waitWindow '^情報' 100) || fail "no recovery question after the restart"
[ -n "${MARBOLT_SCREENSHOT:-}" ] && import -window root "$MARBOLT_SCREENSHOT"
xdotool windowfocus --sync "$QID"
xdotool key --delay 40 Return
WID=$(waitWindow 'part.nc - ' 100) || fail "the restored document does not carry its file name"
xdotool windowfocus --sync "$WID"
sleep 0.3
xdotool key --delay 40 ctrl+s
expected="$WORK/expected.nc"
{ cat "$WORK/original.nc"; printf 'G04X1.\r\nM99'; } > "$expected"
for _ in $(seq 50); do cmp -s "$WORK/part.nc" "$expected" && break; sleep 0.1; done
cmp "$WORK/part.nc" "$expected" || fail "the restored and saved text is not the typed text: $(od -c "$WORK/part.nc" | tail -3)"
for _ in $(seq 50); do [ "$(copies)" = 0 ] && break; sleep 0.1; done
[ "$(copies)" = 0 ] || fail "the copy stayed after the save"

# 3. Type again, kill -9, change the file on disk, start again.
xdotool key --delay 40 ctrl+End
xdotool type --delay 40 'x'
killAfterTheCopy "the second typing"
printf 'O1000\r\nM30\r\n' > "$WORK/part.nc"
startProgram "$WORK/part.nc"
QID=$(waitWindow '^情報' 100) || fail "no recovery question for the changed file"
xdotool windowfocus --sync "$QID"
xdotool key --delay 40 Return
# Restored untitled: the window's caption is the program's name alone.
WID=$(waitWindow '^マルボルト$' 100) || fail "a copy of a changed file came back under its name"
[ "$(cat "$WORK/part.nc")" = "$(printf 'O1000\r\nM30\r\n')" ] || fail "the changed file was touched"

# 4. Leave, answering "いいえ" (discard) to the save question: no copy is left.
xdotool windowfocus --sync "$WID"
xdotool key --delay 80 alt+f
sleep 0.3
xdotool key --delay 80 x
SID=$(waitWindow '^情報' 50) || fail "no save question at the close"
xdotool windowfocus --sync "$SID"
xdotool key --delay 40 alt+n
for _ in $(seq 100); do kill -0 "$APID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$APID" 2>/dev/null && fail "the program did not end after discarding"
APID=""
[ "$(copies)" = 0 ] || fail "a discarded document left its copy: $(ls "$WORK/recovery")"
[ -z "$(ls "$WORK/recovery/"*.lock 2>/dev/null)" ] || fail "a lock file stayed after the close"
echo "recovery smoke test passed"
