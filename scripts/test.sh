#!/usr/bin/env bash
# Installs what is missing, builds the project and its tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

build=build-test
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DSKARVEL_SANITIZE=ON -DSKARVEL_TESTS=ON >/dev/null
cmake --build "$build" -j "$(nproc)"

# Any sanitizer report fails the test that produced it.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 600
