#!/bin/bash
# Marbolt beside its peers on one large NC file, under Xvfb, in one run:
# the time until the file's text is shown, and Ctrl+End with its repaint,
# for Marbolt and, when they are installed, Geany and Mousepad. Not a test.
#
#   bench/peers.sh MARBOLT_BINARY [FILE]     (FILE: /tmp/marbolt-bench-100mb.nc,
#                                             made by bench_open or bench_editor)
#
# "Shown" is the moment the window's title names the file and a capture of
# the window shows text; Ctrl+End ends when a capture (xwd) differs from
# the one before the key. A capture takes some milliseconds, printed as
# the resolution: the figures compare the programs, the benchmarks in C++
# measure Marbolt finer.
set -euo pipefail

BIN=$(readlink -f "$1")
FILE=$(readlink -f "${2:-/tmp/marbolt-bench-100mb.nc}")
[ -f "$FILE" ] || { echo "no file $FILE (run bench_open once to make it)" >&2; exit 2; }
command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v xwd >/dev/null \
    && command -v convert >/dev/null || { echo "needs Xvfb, xdotool, xwd (x11-apps) and ImageMagick" >&2; exit 2; }
. "$(dirname "$0")/../tools-dev/xvfb.sh"

startXvfb 141 190 1280x1024x24 || { echo "$XVFB_ERROR" >&2; exit 2; }

now() { date +%s.%N; }
elapsed() { echo "$2 - $1" | bc; }
name=$(basename "$FILE")

# Runs one program on the file and prints its two figures.
measure() {
    local label="$1"; shift
    local start shown wid before after t0 t1
    # Each program keeps its own settings in the scratch folder.
    HOME="$WORK/home-$label" XDG_CONFIG_HOME="$WORK/config-$label" "$@" "$FILE" >/dev/null 2>&1 &
    APID=$!
    start=$(now)
    wid=""
    for _ in $(seq 6000); do
        wid=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -1 || true)
        [ -n "$wid" ] && break
        sleep 0.02
    done
    if [ -z "$wid" ]; then
        echo "$label: the window naming $name did not appear within 120 s"
        kill "$APID" 2>/dev/null || true; wait "$APID" 2>/dev/null || true; APID=""
        return
    fi
    # Text on screen: the capture is no longer one colour.
    for _ in $(seq 3000); do
        xwd -silent -id "$wid" > "$WORK/shot.xwd" 2>/dev/null || true
        [ "$(convert "xwd:$WORK/shot.xwd" -format '%k' info: 2>/dev/null || echo 1)" -gt 2 ] && break
        sleep 0.02
    done
    shown=$(elapsed "$start" "$(now)")
    sleep 1
    xdotool windowfocus --sync "$wid" 2>/dev/null || true
    sleep 0.5
    xwd -silent -id "$wid" > "$WORK/before.xwd"
    # The resolution: one capture and its comparison.
    t0=$(now)
    xwd -silent -id "$wid" > "$WORK/after.xwd"
    cmp -s "$WORK/before.xwd" "$WORK/after.xwd" || true
    local resolution
    resolution=$(elapsed "$t0" "$(now)")
    t0=$(now)
    xdotool key ctrl+End
    for _ in $(seq 3000); do
        xwd -silent -id "$wid" > "$WORK/after.xwd"
        cmp -s "$WORK/before.xwd" "$WORK/after.xwd" || break
    done
    t1=$(now)
    printf '%-10s text shown after %6.2f s; Ctrl+End with repaint %6.3f s (resolution %.3f s)\n' \
        "$label" "$shown" "$(elapsed "$t0" "$t1")" "$resolution"
    kill "$APID" 2>/dev/null || true
    wait "$APID" 2>/dev/null || true
    APID=""
}

printf 'file: %s (%s bytes)\n' "$FILE" "$(stat -c %s "$FILE")"
cp "$BIN" "$WORK/marbolt"  # it keeps its settings beside itself
measure Marbolt "$WORK/marbolt"
command -v geany >/dev/null && measure Geany geany --new-instance --no-session --no-plugins
# Told the code, Mousepad opens without asking it (NC files are Shift-JIS).
command -v mousepad >/dev/null && measure Mousepad mousepad --disable-server --encoding=SHIFT_JIS
exit 0
