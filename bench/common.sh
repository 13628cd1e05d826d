# Sourced by the benchmarks' run.sh: where the sources and the shared corpus are, the Release
# build of one benchmark folder, and the files a run measures by default.
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
corpus="${QUILLON_SHARED:-$root/../shared}/corpus"

# bench_build FOLDER TARGET: configures bench/FOLDER in Release into build-bench-FOLDER/ and
# builds TARGET there quietly; $build names the build folder.
bench_build() {
  build="$root/build-bench-$1"
  cmake -S "$root/bench/$1" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target "$2" -j "${JOBS:-2}" >/dev/null
}

# bench_files [--repeat N] [FILES...]: $repeat holds the repeat option (3 unless given first)
# and $files the GIF files (every corpus file unless given).
bench_files() {
  repeat=(--repeat 3)
  if [ "${1:-}" = "--repeat" ]; then repeat=(--repeat "$2"); shift 2; fi
  files=("$@")
  if [ ${#files[@]} -eq 0 ]; then files=("$corpus"/*.gif); fi
}
