#!/usr/bin/env bash
# Runs the benchmarks and prints their figures against the targets, measured in one run:
#   tools/bench.sh             Linux (Google Benchmark), then the GDI+ drawing pass under Wine
#   tools/bench.sh --linux     Linux only
# Extra arguments go to brimtrace-bench (e.g. --benchmark_repetitions=5).
# The figures of a run on the project's machine are kept in bench/RESULTS.md.
set -eu
cd "$(dirname "$0")/.."
jobs="${BRIMTRACE_JOBS:-2}"
windows=1
if [ "${1:-}" = "--linux" ]; then
  windows=0
  shift
fi

cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs" --target brimtrace-bench brimtrace-draw-timing
echo "=== Linux: audio path, drawing pass (cairo), instance ==="
build/linux/bench/brimtrace-bench "$@"
echo
echo "=== Linux: drawing pass, plain timing loop (cairo) ==="
build/linux/bench/brimtrace-draw-timing

if [ "$windows" = 1 ]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j "$jobs" --target brimtrace-draw-timing
  echo
  echo "=== Windows under Wine: drawing pass (GDI+), target <= 2 ms ==="
  tools/wine-run build/windows/bench/brimtrace-draw-timing.exe
fi
