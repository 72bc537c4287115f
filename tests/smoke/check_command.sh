#!/bin/sh
# marbolt --check: the real binary, with no display to open a window on,
# over files in a scratch folder. Exit 0 with no finding, 1 with findings,
# 2 for a file that cannot be read or wrong arguments.
. "$(dirname "$0")/headless.sh"

printf 'O1 (ROUGH)\r\nG1 X1.\r\nM30\r\n%%\r\n' > good.nc
# "(荒)" in Shift-JIS, a ";" that EIA has no code for, and a "%" inside.
printf 'O2 (\215r)\r\nG1 X1.;\r\n%%\r\nM30\r\n%%\r\n' > bad.nc

out=$("$marbolt" --check good.nc 2>&1); rc=$?
[ $rc -eq 0 ] || fail "good.nc: exit $rc, want 0 ($out)"
[ -z "$out" ] || fail "good.nc printed: $out"

out=$("$marbolt" --check bad.nc --code ISO 2>&1); rc=$?
[ $rc -eq 1 ] || fail "bad.nc ISO: exit $rc, want 1 ($out)"
want='bad.nc:1:5: ISOコードで送れない文字: O2 (荒)
bad.nc:3:1: 途中の "%" (NC機はここで読み込みを終えます): %'
[ "$out" = "$want" ] || fail "bad.nc ISO printed:
$out
want:
$want"

out=$("$marbolt" --check bad.nc --code eia 2>&1); rc=$?
[ $rc -eq 1 ] || fail "bad.nc EIA: exit $rc, want 1"
echo "$out" | grep -q '^bad.nc:2:7: EIAコードにない文字' || fail "bad.nc EIA misses the ';': $out"

# The settings file's CODE stands when --code is not given.
printf '[COMM]\r\nCODE=EIA\r\n' > marbolt.ini
cp "$marbolt" ./marbolt
out=$(./marbolt --check bad.nc 2>&1); rc=$?
[ $rc -eq 1 ] || fail "settings EIA: exit $rc"
echo "$out" | grep -q '^bad.nc:2:7: EIAコードにない文字' || fail "the settings file's CODE was not used: $out"

"$marbolt" --check missing.nc >/dev/null 2>&1; rc=$?
[ $rc -eq 2 ] || fail "missing file: exit $rc, want 2"
"$marbolt" --check good.nc --code XYZ >/dev/null 2>&1; rc=$?
[ $rc -eq 2 ] || fail "unknown code: exit $rc, want 2"
"$marbolt" --check >/dev/null 2>&1; rc=$?
[ $rc -eq 2 ] || fail "no file: exit $rc, want 2"
echo "check command: all cases pass"
