#!/usr/bin/env bash
# Measures LZW decoding and encoding in megapixels per second over the frames of GIF files
# (default: the shared corpus), beside giflib's DGifGetLine and EGifPutLine on the same
# pixels, and prints the ratios. Builds in Release into build-bench-codec/.
# Usage: bench/codec/run.sh [--repeat N] [FILES...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$root/build-bench-codec"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target codec_bench -j "${JOBS:-2}" >/dev/null
corpus="${QUILLON_SHARED:-$root/../shared}/corpus"
repeat=(--repeat 3)
if [ "${1:-}" = "--repeat" ]; then repeat=(--repeat "$2"); shift 2; fi
if [ $# -eq 0 ]; then set -- "$corpus"/*.gif; fi
exec "$build/codec_bench" "${repeat[@]}" "$@"
