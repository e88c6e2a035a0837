#!/usr/bin/env bash
# Builds and runs every test: plain build with warnings as errors (gcc), one clang build with
# AddressSanitizer + UndefinedBehaviorSanitizer that runs every test and each fuzz target briefly
# on its seed corpus (libFuzzer), and the threaded tests under ThreadSanitizer.
# Three trees, not four: the sanitizer tree also makes the fuzz targets, which saves a whole
# build of the tree on a small CI machine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/install-deps.sh

jobs=$(nproc)
fuzz_seconds=${ORLA_FUZZ_SECONDS:-5}
# A fixed seed keeps a CI run repeatable; set ORLA_FUZZ_SEED=0 for a fresh one each run.
fuzz_seed=${ORLA_FUZZ_SEED:-1}
build=${ORLA_BUILD_ROOT:-$root/build}
failed=0

step() { printf '\n==== %s ====\n' "$*"; }

passed_steps=0
failed_steps=0
record() { if [ "$1" -eq 0 ]; then passed_steps=$((passed_steps + 1)); else failed_steps=$((failed_steps + 1)); failed=1; fi; }

step "plain build (-Werror)"
cmake -S . -B "$build/plain" -G Ninja -DORLA_WERROR=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$build/plain" -j "$jobs"
rc=0; (cd "$build/plain" && ctest --output-on-failure -j "$jobs") || rc=1; record $rc

step "AddressSanitizer + UndefinedBehaviorSanitizer build (clang, with the fuzz targets)"
CC=clang CXX=clang++ cmake -S . -B "$build/asan" -G Ninja -DORLA_SANITIZE=ON -DORLA_FUZZ=ON -DORLA_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=Debug >/dev/null
ninja -C "$build/asan" -j "$jobs"
rc=0
(cd "$build/asan" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j "$jobs") || rc=1
record $rc

step "fuzz targets (${fuzz_seconds}s each, ${jobs} at a time)"
# One target: its seed corpus copied into a work folder, then fuzzed; prints "ok", or "FAILED" with
# the end of its log and the input that failed, so the run can be repeated from this log alone.
fuzz_one() {
  local name=$1 corpus=$2 work
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/ 2>/dev/null || true
  # The sanitizer runtime is a shared library in this tree (the DLLs need it), and libFuzzer's
  # link puts it after the C++ library; the order does not matter for these programs.
  if (cd "$work" && ASAN_OPTIONS=verify_asan_link_order=0 "$build/asan/bin/$name" -max_total_time="$fuzz_seconds" \
        -timeout=10 -rss_limit_mb=2048 -seed="$fuzz_seed" -print_final_stats=0 "$work" >"$work.log" 2>&1); then
    echo "fuzz $name: ok"
  else
    {
      echo "fuzz $name: FAILED"
      tail -40 "$work.log"
      for artifact in "$work"/crash-* "$work"/timeout-* "$work"/oom-* "$work"/leak-*; do
        [ -f "$artifact" ] || continue
        echo "input $(basename "$artifact") ($(stat -c %s "$artifact") bytes, first 4 KB in hex):"
        head -c 4096 "$artifact" | od -An -tx1 -v
      done
    } > "$work.report"
    cat "$work.report"
    rm -f "$work.report"
  fi
  rm -rf "$work" "$work.log"
}
export -f fuzz_one
export build fuzz_seconds fuzz_seed
# The targets are independent and single-threaded: as many run at once as there are cores.
fuzz_log=$(mktemp)
tr '=' '\n' < "$build/asan/fuzz_targets.txt" | xargs -d '\n' -n 2 -P "$jobs" bash -c 'fuzz_one "$0" "$1"' > "$fuzz_log" || true
cat "$fuzz_log"
fuzz_ok=$(grep -c ': ok$' "$fuzz_log" || true)
fuzz_bad=$(grep -c ': FAILED$' "$fuzz_log" || true)
fuzz_all=$(grep -c '=' "$build/asan/fuzz_targets.txt" || true)
rm -f "$fuzz_log"
echo "fuzz: $fuzz_ok passed, $fuzz_bad failed"
record $(( fuzz_bad > 0 || fuzz_ok != fuzz_all ? 1 : 0 ))

step "ThreadSanitizer: the threaded tests"
cmake -S . -B "$build/tsan" -G Ninja -DORLA_TSAN=ON -DORLA_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C "$build/tsan" -j "$jobs" tsan_all
rc=0
(cd "$build/tsan" && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --output-on-failure -j "$jobs" -L threads) || rc=1
record $rc

echo
echo "checks: $passed_steps passed, $failed_steps failed"
if [ "$failed" -ne 0 ]; then
  exit 1
fi
