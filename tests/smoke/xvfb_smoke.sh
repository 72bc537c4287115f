#!/bin/bash
# Starts the real program under Xvfb, drives it with real key presses
# (xdotool) and checks what it wrote to disk.
set -euo pipefail

BIN=$(readlink -f "$1")
. "$(dirname "$0")/../../tools-dev/xvfb.sh"
fail() { echo "FAIL: $*" >&2; exit 1; }

# The program keeps its settings file beside itself: run a copy.
cp "$BIN" "$WORK/marbolt"
printf 'o1000\ng01x10.\nm30\n' > "$WORK/part.nc"
# Two machines, the first active.
printf '[COMM]\r\nSPEED=4800\r\nSTOPBIT=2\r\nPORT=COM1\r\n[MARBOLT]\r\nMACHINE=1\r\n[MACHINES]\r\n%s\r\n%s\r\n' \
    $'MACHINE1=Fanuc\t4800\t2\tCOM1\t1\tISO\t0\t0\t0\t100\t0' \
    $'MACHINE2=Mazak\t19200\t1\ttcp://192.168.0.50:4001\t1\tISO\t0\t0\t0\t100\t0' > "$WORK/marbolt.ini"

startXvfb 91 140 1024x768x24 || fail "$XVFB_ERROR"

# Starts the program on part.nc, its output into the log $1, and waits for
# its window (WID) and the focus.
startProgram() {
    "$WORK/marbolt" "$WORK/part.nc" >"$1" 2>&1 &
    APID=$!
    WID=$(waitWindow 'part.nc - ' 100) || { cat "$1" >&2; fail "the window 'part.nc - マルボルト' did not appear"; }
    xdotool windowfocus --sync "$WID"
    sleep 0.3
}

# The pixels of the feed's colour in the right half of a screenshot.
feedPixels() {
    convert "$1" -crop 50%x100%+512+0 -fuzz 12% -fill black +opaque 'rgb(110,200,255)' \
        -fill white -opaque 'rgb(110,200,255)' -colorspace Gray -format '%[fx:mean*w*h]' info:
}

startProgram "$WORK/app.log"

# Replace G01 by G1 through the replace dialog: Ctrl+R, the two fields
# (typed in lower case), Tab to "すべて置換", then the completion box.
xdotool key --delay 40 ctrl+r
RID=$(waitWindow '^置換') || fail "the replace dialog did not appear"
# Captions exactly as the program sets them, nothing appended.
[ "$(xdotool getwindowname "$RID")" = "置換" ] || fail "replace dialog caption: $(xdotool getwindowname "$RID")"
[ "$(xdotool getwindowname "$WID")" = "part.nc - マルボルト" ] || fail "main caption: $(xdotool getwindowname "$WID")"
xdotool type --delay 40 'g01'
xdotool key --delay 40 Tab
xdotool type --delay 40 'g1'
xdotool key --delay 40 Tab Tab Tab space
IID=$(waitWindow '^情報') || fail "no completion box after replacing"
[ "$(xdotool getwindowname "$IID")" = "情報" ] || fail "information box caption: $(xdotool getwindowname "$IID")"
xdotool key --delay 40 Return
xdotool windowfocus --sync "$RID"
xdotool key --delay 40 Escape
for _ in $(seq 50); do [ -z "$(xdotool search --onlyvisible --name '^置換' 2>/dev/null)" ] && break; sleep 0.1; done
xdotool windowfocus --sync "$WID"
sleep 0.2

# Go to the end of the text, add a line, then paste the X11 selection (a
# program in lower case from another program) with the middle button below
# the text, where it goes in at the end; save with Ctrl+S.
xdotool key --delay 40 ctrl+End
xdotool type --delay 40 'G04X1.'
xdotool key --delay 40 Return
printf 'o2000\nm30\n' | xclip -selection primary
xdotool mousemove --window "$WID" 300 380 click 2
xdotool key --delay 40 ctrl+s
for _ in $(seq 50); do grep -q 'O2000' "$WORK/part.nc" && break; sleep 0.1; done
expected=$(printf 'O1000\r\nG1X10.\r\nM30\r\nG04X1.\r\nO2000\r\nM30\r\n')
[ "$(cat "$WORK/part.nc")" = "$expected" ] || fail "saved file: $(od -c "$WORK/part.nc" | head)"

# The check before sending, alone, from the 通信 menu: Alt+C opens it on
# its first item, 送信前チェック; the clean program gets the 情報 box.
xdotool key --delay 80 alt+c
sleep 0.3
xdotool key --delay 80 Return
CID=$(waitWindow '^情報') || fail "the check before sending showed no box"
xdotool windowfocus --sync "$CID"
xdotool key --delay 40 Return
for _ in $(seq 50); do [ -z "$(xdotool search --onlyvisible --name '^情報' 2>/dev/null)" ] && break; sleep 0.1; done
xdotool windowfocus --sync "$WID"
sleep 0.2

