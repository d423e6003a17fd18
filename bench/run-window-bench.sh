#!/usr/bin/env bash
# The window's main job against the command-line checker, side by side over
# one flat folder of 20,000 small JPEG files (hard links to the thumbnails
# that run-bench.sh makes): opening the folder with check-at-once on, to the
# last verdict, must take at most 1.3x `scanlark-check -j1` over the same
# files; the main thread must never stall longer than 50 ms meanwhile.
set -euo pipefail
export LC_ALL=C

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${SCANLARK_BENCH_BUILD:-$root/build-release}
corpus=${SCANLARK_BENCH_DIR:-/tmp/scanlark-bench}
flat=$corpus/flat20k
repeats=${SCANLARK_BENCH_REPEATS:-3}

# shellcheck source=bench/common.sh
source "$root/bench/common.sh"

[[ -f $corpus/thumbs.stamp ]] || bash "$root/bench/run-bench.sh" --no-micro >/dev/null
build_tools scanlark-check bench_window >/dev/null

if [[ ! -f $flat.stamp ]]; then
    rm -rf "$flat"
    mkdir -p "$flat"
    i=0
    while IFS= read -r -d '' file; do
        ln "$file" "$flat/$(printf 'img%05d' "$i").${file##*.}"
        i=$((i + 1))
        ((i < 20000)) || break
    done < <(find "$corpus/thumbs" -type f -name '*.jp*g' -print0 | sort -z)
    touch "$flat.stamp"
fi
cat "$flat"/* >/dev/null  # warm the cache

best=""
for _ in $(seq "$repeats"); do
    best=$(lower "$best" "$(seconds_of "$build/tools/scanlark-check" -q -j1 "$flat")")
done
window=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_window" "$flat" "$repeats" | tail -n 1)
echo "uptime: $(uptime)"
echo "scanlark-check -j1: $best s"
echo "window: $window"
awk -v cli="$best" -v line="$window" 'BEGIN {
    split(line, f, " ");
    for (i = 1; i < length(f); i += 2) v[f[i]] = f[i + 1];
    ratio = v["best_seconds"] / cli;
    printf "window / scanlark-check -j1: %.2f (target <= 1.30) %s\n", ratio, ratio <= 1.3 ? "met" : "MISSED";
    printf "worst main-thread stall: %d ms (target <= 50) %s\n", v["worst_stall_ms"], v["worst_stall_ms"] <= 50 ? "met" : "MISSED";
}'
