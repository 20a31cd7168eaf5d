#!/usr/bin/env bash
# The checks on the source itself, run by scripts/test.sh before the build's tests:
# the folder layering, the formatting (.clang-format) and clang-tidy (.clang-tidy) on the core.
# Usage: scripts/lint.sh BUILD_DIR   (a configured build, for compile_commands.json)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
python3 tools/check-layers.py
git ls-files -z 'src/*.h' 'src/*.cpp' 'tests/*.h' 'tests/*.cpp' 'bench/*.cpp' 'fuzz/*.h' \
    'fuzz/*.cpp' 'tools/*.cpp' | xargs -0 clang-format --dry-run -Werror
echo "format: clean"
# clang-tidy counts the warnings it filtered out of system headers on stderr; only findings show.
git ls-files -z 'src/core/*.cpp' | xargs -0 -n 4 -P "$(nproc)" clang-tidy -p "$build" --quiet \
  2>&1 | { grep -v 'warnings generated' || true; }
[ "${PIPESTATUS[1]}" = 0 ] || { echo "clang-tidy: findings above"; exit 1; }
echo "clang-tidy: clean"
