#!/usr/bin/env bash
# Robustness checks beyond the README test command (whose ctest runs already include the
# soak, editor lifecycle and valgrind session tests in their short forms):
#   - the thread tests under ThreadSanitizer (preset linux-tsan, label tsan);
#   - every fuzz target for a short while (preset fuzz, clang + libFuzzer).
#
#   tools/robust-ci.sh          the short forms, as CI runs them (a few minutes on 2 cores)
#   tools/robust-ci.sh --long   the long forms besides: an hour of audio, 1000 editor
#                               cycles on Linux and under Wine, 10 minutes per fuzz target
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh  # clang, libFuzzer's runtime and valgrind among the packages
jobs="${BRIMTRACE_JOBS:-$(nproc)}"
long=0
[ "${1:-}" = "--long" ] && long=1

echo "=== linux-tsan: audio, editor paints and state restores on three threads ==="
cmake --preset linux-tsan >/dev/null
# Only the tests labelled tsan (each named after its executable) and what they need.
tsan_tests=$(ctest --preset linux-tsan -L tsan -N | sed -n 's/^ *Test *#[0-9]*: *//p')
# shellcheck disable=SC2086
cmake --build --preset linux-tsan -j "$jobs" --target $tsan_tests
ctest --preset linux-tsan -L tsan --no-tests=error

if [ "$long" = 1 ]; then
  echo "=== fuzz: every target, 10 minutes each ==="
  BRIMTRACE_JOBS="$jobs" tools/fuzz.sh 600
else
  echo "=== fuzz: every target, short run ==="
  BRIMTRACE_JOBS="$jobs" tools/fuzz.sh "${BRIMTRACE_FUZZ_SECONDS:-40}"
fi

if [ "$long" = 1 ]; then
  echo "=== an hour of audio; 1000 editor cycles (Linux, then Windows under Wine) ==="
  cmake --preset linux >/dev/null
  cmake --build --preset linux -j "$jobs"
  BRIMTRACE_SOAK_SECONDS=3600 ctest --preset linux --no-tests=error -R robust_soak_test
  BRIMTRACE_LIFECYCLE_CYCLES=1000 ctest --preset linux --no-tests=error -R robust_lifecycle_test
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j "$jobs"
  BRIMTRACE_LIFECYCLE_CYCLES=1000 ctest --preset windows --no-tests=error -R robust_lifecycle_test
fi
echo "robustness checks passed"
