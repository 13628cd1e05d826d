#!/usr/bin/env bash
# Measures the pre-save pass: megapixels per second of optimized frames over GIF files
# (default: the shared corpus), and the CPU time of a whole save of the largest file beside
# gifsicle -O3 on the same file. Builds in Release into build-bench-optimize/.
# Usage: bench/optimize/run.sh [--repeat N] [FILES...]
# The program itself also takes --settings E,O,C,S,RULE (the optimization settings) and
# --fingerprint (a hash of every optimized frame, to check that a faster pass gives the
# same bytes).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$root/build-bench-optimize"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target optimize_bench -j "${JOBS:-2}" >/dev/null
corpus="${QUILLON_SHARED:-$root/../shared}/corpus"
repeat=(--repeat 3)
if [ "${1:-}" = "--repeat" ]; then repeat=(--repeat "$2"); shift 2; fi
if [ $# -eq 0 ]; then set -- "$corpus"/*.gif; fi
"$build/optimize_bench" "${repeat[@]}" "$@"

largest=$(ls -S "$@" | head -1)
echo
echo "Whole save of the largest file, $(basename "$largest"):"
"$build/optimize_bench" --save --repeat 1 "$largest" | tail -1
if command -v gifsicle >/dev/null; then
  /usr/bin/time -f "gifsicle -O3: %U s user, %S s system" gifsicle -O3 "$largest" -o /tmp/optimize_bench_gifsicle.gif
fi
