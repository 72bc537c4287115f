#!/bin/bash
# Remakes the metainfo's screenshot (data/screenshots/main-window.png):
# the real program under Xvfb, 800x560, with a part program of Japanese
# comments open and the caret at its start.
#
#   tools-dev/screenshot.sh MARBOLT_BINARY [OUT.png]
set -euo pipefail
BIN=$(readlink -f "$1")
OUT=$(readlink -f "${2:-$(dirname "$0")/../data/screenshots/main-window.png}")
. "$(dirname "$0")/xvfb.sh"

# A copy of its own, so that the settings file is a fresh one in WORK,
# with two machines to show in the box.
cp "$BIN" "$WORK/marbolt"
printf '[COMM]\r\nSPEED=9600\r\n[MARBOLT]\r\nMACHINE=2\r\n[MACHINES]\r\n%s\r\n%s\r\n' \
    $'MACHINE1=旋盤 1号機\t4800\t2\tCOM1\t1\tISO\t0\t0\t0\t100\t0' \
    $'MACHINE2=マシニング 2号機\t9600\t2\tCOM1\t1\tISO\t0\t0\t0\t100\t0' | iconv -f UTF-8 -t CP932 > "$WORK/marbolt.ini"
iconv -f UTF-8 -t CP932 > "$WORK/flange.nc" <<'NC'
%
O1000(ﾌﾗﾝｼﾞ 荒加工)
(T1 φ50 フェイスミル)
G90 G17 G40 G49 G80
T1 M6
G0 G54 X-30. Y0 S1200 M3
G43 H1 Z50. M8
Z2.
G1 Z-1.5 F300.
X130. F600.
G0 Z50.
M5 M9
(T2 φ10 ドリル)
T2 M6
G0 G54 X20. Y20. S2000 M3
G43 H2 Z50. M8
G81 G98 X20. Y20. Z-15. R2. F150.
X80.
X80. Y60.
X20.
G80 M9
G91 G28 Z0
M30
%
NC
sed -i 's/$/\r/' "$WORK/flange.nc"

startXvfb 191 240 1024x768x24 || { echo "$XVFB_ERROR" >&2; exit 1; }
"$WORK/marbolt" "$WORK/flange.nc" >"$WORK/app.log" 2>&1 &
APID=$!
WID=$(waitWindow 'flange.nc - ' 100) || { cat "$WORK/app.log" >&2; echo "the window did not appear" >&2; exit 1; }
xdotool windowsize --sync "$WID" 800 560
xdotool windowfocus --sync "$WID" key ctrl+Home
sleep 0.5
import -window "$WID" "$OUT"
echo "wrote $OUT"
