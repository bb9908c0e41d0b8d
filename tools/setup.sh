#!/usr/bin/env bash
# Installs every Debian package the builds and tests need, and prepares the Wine prefix.
# Idempotent: packages already present and a ready prefix are skipped.
set -eu
packages=(
  build-essential cmake ninja-build pkg-config git mount
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libcairo2-dev libfontconfig-dev libx11-dev libxtst-dev
  fonts-liberation fonts-dejavu-core xvfb xauth
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64
  clang libclang-rt-14-dev clang-format valgrind libsndfile1-dev libcli11-dev nlohmann-json3-dev
  zip unzip lv2-dev sordi lilv-utils liblilv-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
export WINEPREFIX="${BRIMTRACE_WINEPREFIX:-$HOME/.local/share/brimtrace/wine}"
if [ ! -f "$WINEPREFIX/.brimtrace-ready" ]; then
  echo "setup: preparing the Wine prefix in $WINEPREFIX"
  "$(dirname "$0")/wine-prefix"
fi
# The window tests' prefix at 192 DPI (a 200 % screen), for the editor's scale under Wine.
export WINEPREFIX="${BRIMTRACE_WINDOW_WINEPREFIX:-$HOME/.local/share/brimtrace/wine-windows}-dpi192"
if [ ! -f "$WINEPREFIX/.brimtrace-ready" ]; then
  echo "setup: preparing the 192-DPI Wine prefix in $WINEPREFIX"
  BRIMTRACE_WINEPREFIX="$WINEPREFIX" BRIMTRACE_WINE_DPI=192 "$(dirname "$0")/wine-prefix"
fi
