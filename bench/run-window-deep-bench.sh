#!/usr/bin/env bash
# The window's deep check against `scanlark-check --deep -j N` (N = cores)
# over one flat folder of photos: opening the folder with check-at-once and
# the deep check on, to the last decode, must take at most 1.1x the
# command line's time, and the main thread must never stall 16 ms or more
# meanwhile. With the deep check off, the window's check time is set beside
# another build's window (SCANLARK_BENCH_REFERENCE_WINDOW, e.g. one built from
# main) over the same photos and over thumbnails, in the same rounds.
set -euo pipefail
export LC_ALL=C

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${SCANLARK_BENCH_BUILD:-$root/build-release}
corpus=${SCANLARK_BENCH_DIR:-/tmp/scanlark-bench}
repeats=${SCANLARK_BENCH_REPEATS:-3}
count=${SCANLARK_DEEP_WINDOW_PHOTOS:-100}
reference=${SCANLARK_BENCH_REFERENCE_WINDOW:-}
jobs=$(nproc)

# shellcheck source=bench/common.sh
source "$root/bench/common.sh"

[[ -f $corpus/photos.stamp && -f $corpus/thumbs.stamp ]] || bash "$root/bench/run-bench.sh" --no-micro >/dev/null
if [[ -f $build/CMakeCache.txt ]]; then
    build_in_existing scanlark-check bench_window >/dev/null
else
    build_tools scanlark-check bench_window >/dev/null
fi

# Flat folders of hard links: the first $count photos, and 5,000 thumbnails.
flat_folder() {  # SOURCE FOLDER COUNT
    if [[ ! -f $2.stamp ]]; then
        rm -rf "$2"
        mkdir -p "$2"
        local i=0 file
        while IFS= read -r -d '' file; do
            ln "$file" "$2/$(printf 'img%05d' "$i").jpg"
            i=$((i + 1))
            ((i < $3)) || break
        done < <(find "$1" -type f -name '*.jp*g' -print0 | sort -z)
        touch "$2.stamp"
    fi
    cat "$2"/* >/dev/null  # warm the cache
}
photos=$corpus/window-deep-$count
thumbs=$corpus/window-thumbs-5000
flat_folder "$corpus/photos" "$photos" "$count"
flat_folder "$corpus/thumbs" "$thumbs" 5000

field() { awk -v key="$1" '{ for (i = 1; i < NF; i += 2) if ($i == key) print $(i + 1) }'; }
window_run() {  # PROGRAM FOLDER [--deep]: the summary line of one run
    QT_QPA_PLATFORM=offscreen "$@" 2>/dev/null | tail -n 1
}
higher() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b > a) ? b : a }'; }

# Deep check on: the command line and the window take turns, so that other
# programs on the machine weigh on both alike.
cli="" deep="" stall="" busy=""
for _ in $(seq "$repeats"); do
    cli=$(lower "$cli" "$(seconds_of "$build/tools/scanlark-check" -q --deep -j "$jobs" "$photos")")
    line=$(window_run "$build/bench/bench_window" "$photos" 1 --deep)
    deep=$(lower "$deep" "$(field best_seconds <<<"$line")")
    stall=$(higher "$stall" "$(field worst_stall_ms <<<"$line")")
    busy=$(higher "$busy" "$(field worst_busy_ms <<<"$line")")
done
echo "uptime: $(uptime)"
echo "photos: $count in $photos, $(du -sh "$photos" | cut -f1); cores: $jobs"
echo "scanlark-check --deep -j $jobs: $cli s"
echo "window, deep check on: $deep s"
awk -v cli="$cli" -v best="$deep" -v stall="$stall" -v busy="$busy" 'BEGIN {
    ratio = best / cli;
    printf "window deep / scanlark-check --deep -j N: %.2f (target <= 1.10) %s\n", ratio, ratio <= 1.1 ? "met" : "MISSED";
    printf "longest main-thread stall while decoding: %d ms wall, %.1f ms of its own CPU (target < 16) %s\n",
           stall, busy, stall < 16 ? "met" : "MISSED";
}'

# Deep check off: this window against the reference's, taking turns.
for folder in "$photos" "$thumbs"; do
    ours="" theirs=""
    for _ in $(seq "$repeats"); do
        ours=$(lower "$ours" "$(window_run "$build/bench/bench_window" "$folder" 3 | field best_seconds)")
        if [[ -n $reference ]]; then
            theirs=$(lower "$theirs" "$(window_run "$reference" "$folder" 3 | field best_seconds)")
        fi
    done
    echo "window, deep check off, ${folder##*/}: $ours s"
    if [[ -n $reference ]]; then
        echo "reference window, ${folder##*/}: $theirs s"
        awk -v a="$ours" -v b="$theirs" 'BEGIN {
            printf "deep check off / reference: %.2f (target <= 1.05) %s\n", a / b, a / b <= 1.05 ? "met" : "MISSED" }'
    fi
done
