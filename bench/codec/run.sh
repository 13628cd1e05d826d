#!/usr/bin/env bash
# Measures LZW decoding and encoding in megapixels per second over the frames of GIF files
# (default: the shared corpus), beside giflib's DGifGetLine and EGifPutLine on the same
# pixels, and prints the ratios. Builds in Release into build-bench-codec/.
# Usage: bench/codec/run.sh [--repeat N] [FILES...]
set -euo pipefail
source "$(dirname "$0")/../common.sh"
bench_build codec codec_bench
bench_files "$@"
exec "$build/codec_bench" "${repeat[@]}" "${files[@]}"
