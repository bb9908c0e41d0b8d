#!/usr/bin/env bash
# Fuzzes the plug-in and the built-in WAV reader with libFuzzer (clang, AddressSanitizer,
# UBSan; preset "fuzz").
#
#   tools/fuzz.sh              every target for 10 minutes each
#   tools/fuzz.sh 45           every target for 45 seconds each (what CI runs)
#   tools/fuzz.sh 600 chunk    one target
#   tools/fuzz.sh --merge      fold what the runs found into the seed corpus in tests/fuzz/corpus
#
# Each target starts from its seed corpus (tests/fuzz/corpus/<target>) plus what earlier
# runs on this machine found (build/fuzz/corpus/<target>). A crash stops the run with the
# input saved under build/fuzz/crashers/<target>/; once the fault is fixed, copy that file
# into tests/fuzz/crashers/<target>/ so that the replay tests keep it fixed.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
targets_all="chunk dispatcher wav lv2_state"
jobs="${BRIMTRACE_JOBS:-2}"

merge=0
seconds=600
if [ "${1:-}" = "--merge" ]; then
  merge=1
  shift
elif [ -n "${1:-}" ]; then
  seconds=$1
  shift
fi
targets="${*:-$targets_all}"

command -v clang++ >/dev/null || { echo "clang++ is missing (tools/setup.sh installs it)" >&2; exit 1; }
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs" --target $(for t in $targets; do echo "fuzz_$t"; done)

# Caches that cairo and fontconfig keep for the process are not leaks of the plug-in.
export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

for t in $targets; do
  binary="build/fuzz/tests/fuzz/fuzz_$t"
  work="build/fuzz/corpus/$t"
  crashers="build/fuzz/crashers/$t"
  mkdir -p "$work" "$crashers" "tests/fuzz/corpus/$t"
  if [ "$merge" = 1 ]; then
    echo "=== merging what fuzz_$t found into tests/fuzz/corpus/$t ==="
    "$binary" -merge=1 "tests/fuzz/corpus/$t" "$work" 2>&1 | grep -E "^MERGE-OUTER: [0-9]+ new files" || true
    continue
  fi
  echo "=== fuzz_$t for $seconds s ==="
  # New inputs go to the machine's own corpus; the seed corpus is only read.
  # Crashers fixed earlier run first, with the seeds.
  seeds="tests/fuzz/corpus/$t"
  [ -d "tests/fuzz/crashers/$t" ] && seeds="$seeds tests/fuzz/crashers/$t"
  # shellcheck disable=SC2086
  if ! "$binary" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -print_final_stats=1 \
      -artifact_prefix="$crashers/" "$work" $seeds >"build/fuzz/fuzz_$t.log" 2>&1; then
    tail -n 40 "build/fuzz/fuzz_$t.log"
    echo "fuzz_$t found a crasher: $(ls -t "$crashers" | head -n 1) in $crashers" >&2
    exit 1
  fi
  grep -E "^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)" "build/fuzz/fuzz_$t.log" || true
done
echo "fuzzing passed"
