#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer (gcc) in
# build-asan/ and runs every test but the end-to-end ones (widget tests on the offscreen
# platform). Leaks are reported, except the libraries' own listed in tests/sanitizer/lsan.supp.
#   scripts/sanitize.sh            everything
#   scripts/sanitize.sh -R canvas  extra arguments go to ctest
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${VELMOR_ASAN_BUILD_DIR:-build-asan}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMOR_SANITIZE=ON \
  -DVELMOR_BUILD_TESTS=ON -DVELMOR_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" -LE e2e --output-on-failure -j"$(nproc)" --timeout 900 "$@"
