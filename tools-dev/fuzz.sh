#!/bin/sh
# Fuzzes every harness of tests/fuzz with libFuzzer (clang, with
# AddressSanitizer and UndefinedBehaviorSanitizer) for a number of seconds
# each, starting from the seed corpus. New inputs go to build-fuzz/corpus/,
# inputs that break a harness to build-fuzz/findings/; the script fails
# when there is any.
#   tools-dev/fuzz.sh [seconds-per-harness [harness...]]    (default 60, all)
set -e
seconds=${1:-60}
cd "$(dirname "$0")/.."
# The list the build declares; or the ones named.
harnesses=$(sed -n 's/^set(MARBOLT_FUZZ_HARNESSES \(.*\))$/\1/p' tests/fuzz/CMakeLists.txt)
[ $# -gt 1 ] && { shift; harnesses="$*"; }
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DMARBOLT_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=""
for h in $harnesses; do targets="$targets fuzz_$h"; done
cmake --build build-fuzz --target $targets
mkdir -p build-fuzz/findings
failed=0
for h in $harnesses; do
    mkdir -p "build-fuzz/corpus/$h"
    log="build-fuzz/fuzz_$h.log"
    if ! "build-fuzz/tests/fuzz/fuzz_$h" -max_total_time="$seconds" -print_final_stats=1 \
            -artifact_prefix="build-fuzz/findings/$h-" "build-fuzz/corpus/$h" "tests/fuzz/corpus/$h" \
            >"$log" 2>&1; then
        failed=1
        echo "$h: FINDING, see $log and build-fuzz/findings/"
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$h: $runs executions in $seconds s, corpus $(ls "build-fuzz/corpus/$h" | wc -l) inputs"
done
exit $failed
