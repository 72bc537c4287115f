# Sourced by the command-line smoke tests: the real binary ($1) in a
# scratch folder, with no display a window could open on (a command that
# needs one would abort), and fail() to end with a message.
set -u
marbolt=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

fail() { echo "FAIL: $*"; exit 1; }
