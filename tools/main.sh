#!/usr/bin/env bash
# Installs what is missing, builds the Linux and Windows plug-ins, and shows them at work
# through brimtrace-host, a command-line VST 2.4 host: the editor's picture on the
# built-in signal, a generated file streamed through the plug-in, that file measured
# whole (analyze: its report and its picture), and the plug-in's own description.
# Everything it writes goes to out/.
set -eu
cd "$(dirname "$0")/.."
root="$(pwd)"
tools/setup.sh
jobs="${BRIMTRACE_JOBS:-$(nproc)}"
# Only what is shown below: the plug-ins and the host tool, not the test suites. The
# build trees stay configured with their tests, so tools/test-all.sh reuses them.
for preset in linux windows; do
  echo "=== building $preset ==="
  cmake --preset "$preset" >/dev/null
  targets=(brimtrace brimtrace-host)
  [ "$preset" = linux ] && targets+=(brimtrace_lv2)  # the LV2 bundle: Linux only
  cmake --build --preset "$preset" -j "$jobs" --target "${targets[@]}"
done

host=build/linux/tools/host/brimtrace-host
plugin=build/linux/plugin/brimtrace.so
mkdir -p out

echo
echo "=== the editor on the built-in signal (440 Hz sine left, stepped bursts right) ==="
# In a private Xvfb: no other window on a desktop can cover the one captured.
DISPLAY= "$host" snapshot "$plugin" --png out/brimtrace.png

echo
echo "=== a generated file through the plug-in ==="
"$host" signal out/signal.wav --seconds 10
"$host" process "$plugin" out/signal.wav out/processed.wav
"$host" compare out/signal.wav out/processed.wav
echo "the plug-in passed the audio through untouched"

echo
echo "=== the whole file measured, as the editor measures it (brimtrace-host analyze) ==="
# The editor shows the last three seconds; analyze measures every window of a file with
# the analyzer's own code (no plug-in file needed) and draws them all in one picture.
"$host" analyze out/signal.wav --png out/signal-analysis.png

echo
echo "=== what the plug-in tells a host ==="
"$host" info "$plugin"

bundle=build/linux/plugin/brimtrace.lv2
echo
echo "=== the LV2 plug-in, as lilv finds it ==="
LV2_PATH="$root/build/linux/plugin:/usr/lib/lv2" lv2info https://quillmere.example/plugins/brimtrace 2>/dev/null |
  grep -E "Name:|Class:|Symbol:|^\s*https"

cat <<EOT

=== the plug-in files ===
Linux:   $root/$plugin
LV2:     $root/$bundle/ (a bundle folder, Linux)
Windows: $root/build/windows/plugin/brimtrace.dll

To use it in a DAW:
  Linux    copy brimtrace.so into ~/.vst (or a folder listed in LXVST_PATH), then let the
           DAW rescan its plug-ins; it appears as "QUILLMERE - Brimtrace logarithm".
  LV2      copy the folder brimtrace.lv2 into ~/.lv2 (or a folder listed in LV2_PATH);
           Ardour, Carla, Qtractor... list it as "QUILLMERE - Brimtrace logarithmic - 20260721".
  Windows  copy brimtrace.dll into the DAW's VST 2 folder (for example
           C:\\Program Files\\VSTPlugins or C:\\Program Files\\Steinberg\\VSTPlugins) and rescan.

The editor's picture is out/brimtrace.png; out/signal.wav and out/processed.wav are the
generated file before and after the plug-in; out/signal-analysis.png is the whole file's
picture. To run your own recording through it, and to measure it whole:
  $host process $plugin IN.wav OUT.wav
  $host analyze IN.wav --png OUT.png [--json OUT.json] [--csv OUT.csv]
Under Wine, build/windows/tools/host/brimtrace-host.exe does the same with the DLL.
EOT
