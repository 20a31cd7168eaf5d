#!/usr/bin/env bash
# Installs what is missing, checks the source (scripts/lint.sh: layering, formatting,
# clang-tidy on the core), builds Velmor and runs every test: unit, widget and end-to-end tests
# in the normal build, the Debian package built, installed and run (scripts/package.sh), then
# the hardening stage (the suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and every fuzz target for FUZZ_SECONDS, 10 s by default).
#   scripts/test.sh            everything, as CI runs it
#   VELMOR_QUICK=1 scripts/test.sh   the normal build's tests and the package stage only
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${VELMOR_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
echo "== the source: layering, formatting, clang-tidy"
bash scripts/lint.sh "$build"
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600
bash scripts/package.sh "$build"
echo "== a project outside the tree takes Velmor in with add_subdirectory"
bash scripts/check-outside.sh
[ "${VELMOR_QUICK:-0}" = 1 ] && exit 0

echo "== hardening: the suite under ASan + UBSan"
bash scripts/sanitize.sh
echo "== hardening: short fuzz runs"
FUZZ_SECONDS=${FUZZ_SECONDS:-10} bash scripts/fuzz.sh
