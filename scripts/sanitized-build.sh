#!/usr/bin/env bash
# Configures and builds the sanitized build that scripts/sanitize.sh and scripts/fuzz.sh share:
# clang with AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer's coverage hooks, holding
# both the test suite and the fuzz targets, so one compilation serves both.
#   scripts/sanitized-build.sh [target...]    (no target: everything)
# Prints nothing but errors; the build directory is $VELMOR_SANITIZED_BUILD_DIR or build-sanitize.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VELMOR_SANITIZED_BUILD_DIR:-build-sanitize}
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMOR_BUILD_FUZZ=ON -DVELMOR_BUILD_TESTS=ON -DVELMOR_BUILD_BENCH=OFF >/dev/null
if [ $# -gt 0 ]; then
  cmake --build "$build" -j"$(nproc)" --target "$@"
else
  cmake --build "$build" -j"$(nproc)"
fi
