#!/usr/bin/env bash
# Total bytes of the extra mode over GIF files (default: the shared corpus) with each of its
# parts turned off in turn. Builds in Release into build-bench-extra/.
# Usage: bench/extra/run.sh [FILES...]
set -euo pipefail
source "$(dirname "$0")/../common.sh"
bench_build extra extra_levers
files=("$@")
if [ $# -eq 0 ]; then files=("$corpus"/*.gif); fi
exec "$build/extra_levers" "${files[@]}"
