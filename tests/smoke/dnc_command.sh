#!/bin/sh
# marbolt-dnc as a service manager runs it: its options and exit codes,
# --list without opening a port, one server per settings file, SIGHUP
# reading the settings again, SIGTERM ending it with its state file gone.
. "$(dirname "$0")/headless.sh"
dnc=$marbolt

out=$("$dnc" --bogus 2>&1); rc=$?
[ $rc -eq 2 ] || fail "a wrong option: exit $rc"
echo "$out" | grep -q "使い方: marbolt-dnc" || fail "a wrong option does not show the usage: $out"
"$dnc" --help | grep -q "REQUESTDELAY" || fail "--help lacks the settings"
"$dnc" --settings missing.ini 2>err.txt; rc=$?
[ $rc -eq 1 ] || fail "missing settings: exit $rc"
grep -q '^<3>marbolt-dnc: 設定ファイル .*missing.ini がありません' err.txt || fail "missing settings: $(cat err.txt)"

# Two machines with folders (one on a port that is not there), one without.
mkdir in out
printf 'O1234\r\nM30\r\n' > out/O1234.nc
line='SPEED=9600\r\nSTOPBIT=2\r\nCODE=ISO\r\nSE=0\r\nHEAD%%=0\r\nTAPE=0\r\nFEED=0\r\nWAIT=0\r\nLOG=0\r\n'
printf "[COMM]\r\nPORT=/nonexistent/ttyX\r\n$line[MARBOLT]\r\nMACHINE=MC1\r\n[MACHINES]\r\n" > s.ini
for n in 1 2 3; do
    printf "$line" | sed "s/^/MACHINE$n./" >> s.ini
done
printf 'MACHINE1.NAME=MC1\r\nMACHINE1.PORT=/nonexistent/ttyX\r\nMACHINE1.RECEIVEDIR=%s/in\r\nMACHINE1.REQUESTS=9999;9998\r\n' "$dir" >> s.ini
printf 'MACHINE2.NAME=MC2\r\nMACHINE2.PORT=tcp://127.0.0.1:1\r\nMACHINE2.SENDDIRS=%s/out\r\nMACHINE2.FILENAME=P;6;.txt\r\n' "$dir" >> s.ini
printf 'MACHINE3.NAME=MC3\r\nMACHINE3.PORT=/dev/null\r\n' >> s.ini
# A machine's own values without an integer speed are named, not served.
printf 'MACHINE4.NAME=MC4\r\nMACHINE4.PORT=/dev/null\r\nMACHINE4.SPEED=fast\r\nMACHINE4.RECEIVEDIR=%s/in4\r\n' "$dir" >> s.ini

out=$("$dnc" --settings s.ini --list 2>list.err); rc=$?
[ $rc -eq 0 ] || fail "--list: exit $rc ($out)"
want="MC1	ポート /nonexistent/ttyX	受信 $dir/in	送信 -	ファイル名 O1234.nc	要求 O9999,O9998 (5 秒後)
MC2	ポート tcp://127.0.0.1:1	受信 -	送信 $dir/out	ファイル名 P001234.txt	要求 なし (5 秒後)"
[ "$out" = "$want" ] || fail "--list printed:
$out"
[ ! -e dnc-log ] || fail "--list wrote a log"
grep -q "^MC4: 'fast' は整数ではありません 設定ファイルの SPEED を確認して下さい$" list.err || fail "MC4 is not named: $(cat list.err)"
out=$("$dnc" --settings s.ini --list --machine MC9 2>&1); rc=$?
[ $rc -eq 1 ] || fail "--list of an unknown machine: exit $rc"
echo "$out" | grep -q "機械 MC9 は設定にありません" || fail "an unknown machine is not named: $out"

"$dnc" --settings s.ini 2>journal.txt &
pid=$!
# A failed check must not leave the server holding ctest's output open.
trap 'kill $pid 2>/dev/null; rm -rf "$dir"' EXIT
i=0
while [ ! -e marbolt-dnc.json ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
[ -e marbolt-dnc.json ] || fail "no state file: $(cat journal.txt)"
grep -q "\"pid\": $pid" marbolt-dnc.json || fail "the state file is not the server's"

out=$("$dnc" --settings s.ini 2>&1); rc=$?
[ $rc -eq 1 ] || fail "a second server on the same settings: exit $rc"
echo "$out" | grep -q "すでに動いています (pid $pid)" || fail "the second server does not say why: $out"

kill -HUP $pid
# The machines start again once the old ones have stopped: a loaded
# machine may take seconds.
i=0
while [ "$(grep -c 'MC1 /nonexistent/ttyX で受信待ちを始めます' journal.txt)" -lt 2 ] && [ $i -lt 200 ]; do
    sleep 0.1; i=$((i + 1))
done
grep -q "設定を読み直します" journal.txt || fail "SIGHUP was not taken: $(cat journal.txt)"
kill -0 $pid 2>/dev/null || fail "SIGHUP ended the server"
[ "$(grep -c 'MC1 /nonexistent/ttyX で受信待ちを始めます' journal.txt)" -eq 2 ] || fail "SIGHUP did not start MC1 again: $(cat journal.txt)"

kill -TERM $pid
wait $pid; rc=$?
[ $rc -eq 0 ] || fail "SIGTERM: exit $rc"
[ ! -e marbolt-dnc.json ] || fail "the state file is left after the server stopped"
grep -q '^<4>MC1 /nonexistent/ttyX を開けません (No such file or directory)。1 秒後にもう一度試します' journal.txt \
    || fail "the journal does not say why MC1 cannot be served: $(cat journal.txt)"
grep -q '^<4>MC2 tcp://127.0.0.1:1 を開けません' journal.txt || fail "MC2's failure is not on the journal"
grep -q 'MC3' journal.txt && fail "MC3, without folders, was served"
grep -q "	-	-	-	-	.*を開けません" dnc-log/MC1.log || fail "MC1's log lacks its failure: $(cat dnc-log/MC1.log)"
echo "marbolt-dnc: all checks pass"
