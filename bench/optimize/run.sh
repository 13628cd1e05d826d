#!/usr/bin/env bash
# Measures the pre-save pass: megapixels per second of optimized frames over GIF files
# (default: the shared corpus), and the CPU time of a whole save of the largest file beside
# gifsicle -O3 on the same file. Builds in Release into build-bench-optimize/.
# Usage: bench/optimize/run.sh [--repeat N] [FILES...]
# The program itself also takes --settings E,O,C,S,RULE (the optimization settings) and
# --fingerprint (a hash of every optimized frame, to check that a faster pass gives the
# same bytes).
set -euo pipefail
source "$(dirname "$0")/../common.sh"
bench_build optimize optimize_bench
bench_files "$@"
"$build/optimize_bench" "${repeat[@]}" "${files[@]}"

largest=$(ls -S "${files[@]}" | head -1)
echo
echo "Whole save of the largest file, $(basename "$largest"):"
"$build/optimize_bench" --save --repeat 1 "$largest" | tail -1
if command -v gifsicle >/dev/null; then
  /usr/bin/time -f "gifsicle -O3: %U s user, %S s system" gifsicle -O3 "$largest" -o /tmp/optimize_bench_gifsicle.gif
fi
