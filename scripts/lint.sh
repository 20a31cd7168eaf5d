#!/usr/bin/env bash
# The checks on the source itself, run by scripts/test.sh before the build's tests:
# the folder layering, the formatting (.clang-format) and clang-tidy (.clang-tidy) on the core.
# Usage: scripts/lint.sh BUILD_DIR   (a configured build, for compile_commands.json)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
# The project's C++ files under the given folders (NUL-separated); a copy without .git works too.
sources() {
  local pattern=$1
  shift
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    for d in "$@"; do git ls-files -z "$d/*$pattern"; done
  else
    find "$@" -name "*$pattern" -print0
  fi
}
python3 tools/check-layers.py
{ sources .h src tests fuzz; sources .cpp src tests bench fuzz tools; } |
  xargs -0 clang-format --dry-run -Werror
echo "format: clean"
# clang-tidy counts the warnings it filtered out of system headers on stderr; only findings show.
sources .cpp src/core | xargs -0 -n 4 -P "$(nproc)" clang-tidy -p "$build" --quiet \
  2>&1 | { grep -v 'warnings generated' || true; }
[ "${PIPESTATUS[1]}" = 0 ] || { echo "clang-tidy: findings above"; exit 1; }
echo "clang-tidy: clean"
