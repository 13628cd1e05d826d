#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the bundled sample animation:
# quillon-cli optimizes it and prints the size report.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
if [ ! -x build/src/cli/quillon-cli ]; then
  echo "quillon-cli is not built yet; the build and its tests ran instead:"
  ctest --test-dir build --output-on-failure
  exit 0
fi
mkdir -p out
build/tools/make_sample out/sample.gif
build/src/cli/quillon-cli -o out/sample.opt.gif out/sample.gif
