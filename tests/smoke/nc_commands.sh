#!/bin/sh
# marbolt --stats and --restart: the real binary, with no display to open a window on,
# copied into a scratch folder so that it reads that folder's settings (none:
# a machining centre at 10,000 mm/min). Exit 0 with a report per program,
# 2 for a file that cannot be read.
. "$(dirname "$0")/headless.sh"
cp "$marbolt" ./marbolt || fail "cannot copy the program"

printf 'O1000(MAIN)\r\nG90 G54 G00 X0 Y0\r\n(FACE MILL D50)\r\nT1 M06\r\nG43 H1 Z10.\r\nS1000 M03\r\nG01 Z-1. F100\r\nX100.\r\nG00 Z10.\r\nT2 M06 (DRILL 8.5)\r\nG81 X10. Y10. Z-20. R2. F150\r\nG80\r\nM30\r\nO2000\r\nG20 G91 G01 X1. F10.\r\nM99\r\n' > part.nc

out=$(./marbolt --stats part.nc 2>&1); rc=$?
[ $rc -eq 0 ] || fail "--stats: exit $rc ($out)"
# 11 mm at F100, 100 mm at F100, 22 mm drilled at F150, 150 mm of rapids: 76 s.
want='O1000(MAIN)
ブロック: 11 (行 13)
加工時間 (見積り): 1:16
移動: 早送り 149.554 mm、切削 133.000 mm
範囲 X: 0.000 ～ 100.000 mm
     Y: 0.000 ～ 10.000 mm
     Z: -20.000 ～ 10.000 mm
送り: F100 ～ F150 (mm/min)
工具: 2 本
  T1  4行  FACE MILL D50
  T2  10行  DRILL 8.5

O2000
ブロック: 2 (行 3)
加工時間 (見積り): 0:06
移動: 早送り 0.0000 inch、切削 1.0000 inch
範囲 X: 0.0000 ～ 1.0000 inch
     Y: 0.0000 ～ 0.0000 inch
     Z: 0.0000 ～ 0.0000 inch
送り: F10 ～ F10 (inch/min)
工具: 0 本'
[ "$out" = "$want" ] || fail "--stats printed:
$out"

./marbolt --stats missing.nc >out.txt 2>err.txt; rc=$?
[ $rc -eq 2 ] || fail "--stats of a missing file: exit $rc, want 2"
grep -qF "missing.nc" err.txt || fail "--stats of a missing file: $(cat err.txt)"
for wrong in "--stats" "--stats a.nc b.nc" "--stats a.nc --check b.nc"; do
    # shellcheck disable=SC2086
    ./marbolt $wrong >/dev/null 2>err.txt; rc=$?
    [ $rc -eq 2 ] || fail "'$wrong': exit $rc, want 2"
done
# --restart: the O-line, the header, the rest; what to check on standard error.
printf 'O1\r\nT1 M06\r\nN10 G00 X1. Y2.\r\nN20 G01 Z-1. F100\r\nN30 X5.\r\nM30\r\nO2\r\nN30 M99\r\n' > restart.nc
./marbolt --restart restart.nc N30 >out.txt 2>err.txt; rc=$?
[ $rc -eq 0 ] || fail "--restart: exit $rc ($(cat err.txt))"
want=$(printf 'O1\r\n(RESTART AT N30)\r\nG40 G49 G80\r\nG21 G17 G90 G94\r\nG54\r\nT1 M06\r\nM05\r\nG00 X1. Y2.\r\nG00 Z50.\r\nG01 Z-1. F100\r\nN30 X5.\r\nM30\r\n')
[ "$(cat out.txt)" = "$want" ] || fail "--restart printed:
$(cat out.txt)"
grep -qF "主軸が止まっています" err.txt || fail "--restart: the stopped spindle is not said: $(cat err.txt)"
./marbolt --restart restart.nc 1020 >out.txt 2>err.txt; rc=$?
[ $rc -eq 1 ] || fail "--restart of a missing block: exit $rc, want 1"
[ ! -s out.txt ] || fail "--restart of a missing block printed: $(cat out.txt)"
for wrong in "--restart restart.nc" "--restart restart.nc X10" "--restart restart.nc N1 N2"; do
    # shellcheck disable=SC2086
    ./marbolt $wrong >/dev/null 2>err.txt; rc=$?
    [ $rc -eq 2 ] || fail "'$wrong': exit $rc, want 2"
done
echo "NC commands: all cases pass"
