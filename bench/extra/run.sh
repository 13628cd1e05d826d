#!/usr/bin/env bash
# Total bytes of the extra mode over GIF files (default: the shared corpus) with each of its
# parts turned off in turn. Builds in Release into build-bench-extra/.
# Usage: bench/extra/run.sh [FILES...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$root/build-bench-extra"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target extra_levers -j "${JOBS:-2}" >/dev/null
corpus="${QUILLON_SHARED:-$root/../shared}/corpus"
if [ $# -eq 0 ]; then set -- "$corpus"/*.gif; fi
exec "$build/extra_levers" "$@"