# Ctrl+Shift+N renumbers the caret's program through its dialog: 100
# typed over the start, Enter; saved. Ctrl+Z takes the whole renumbering
# back in one step; saved again.
xdotool key --delay 80 ctrl+Home
xdotool key --delay 80 ctrl+shift+n
NID=$(waitWindow '^番号の振り直し') || fail "the renumbering dialog did not appear"
xdotool windowfocus --sync "$NID"
xdotool type --delay 40 '100'
xdotool key --delay 40 Return
for _ in $(seq 50); do [ -z "$(xdotool search --onlyvisible --name '^番号の振り直し' 2>/dev/null)" ] && break; sleep 0.1; done
xdotool windowfocus --sync "$WID"
xdotool key --delay 80 ctrl+s
renumbered=$(printf 'O1000\r\nN100G1X10.\r\nN110M30\r\nN120G04X1.\r\nO2000\r\nM30\r\n')
for _ in $(seq 50); do grep -q 'N120' "$WORK/part.nc" && break; sleep 0.1; done
[ "$(cat "$WORK/part.nc")" = "$renumbered" ] || fail "renumbered file: $(od -c "$WORK/part.nc" | head)"
xdotool key --delay 80 ctrl+z
xdotool key --delay 80 ctrl+s
for _ in $(seq 50); do grep -q 'N120' "$WORK/part.nc" || break; sleep 0.1; done
[ "$(cat "$WORK/part.nc")" = "$expected" ] || fail "file after undoing the renumbering: $(od -c "$WORK/part.nc" | head)"

# Ctrl+Shift+B opens the backplot of the caret's program (O1000 after
# Ctrl+Home): its feed to X10. is drawn, in the feed's colour, in the dock
# beside the editor. The screenshot stays beside the binary to be looked at.
xdotool key --delay 80 ctrl+Home
xdotool key --delay 80 ctrl+shift+b
sleep 1
SHOT="$(dirname "$BIN")/smoke-backplot.png"
import -window "$WID" "$SHOT"
drawn=$(feedPixels "$SHOT")
awk -v n="$drawn" 'BEGIN { exit !(n >= 20) }' || fail "the backplot shows no feed move (pixels: $drawn)"
xdotool key --delay 80 ctrl+shift+b
sleep 0.3

# Ctrl+2 chooses the second machine and types nothing into the program:
# the exit below then asks no question about unsaved changes.
xdotool key --delay 80 ctrl+2
sleep 0.2

# Leave through the File menu: Alt+F, then X (終了(&X)).
xdotool key --delay 80 alt+f
sleep 0.3
xdotool key --delay 80 x
for _ in $(seq 100); do kill -0 "$APID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$APID" 2>/dev/null && fail "the program did not end after File > Exit"
APID=""

INI="$WORK/marbolt.ini"
[ -f "$INI" ] || fail "no settings file written at close"
head -c 8 "$INI" | grep -q '^\[COMM\]' || fail "settings file does not start with [COMM]"
grep -q "^FILE1=$WORK/part.nc"$'\r'"\$" "$INI" || fail "FILE1 is not the opened file: $(cat "$INI")"
grep -q "^DIR=$WORK"$'\r'"\$" "$INI" || fail "DIR is not the file's folder"
grep -q "^\[MARBOLT\]"$'\r'"\$" "$INI" || fail "no [MARBOLT] section after [RECENT]"
grep -q "^CHECK=1"$'\r'"\$" "$INI" || fail "CHECK is not on by default"
grep -q "^MACHINE=2"$'\r'"\$" "$INI" || fail "Ctrl+2 did not choose the second machine: $(cat "$INI")"
grep -q "^PORT=tcp://192.168.0.50:4001"$'\r'"\$" "$INI" || fail "[COMM] does not hold the active machine's port"
[ "$(cat "$WORK/part.nc")" = "$expected" ] || fail "the program changed after Ctrl+2"

# The backplot drawn by OpenGL (Mesa's llvmpipe here: the program would
# take QPainter on its own) shows the same feed, and the program ends
# cleanly with the GPU's surface in its window.
# (Under the sanitizers Mesa's driver and D-Bus leave blocks of their own
# at exit: leaks are not looked for in this run, memory errors are.)
MARBOLT_BACKPLOT=gpu ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" startProgram "$WORK/gpu.log"
xdotool key --delay 80 ctrl+Home
xdotool key --delay 80 ctrl+shift+b
sleep 1.5
grep -q 'backplot: drawn by OpenGL' "$WORK/gpu.log" || fail "MARBOLT_BACKPLOT=gpu did not draw by OpenGL: $(cat "$WORK/gpu.log")"
SHOT="$(dirname "$BIN")/smoke-backplot-gpu.png"
import -window "$WID" "$SHOT"
drawn=$(feedPixels "$SHOT")
awk -v n="$drawn" 'BEGIN { exit !(n >= 20) }' || fail "the GPU's backplot shows no feed move (pixels: $drawn)"
xdotool key --delay 80 alt+f
sleep 0.3
xdotool key --delay 80 x
for _ in $(seq 100); do kill -0 "$APID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$APID" 2>/dev/null && fail "the program with the GPU's backplot did not end after File > Exit"
wait "$APID" || fail "the program with the GPU's backplot ended with status $?: $(cat "$WORK/gpu.log")"
APID=""
echo "smoke test passed"
