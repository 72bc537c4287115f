#!/bin/sh
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan and runs the whole test suite there. A sanitizer report ends
# the test that made it with a failure. The DNC server's run through
# ser2net (dnc_network) is left to the normal build, for CI's time: its
# server code runs here in dncserver_tests, its program in dnc_command.
# Two tests at a time, as on a developer's machine: the tests wait on
# conditions, not on times, and the package test runs alone.
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build-asan -G Ninja -DMARBOLT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build build-asan
ASAN_OPTIONS=abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j2 -E '^dnc_network$'
