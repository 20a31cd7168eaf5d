#!/usr/bin/env bash
# Configures tests/outside, a small project that takes Velmor in with add_subdirectory as the
# README documents, so that a path that only works from Velmor's own top level shows at once.
# VELMOR_OUTSIDE_BUILD=1 also builds it and runs its program.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VELMOR_OUTSIDE_DIR:-build-outside}
cmake -S tests/outside -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMOR_CHECKOUT="$PWD" >/dev/null
echo "outside project: configured"
if [ "${VELMOR_OUTSIDE_BUILD:-0}" = 1 ]; then
  cmake --build "$build" -j"$(nproc)" --target outside_form
  "$build/outside_form"
fi
