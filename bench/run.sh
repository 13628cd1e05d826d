#!/usr/bin/env bash
# Benchmarks quillon-cli against gifsicle -O2, gifsicle -O3 and ImageMagick over a folder of
# GIF files (default ../shared/corpus) and writes bench/RESULTS.md and bench/results.png.
# Installs the peers if they are missing, builds quillon-cli in Release into build-bench/.
# Usage: bench/run.sh [CORPUS_DIR] [run_bench.py options, see bench/run_bench.py --help]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --bench

build=build-bench
jobs=${JOBS:-$(nproc)}
cmake -S . -B "$build" -G Ninja -DQUILLON_GUI=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
# The list is read whole first: grep -q stops at the first match, and under pipefail the
# writer's broken pipe would count as a failure.
known=$(cmake --build "$build" --target help)
if grep -Eq '^quillon-cli: ' <<<"$known"; then
  cmake --build "$build" --target quillon-cli -j "$jobs"
else
  # Not a build failure: the tree has no command-line tool yet, so only the peers can run.
  echo "quillon-cli is not part of this tree yet: benchmarking the peers only." >&2
  rm -f "$build/src/cli/quillon-cli"
fi

exec /usr/bin/python3 bench/run_bench.py "$@"
