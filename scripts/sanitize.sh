#!/usr/bin/env bash
# Runs the whole test suite but the end-to-end scenarios (widget tests on the offscreen
# platform) under AddressSanitizer and UndefinedBehaviorSanitizer, from the sanitized build
# (scripts/sanitized-build.sh). Leaks are reported, except the system libraries' own listed in
# tests/sanitizer/lsan.supp.
#   scripts/sanitize.sh            everything
#   scripts/sanitize.sh -R canvas  extra arguments go to ctest
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${VELMOR_SANITIZED_BUILD_DIR:-build-sanitize}
bash scripts/sanitized-build.sh

export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
# The soak runs its full length in the normal build; here a third of it finds memory faults on
# the same paths at a third of the (sanitized) cost.
export VELMOR_SOAK_STEPS=${VELMOR_SOAK_STEPS:-1000}
ctest --test-dir "$build" -LE e2e --output-on-failure -j"$(nproc)" --timeout 900 "$@"
