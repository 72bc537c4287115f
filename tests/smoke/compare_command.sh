#!/bin/sh
# marbolt --compare: the real binary, with no display to open a window on.
# Exit 0 for the same program, 1 with differences, 2 for a file that
# cannot be read or wrong arguments.
. "$(dirname "$0")/headless.sh"

printf '%%\r\nO1\r\nG0 X0.\r\nG1 X10. F100.\r\nG1 Y10.\r\nG1 X0.\r\nM30\r\n%%\r\n' > left.nc
# Renumbered, reformatted, lower case: the same program.
printf 'o1\nn10 g00 x0.000\nn20 g01 x10. f100.0 (cut)\nn30 g1 y10.\nn40 g1 x0.\nm30\n' > same.nc
# One word changed, one block dropped.
printf 'O1\r\nG0 X0.\r\nG1 X10. F200.\r\nG1 Y10.\r\nM30\r\n' > right.nc

out=$("$marbolt" --compare left.nc same.nc 2>&1); rc=$?
[ $rc -eq 0 ] || fail "same program: exit $rc ($out)"
[ -z "$out" ] || fail "same program printed: $out"

out=$("$marbolt" --compare left.nc right.nc 2>&1); rc=$?
[ $rc -eq 1 ] || fail "differing: exit $rc, want 1"
want='4,3: changed
< G1 X10. F100.
> G1 X10. F200.
~ F100. → F200.
6,5: only-left
< G1 X0.'
[ "$out" = "$want" ] || fail "differing printed:
$out
want:
$want"

# With sequence numbers counted, every numbered block differs.
out=$("$marbolt" --compare left.nc same.nc --keep-n 2>&1); rc=$?
[ $rc -eq 1 ] || fail "--keep-n: exit $rc, want 1"

"$marbolt" --compare left.nc missing.nc >/dev/null 2>&1; rc=$?
[ $rc -eq 2 ] || fail "missing file: exit $rc, want 2"
"$marbolt" --compare left.nc >/dev/null 2>&1; rc=$?
[ $rc -eq 2 ] || fail "one file: exit $rc, want 2"
"$marbolt" --compare left.nc right.nc --bogus >/dev/null 2>&1; rc=$?
[ $rc -eq 2 ] || fail "unknown option: exit $rc, want 2"
echo "compare command: all cases pass"
