#!/usr/bin/env bash
# Installs what is missing, builds the Linux and Windows plug-ins and shows what they do.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh
jobs="${BRIMTRACE_JOBS:-$(nproc)}"
for preset in linux windows; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
build/linux/tools/demo/brimtrace-demo
