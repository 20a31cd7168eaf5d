#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) in the
# sanitized build (scripts/sanitized-build.sh) and runs each over its seed corpus
# (fuzz/corpus/<target>/) for a bounded time.
#   scripts/fuzz.sh                       every target, 20 s each
#   FUZZ_SECONDS=3600 scripts/fuzz.sh     the long run, one hour each
#   scripts/fuzz.sh fuzz_picture_emf      only the targets named
# New inputs found go to build-sanitize/fuzz-corpus/<target>/ (the seeds are left as they
# are); a crash, leak, timeout or sanitizer report is saved under
# build-sanitize/fuzz-findings/<target>/ and makes the script fail once every target has run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=${VELMOR_SANITIZED_BUILD_DIR:-build-sanitize}
seconds=${FUZZ_SECONDS:-20}
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_settings fuzz_picture_bmp fuzz_picture_jpeg fuzz_picture_gif fuzz_picture_png
           fuzz_picture_ico fuzz_picture_wmf fuzz_picture_emf)
fi

bash scripts/sanitized-build.sh "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:allocator_may_return_null=1
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen

failed=()
summary=()
for target in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$target"
  findings="$build/fuzz-findings/$target"
  log="$build/fuzz-logs/$target.log"
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  echo "== $target: ${seconds} s"
  status=0
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "fuzz/corpus/$target" \
    >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  summary+=("$(printf '%-20s %10s executions' "$target" "${runs:-?}")")
  if [ "$status" -ne 0 ]; then
    failed+=("$target")
    echo "   FAILED (exit $status), see $log and $findings/"
    grep -m 5 -E 'ERROR|runtime error|SUMMARY|broke|broken' "$log" | sed 's/^/   /' || true
  fi
done

printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found problems in: ${failed[*]}"
  exit 1
fi
echo "fuzzing found nothing"
