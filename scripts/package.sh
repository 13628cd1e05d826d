#!/usr/bin/env bash
# Builds the Debian package quillon_<version>_amd64.deb from a release build of its own
# (build-package by default) and prints its path. Needs dpkg-dev for the dependencies.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
targets=(quillon-cli man_pages)
# The list is read whole first: grep -q stops at the first match, and under pipefail the
# writer's broken pipe would count as a failure.
known=$(cmake --build "$build" --target help)
if grep -q '^quillon:' <<<"$known"; then
  targets+=(quillon)
fi
cmake --build "$build" -j"${JOBS:-2}" --target "${targets[@]}"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/quillon_*_amd64.deb
