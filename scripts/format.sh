#!/usr/bin/env bash
# Formats every C and C++ source of the project with .clang-format (clang-format 14, as
# Debian 12 ships it). --check: change nothing, list the files that differ and fail.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c' | grep -v '^tests/data/')
if [ "${1:-}" = "--check" ]; then
  bad=()
  for f in "${files[@]}"; do
    clang-format --style=file "$f" | cmp -s - "$f" || bad+=("$f")
  done
  if [ ${#bad[@]} -ne 0 ]; then
    echo "Not formatted (run scripts/format.sh):" >&2
    printf '  %s\n' "${bad[@]}" >&2
    exit 1
  fi
  echo "format: ${#files[@]} files checked, all formatted"
  exit 0
fi
clang-format --style=file -i "${files[@]}"
