# Sourced by the scripts that run programs in a real X window (the smoke
# test, bench/peers.sh, tools-dev/screenshot.sh): a private Xvfb server and
# a scratch folder.
#
# Sourcing makes the scratch folder WORK and sets an exit trap that ends
# the program under test (its process id in APID), the server and WORK.
#
#   startXvfb FIRST LAST GEOMETRY   takes the first free display in
#                                   FIRST..LAST, starts Xvfb on it, waits
#                                   until a client gets through, exports
#                                   DISPLAY; sets XPID. 1 on failure, with
#                                   the reason in XVFB_ERROR.
#   stopXvfb                        ends that server and waits for it, so
#                                   the next run can take the display.
#   waitWindow NAME [TENTHS]        waits up to TENTHS tenths of a second
#                                   (50) for a visible window whose name
#                                   matches NAME; prints its id, 1 if none.
XPID=""
XVFB_ERROR=""
APID=""
WORK=$(mktemp -d)
xvfbCleanup() {
    [ -n "$APID" ] && kill "$APID" 2>/dev/null || true
    stopXvfb
    rm -rf "$WORK"
}
trap xvfbCleanup EXIT

startXvfb() {
    local disp="" d
    for d in $(seq "$1" "$2"); do
        if [ ! -e "/tmp/.X11-unix/X$d" ] && [ ! -e "/tmp/.X$d-lock" ]; then disp=":$d"; break; fi
    done
    [ -n "$disp" ] || { XVFB_ERROR="no free display in :$1..:$2"; return 1; }
    Xvfb "$disp" -screen 0 "$3" -nolisten tcp -noreset >/dev/null 2>&1 &
    XPID=$!
    export DISPLAY="$disp"
    # The socket can exist before the server takes connections: wait until
    # a client gets through. (-noreset: without it the server resets when
    # that client leaves, and refuses the program while it does.)
    for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
    xdotool getdisplaygeometry >/dev/null 2>&1 || { XVFB_ERROR="Xvfb on $disp did not come up"; return 1; }
    # Our own server, not one that was still going away on the same display.
    kill -0 "$XPID" 2>/dev/null || { XVFB_ERROR="Xvfb on $disp did not start"; return 1; }
    return 0
}

stopXvfb() {
    [ -n "$XPID" ] && { kill "$XPID" 2>/dev/null; wait "$XPID" 2>/dev/null; } || true
}

waitWindow() {
    local id=""
    for _ in $(seq "${2:-50}"); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
