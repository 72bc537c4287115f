#!/bin/sh
# marbolt --help, --version and mistakes: the real binary, with no display
# to open a window on. Help and version go to standard output with exit 0;
# a mistake prints what is wrong and the usage to standard error, exit 2.
. "$(dirname "$0")/headless.sh"
version=$2

out=$("$marbolt" --help 2>err.txt); rc=$?
[ $rc -eq 0 ] || fail "--help: exit $rc ($(cat err.txt))"
[ ! -s err.txt ] || fail "--help wrote to standard error: $(cat err.txt)"
for want in '使い方:' 'オプション:' '--check <FILE>' '--stats <FILE>' '--code <ISO|EIA|NONE>' '--compare' '--keep-n' \
            '--history' '--program <O1234>' '--show <VERSION>' '--version' '~/.config/marbolt/'; do
    echo "$out" | grep -qF -- "$want" || fail "--help lacks '$want':
$out"
done
echo "$out" | grep -q -- '-platform' && fail "--help shows Qt's own options"

out=$("$marbolt" -h 2>&1); rc=$?
[ $rc -eq 0 ] && echo "$out" | grep -qF -- '--check <FILE>' || fail "-h: exit $rc ($out)"

out=$("$marbolt" --version 2>&1); rc=$?
[ $rc -eq 0 ] || fail "--version: exit $rc ($out)"
[ "$out" = "marbolt $version" ] || fail "--version printed '$out', want 'marbolt $version'"

"$marbolt" --bogus a.nc >out.txt 2>err.txt; rc=$?
[ $rc -eq 2 ] || fail "--bogus: exit $rc, want 2"
[ ! -s out.txt ] || fail "--bogus wrote to standard output: $(cat out.txt)"
grep -q "bogus" err.txt || fail "--bogus: the message does not name it: $(cat err.txt)"
grep -qF "marbolt --check FILE" err.txt || fail "--bogus: no usage: $(cat err.txt)"

for wrong in "--code ISO a.nc" "--compare a.nc" "--check" "--check a.nc --compare b.nc c.nc" "--program O1" \
             "--history --program X1" "--history --from 2026-02-30"; do
    # shellcheck disable=SC2086
    "$marbolt" $wrong >/dev/null 2>err.txt; rc=$?
    [ $rc -eq 2 ] || fail "'$wrong': exit $rc, want 2"
    grep -qF "使い方:" err.txt || fail "'$wrong': no usage: $(cat err.txt)"
done
# No transfer recorded yet: the history says so, exit 1, nothing on
# standard output. (Its contents are tested in history_tests.)
cp "$marbolt" ./marbolt
./marbolt --history >out.txt 2>err.txt; rc=$?
[ $rc -eq 1 ] || fail "--history without a history: exit $rc, want 1 ($(cat err.txt))"
[ ! -s out.txt ] || fail "--history without a history printed: $(cat out.txt)"
grep -qF "marbolt-history.sqlite はまだありません" err.txt || fail "--history without a history: $(cat err.txt)"
echo "command line: all cases pass"
