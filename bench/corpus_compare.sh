#!/usr/bin/env bash
# Optimizes every file of the shared corpus with quillon-cli and with gifsicle -O3 in the same
# run and prints the total output bytes and the CPU time of each. quillon-cli runs with one
# worker and --allow-larger, so that every file gets an output to count.
# Usage: bench/corpus_compare.sh [BUILD_DIR] [CORPUS_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
corpus=${2:-../shared/corpus}
cli="$build/src/cli/quillon-cli"
[ -x "$cli" ] || { echo "build quillon-cli first ($cli)"; exit 1; }
command -v gifsicle >/dev/null || { echo "gifsicle is not installed"; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
mkdir -p "$out/quillon" "$out/gifsicle"
export XDG_CONFIG_HOME="$out/config"

cpu_seconds() {  # CPU seconds (user + system) of the command, its children included
  local before after me=$BASHPID
  before=$(awk '{print $14 + $15 + $16 + $17}' "/proc/$me/stat")
  "$@" >/dev/null 2>&1 || true
  after=$(awk '{print $14 + $15 + $16 + $17}' "/proc/$me/stat")
  echo $(( after - before ))
}

files=("$corpus"/*.gif)
ticks=$(getconf CLK_TCK)
q_ticks=$(cpu_seconds "$cli" -q -j 1 --allow-larger --out-dir "$out/quillon" "${files[@]}")
g_ticks=0
for f in "${files[@]}"; do
  t=$(cpu_seconds gifsicle -O3 "$f" -o "$out/gifsicle/$(basename "$f")")
  g_ticks=$((g_ticks + t))
done

in_total=0; q_total=0; g_total=0; both=0; q_missing=0; g_missing=0; q_smaller=0
for f in "${files[@]}"; do
  name=$(basename "$f")
  size=$(stat -c %s "$f")
  q="$out/quillon/$name"; g="$out/gifsicle/$name"
  [ -f "$q" ] || q_missing=$((q_missing + 1))
  [ -f "$g" ] || g_missing=$((g_missing + 1))
  if [ -f "$q" ] && [ -f "$g" ]; then
    both=$((both + 1))
    in_total=$((in_total + size))
    q_total=$((q_total + $(stat -c %s "$q")))
    g_total=$((g_total + $(stat -c %s "$g")))
    [ "$(stat -c %s "$q")" -lt "$size" ] && q_smaller=$((q_smaller + 1))
  fi
done
echo "files: ${#files[@]} (both tools wrote $both; quillon-cli wrote none for $q_missing, gifsicle for $g_missing)"
echo "input bytes (files both wrote): $in_total"
printf "quillon-cli:  %10d bytes  %6.2f s CPU  (%d files smaller than their input)\n" "$q_total" \
  "$(echo "$q_ticks / $ticks" | bc -l)" "$q_smaller"
printf "gifsicle -O3: %10d bytes  %6.2f s CPU\n" "$g_total" "$(echo "$g_ticks / $ticks" | bc -l)"
