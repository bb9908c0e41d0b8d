#!/usr/bin/env bash
# Makes the release archives from the checkout's HEAD commit:
#
#   dist/brimtrace-VERSION-linux-x86_64.tar.gz
#   dist/brimtrace-VERSION-windows-x64.zip
#   dist/SHA256SUMS
#
# each archive holding one folder brimtrace-VERSION/ with the plug-in, brimtrace-host,
# README.md, LICENSE and THIRD-PARTY.md, and the Linux one the LV2 bundle brimtrace.lv2/.
# VERSION is the CMake project's version.
# Installs what is missing first (tools/setup.sh), builds in build/release-linux and
# build/release-windows (presets release-linux, release-windows), and refuses a checkout
# with uncommitted changes: the archives are the commit's.
#
# Two runs on the same commit give the same bytes, wherever the checkout lies: the
# commit's time is SOURCE_DATE_EPOCH and every file's time in the archives, the presets
# map the source and build folders out of the binaries, the PE files carry no link time,
# and archive members are sorted with fixed owners and modes.
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$(pwd)"

if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "release: the checkout has uncommitted changes; a release is made from a commit" >&2
  exit 2
fi
tools/setup.sh
for tool in zip; do
  command -v "$tool" >/dev/null || { echo "release: $tool is missing" >&2; exit 2; }
done

SOURCE_DATE_EPOCH="$(git log -1 --format=%ct HEAD)"
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
jobs="${BRIMTRACE_JOBS:-$(nproc)}"
launcher=()
if command -v ccache >/dev/null; then
  # Same objects as the compiler's own; only saves the work of a rebuild. Paths under
  # the checkout are hashed relative to it, so another checkout of the commit hits too.
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$repo"
fi
for preset in release-linux release-windows; do
  echo "=== building $preset ==="
  cmake --preset "$preset" "${launcher[@]}" >/dev/null
  targets=(brimtrace brimtrace-host)
  [ "$preset" = release-linux ] && targets+=(brimtrace_lv2)
  cmake --build --preset "$preset" -j "$jobs" --target "${targets[@]}"
done

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release-linux/CMakeCache.txt)"
[ -n "$version" ] || { echo "release: no project version in build/release-linux" >&2; exit 1; }
name="brimtrace-$version"
stage="$repo/build/release-stage"
rm -rf "$stage" dist
mkdir -p dist

# stage PLATFORM FILES...: build/release-stage/PLATFORM/brimtrace-VERSION/ with the files
# named, the documents beside them, modes and times fixed.
stage() {
  local dir="$stage/$1/$name"
  shift
  mkdir -p "$dir"
  install -m 0755 "$@" "$dir/"
  install -m 0644 README.md LICENSE THIRD-PARTY.md "$dir/"
  chmod 0755 "$dir"
  find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

stage linux build/release-linux/plugin/brimtrace.so build/release-linux/tools/host/brimtrace-host
# The LV2 bundle as a folder of its own, to drop into ~/.lv2.
bundle="$stage/linux/$name/brimtrace.lv2"
mkdir -p "$bundle"
install -m 0755 build/release-linux/plugin/brimtrace.lv2/brimtrace-lv2.so "$bundle/"
install -m 0644 build/release-linux/plugin/brimtrace.lv2/*.ttl "$bundle/"
chmod 0755 "$bundle"
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
tar -C "$stage/linux" --sort=name --format=ustar --mtime="@$SOURCE_DATE_EPOCH" \
  --owner=0 --group=0 --numeric-owner -cf - "$name" | gzip -9 -n >"dist/$name-linux-x86_64.tar.gz"

stage windows build/release-windows/plugin/brimtrace.dll build/release-windows/tools/host/brimtrace-host.exe
# Members in sorted order; -X leaves out the extra fields (owners, exact times) that
# would differ between checkouts; times are stored in local time, hence TZ=UTC above.
(cd "$stage/windows" && find "$name" | sort | zip -q -X -9 -@ "$repo/dist/$name-windows-x64.zip")

(cd dist && sha256sum "$name-linux-x86_64.tar.gz" "$name-windows-x64.zip" >SHA256SUMS)
echo "=== dist/ ==="
(cd dist && ls -l && cat SHA256SUMS)
