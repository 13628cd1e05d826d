#!/usr/bin/env bash
# Configures and builds into build/ (or build-asan/ with --sanitize).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
args=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  args=(-G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON)
fi
jobs=$(nproc)
cmake -S . -B "$dir" "${args[@]}" >/dev/null
cmake --build "$dir" -j "$jobs"
