#!/usr/bin/env bash
# Measures the desktop program's frame display on the largest corpus recording (or the files
# given): frames shown per second stepping forward and in a random order, playback lateness
# over 10 seconds (mean and worst), resident memory with the file open. Offscreen Qt.
# Builds in Release into build-bench-ui/ (or uses BUILD_DIR when it holds ui_bench).
# Usage: bench/ui/run.sh [FILES...]
set -euo pipefail
source "$(dirname "$0")/../common.sh"
build=${BUILD_DIR:-$root/build-bench-ui}
if [ ! -x "$build/ui_bench" ]; then
  cmake -S "$root/bench/ui" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache > /dev/null
  cmake --build "$build" -j2 --target ui_bench
fi
files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  files=("$(ls -S "$corpus"/*.gif | head -1)")
fi
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$(mktemp -d)
for f in "${files[@]}"; do
  "$build/ui_bench" "$f" 10
done
