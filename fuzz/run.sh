#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan + coverage on every library) and runs
# each for the given number of seconds, one after the other on one core:
#   fuzz/run.sh [seconds per target] [target ...]
# Seeds: the crafted files of tests/data/fuzz/<target>, files the seed writer makes, and for
# the GIF and LZW targets the smaller files of ../shared/corpus. Working corpora and findings
# stay in build-fuzz-clang/ (corpus/<target>, findings/<target>); a finding worth keeping is
# copied to tests/data/fuzz/<target>/ so that tests/fuzz_regress replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(gif_roundtrip raw_blocks lzw_decode preference_file language_file string_table)

scripts/install-deps.sh --fuzz
build=$root/build-fuzz-clang
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -gline-tables-only"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLON_FUZZ=ON -DQUILLON_GUI=OFF \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" -j 2 --target make_seeds $(printf 'fuzz_%s ' "${targets[@]}")

shared=${QUILLON_SHARED:-$root/../shared}
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# The image data of the first image of a GIF, behind the LZW target's four selector bytes.
lzw_from_gif() {
  /usr/bin/python3 - "$1" "$2" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
i = 13
if data[10] & 0x80:
    i += 3 << ((data[10] & 7) + 1)
while i < len(data):
    if data[i] == 0x21:
        i += 2
        while i < len(data) and data[i]:
            i += data[i] + 1
        i += 1
    elif data[i] == 0x2C:
        w = data[i + 5] | data[i + 6] << 8
        h = data[i + 7] | data[i + 8] << 8
        packed = data[i + 9]
        i += 10
        if packed & 0x80:
            i += 3 << ((packed & 7) + 1)
        start = i
        i += 1
        while i < len(data) and data[i]:
            i += data[i] + 1
        head = bytes([min(w, 64) - 1 & 63, min(h, 64) - 1 & 63, 1 if packed & 0x40 else 0, 0])
        open(sys.argv[2], 'wb').write(head + data[start:i + 1])
        break
    else:
        break
PY
}

for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  seeds=$build/seeds/$target
  mkdir -p "$corpus" "$findings" "$seeds"
  "$build/fuzz/make_seeds" "$target" "$seeds"
  if [ -d "$root/tests/data/fuzz/$target" ]; then
    cp "$root/tests/data/fuzz/$target"/* "$seeds"/ 2>/dev/null || true
  fi
  if [ -d "$shared/corpus" ]; then
    for gif in "$shared"/corpus/*.gif; do
      size=$(stat -c %s "$gif")
      [ "$size" -gt 65536 ] && continue
      case $target in
        gif_roundtrip|raw_blocks) cp "$gif" "$seeds/" ;;
        lzw_decode) lzw_from_gif "$gif" "$seeds/$(basename "$gif" .gif).lzw" || true ;;
      esac
    done
  fi
  # Longer GIF inputs mostly add frames of the same kind and slow every mutation down; the
  # larger seeds are cut to this length when read, which still tries their damaged endings.
  # Language files need room for a line past the reader's 5000-byte line buffer.
  max_len=4096
  [ "$target" = gif_roundtrip ] && max_len=16384
  [ "$target" = raw_blocks ] && max_len=16384
  [ "$target" = language_file ] && max_len=12000
  dictionary=()
  [ -f "$root/fuzz/$target.dict" ] && dictionary=(-dict="$root/fuzz/$target.dict")
  echo "== $target: $seconds s"
  "$build/fuzz/fuzz_$target" "$corpus" "$seeds" "${dictionary[@]}" \
    -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -max_len="$max_len" \
    -print_final_stats=1 -artifact_prefix="$findings/" 2>&1 | tee "$build/$target.log" |
    grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|ERROR|SUMMARY|stat::|Test unit written' || true
done
