#!/usr/bin/env bash
# Runs the benchmarks and prints their figures against the targets, measured in one run:
#   tools/bench.sh             the built library through its exported entry (audio path on
#                              each lane path against memcpy, instances, memory), the
#                              in-process benchmarks (drawing pass, picture memory), then the
#                              DLL likewise inside one Windows executable under Wine
#   tools/bench.sh --linux     Linux only
#   tools/bench.sh --peers     Debian's VST2 plug-ins (installed when missing) measured the
#                              same way as Brimtrace, one table
# Extra arguments go to brimtrace-bench (e.g. --benchmark_repetitions=5).
# The figures of a run on the project's machine are kept in bench/RESULTS.md.
set -eu
cd "$(dirname "$0")/.."
jobs="${BRIMTRACE_JOBS:-2}"
windows=1
peers=0
case "${1:-}" in
  --linux) windows=0; shift ;;
  --peers) peers=1; shift ;;
esac

cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs" --target brimtrace brimtrace-host-bench brimtrace-bench brimtrace-draw-timing \
  brimtrace-scale-timing
hostbench=build/linux/bench/brimtrace-host-bench
plugin=build/linux/plugin/brimtrace.so

load() { echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'); load average $(cut -d' ' -f1-3 /proc/loadavg)"; }

if [ "$peers" = 1 ]; then
  peerlist=(
    "/usr/lib/vst/AmplitudeImposer-vst.so|DPF AmplitudeImposer (4 channels)"
    "/usr/lib/vst/3BandEQ-vst.so|DPF 3BandEQ"
    "/usr/lib/vst/PingPongPan-vst.so|DPF PingPongPan"
    "/usr/lib/vst/lsp-plugins/spectrum-analyzer-x2.so|LSP spectrum-analyzer-x2"
    "/usr/lib/vst/lsp-plugins/phase-detector.so|LSP phase-detector"
  )
  if ! dpkg -s lsp-plugins-vst dpf-plugins-vst >/dev/null 2>&1; then
    echo "Installing Debian's VST2 plug-ins to measure against (lsp-plugins-vst, dpf-plugins-vst)"
    if [ "$(id -u)" = 0 ]; then sudo=""; else sudo="sudo"; fi
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends lsp-plugins-vst dpf-plugins-vst >/dev/null
  fi
  load
  echo
  echo "| plug-in | ns / frame | x memcpy | first instance in a fresh process | resident per instance |"
  echo "|---|---|---|---|---|"
  "$hostbench" "$plugin" --row "Brimtrace"
  for entry in "${peerlist[@]}"; do
    "$hostbench" "${entry%%|*}" --row "${entry#*|}"
  done
  exit 0
fi

load
echo
echo "=== Linux: the built library through its exported entry ==="
"$hostbench" "$plugin"
echo
echo "=== Linux: in process: audio path, drawing pass (cairo), instance, memory with a picture ==="
build/linux/bench/brimtrace-bench "$@"
echo
echo "=== Linux: drawing pass, plain timing loop (cairo) ==="
build/linux/bench/brimtrace-draw-timing
echo
echo "=== Linux: drawing pass at a display factor of 2 against 1 (cairo), limit 4 x ==="
build/linux/bench/brimtrace-scale-timing

if [ "$windows" = 1 ]; then
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j "$jobs" --target brimtrace brimtrace-host-bench brimtrace-draw-timing \
    brimtrace-scale-timing
  echo
  echo "=== Windows under Wine: the DLL through its exported entry, inside one Windows executable ==="
  tools/wine-run build/windows/bench/brimtrace-host-bench.exe build/windows/plugin/brimtrace.dll
  echo
  echo "=== Windows under Wine: drawing pass (GDI+), target <= 2 ms ==="
  tools/wine-run build/windows/bench/brimtrace-draw-timing.exe
  echo
  echo "=== Windows under Wine: drawing pass at a display factor of 2 against 1 (GDI+), limit 4 x ==="
  tools/wine-run build/windows/bench/brimtrace-scale-timing.exe
fi
