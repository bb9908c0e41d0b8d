#!/usr/bin/env bash
# Fails when clang-format (14, Debian's) would change any C++ file the repository
# tracks, listing those files. tools/setup.sh installs clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
format="$(command -v clang-format-14 || command -v clang-format || true)"
if [ -z "$format" ]; then
  echo "check-format: clang-format not installed (tools/setup.sh installs it)" >&2
  exit 2
fi
changed=()
while IFS= read -r -d '' file; do
  if ! "$format" --style=file --dry-run -Werror "$file" >/dev/null 2>&1; then
    changed+=("$file")
  fi
done < <(git ls-files -z '*.cpp' '*.h')
if [ ${#changed[@]} -gt 0 ]; then
  echo "check-format: ${#changed[@]} files differ from .clang-format:" >&2
  printf '  %s\n' "${changed[@]}" >&2
  exit 1
fi
echo "check-format: every file is formatted"
