#!/usr/bin/env bash
# The reading side of the check, in one run: read-ahead on cold files, the
# window's single check worker against the command line, the checker against
# a plain read of the same files (warm and cold), system calls per file, two
# jobs against one, and what read-ahead costs on warm files. Cold means the
# page cache is dropped before each timed run, which needs root (or sudo);
# without it the script says so and times warm runs only. See bench/README.md.
set -euo pipefail
export LC_ALL=C

usage() {
    cat <<'USAGE'
usage: bench/run-speed-bench.sh [--strict]

  --strict  exit with status 1 when a target is missed

Environment (defaults in brackets):
  SCANLARK_BENCH_DIR      corpus folder made by run-bench.sh [/tmp/scanlark-bench]
  SCANLARK_BENCH_BUILD    build folder; an existing one is used as configured [build-release]
  SCANLARK_BENCH_REPEATS  timed runs per warm command, the best counts [3]
  SCANLARK_BENCH_COLD     timed runs per cold command, the best counts [2]
  SCANLARK_BENCH_SYSCALL_FILES  files given as arguments for the system-call count [1000]
USAGE
}

strict=0
for arg in "$@"; do
    case $arg in
    --strict) strict=1 ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
    esac
done

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${SCANLARK_BENCH_BUILD:-$root/build-release}
corpus=${SCANLARK_BENCH_DIR:-/tmp/scanlark-bench}
repeats=${SCANLARK_BENCH_REPEATS:-3}
cold_repeats=${SCANLARK_BENCH_COLD:-2}
syscall_files=${SCANLARK_BENCH_SYSCALL_FILES:-1000}
# shellcheck source=bench/common.sh
source "$root/bench/common.sh"

# The corpus and the window bench's flat folder of 20,000 thumbnails.
[[ -f $corpus/thumbs.stamp && -f $corpus/photos.stamp ]] || bash "$root/bench/run-bench.sh" --no-micro >/dev/null
if [[ -f $build/CMakeCache.txt ]]; then
    build_in_existing scanlark-check bench_window memchr_baseline >/dev/null
else
    build_tools scanlark-check bench_window memchr_baseline >/dev/null
fi
[[ -f $corpus/flat20k.stamp ]] || bash "$root/bench/run-window-bench.sh" >/dev/null

checker=$build/tools/scanlark-check
thumbs=$corpus/flat20k
photos=$corpus/photos
lists=$(mktemp -d)
trap 'rm -rf "$lists"' EXIT
find "$thumbs" -type f -name '*.jp*g' -print0 | sort -z >"$lists/thumbs"
find "$photos" -type f -name '*.jp*g' -print0 | sort -z >"$lists/photos"

can_drop=0
if as_root sh -c 'sync; echo 3 > /proc/sys/vm/drop_caches' 2>/dev/null; then
    can_drop=1
else
    log "cannot drop the page cache (needs root or sudo): cold runs are left out"
fi
drop_cache() { as_root sh -c 'sync; echo 3 > /proc/sys/vm/drop_caches'; }
warm() { xargs -0 cat <"$1" >/dev/null; }

# best WARM|COLD COMMAND...: the fastest of the runs, in seconds.
best() {
    local mode=$1 runs t b=""
    shift
    runs=$repeats
    [[ $mode == cold ]] && runs=$cold_repeats
    for _ in $(seq "$runs"); do
        [[ $mode == cold ]] && drop_cache
        t=$(seconds_of "$@")
        b=$(lower "$b" "$t")
    done
    echo "$b"
}
checker_ra() { "$checker" "$@"; }
checker_no_ra() { SCANLARK_READ_AHEAD=0 "$checker" "$@"; }
# Each file read whole into one reused buffer, nothing else.
read_list() { "$build/bench/memchr_baseline" -n -z -f "$1"; }
find_and_read() { find "$1" -type f -name '*.jp*g' -print0 | "$build/bench/memchr_baseline" -n -z; }
window_check() {
    local line
    line=$(QT_QPA_PLATFORM=offscreen "$build/bench/bench_window" "$1" 1 | tail -n 1)
    awk -v line="$line" 'BEGIN { split(line, f, " "); for (i = 1; i < length(f); i += 2) if (f[i] == "best_seconds") print f[i + 1] }'
}
# The window bench times itself from OpenFolder to the last verdict.
best_window() {
    local mode=$1 t b=""
    for _ in $(seq "$([[ $mode == cold ]] && echo "$cold_repeats" || echo "$repeats")"); do
        [[ $mode == cold ]] && drop_cache
        t=$(window_check "$2")
        b=$(lower "$b" "$t")
    done
    echo "$b"
}

results=()
missed=0
# report LABEL VALUE TARGET-OP TARGET: one line, met or MISSED.
report() {
    local line
    line=$(awk -v label="$1" -v v="$2" -v op="$3" -v target="$4" 'BEGIN {
        met = (op == ">=") ? v >= target : v <= target;
        printf "%-66s %7.2f  (target %s %s) %s", label, v, op, target, met ? "met" : "MISSED" }')
    [[ $line == *MISSED ]] && missed=1
    results+=("$line")
    echo "$line"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", a / b }'; }

echo "uptime before: $(uptime)"
echo "busy in the second before the timings: $(busy_percent)% of all CPU time"

# Cold.
if ((can_drop)); then
    cold_no_ra=$(best cold checker_no_ra -q -j1 -r "$thumbs")
    cold_ra=$(best cold checker_ra -q -j1 -r "$thumbs")
    cold_window=$(best_window cold "$thumbs")
    cold_photos_check=$(best cold checker_ra -q -j1 -r "$photos")
    cold_photos_read=$(best cold read_list "$lists/photos")
    echo "cold thumbs: -j1 without read-ahead $cold_no_ra s, with $cold_ra s, window $cold_window s"
    echo "cold photos: -j1 $cold_photos_check s, plain read $cold_photos_read s"
    report "cold thumbs: -j1 -r speed-up from read-ahead" "$(ratio "$cold_no_ra" "$cold_ra")" ">=" 2.5
    report "cold thumbs: window check / -j1 with read-ahead (time)" "$(ratio "$cold_window" "$cold_ra")" "<=" 1.2
    report "cold photos: -j1 speed-up over a plain read" "$(ratio "$cold_photos_read" "$cold_photos_check")" ">=" 1.3
fi

# Warm.
warm "$lists/thumbs"
warm "$lists/photos"
photos_j1=$(best warm checker_ra -q -j1 -r "$photos")
photos_j2=$(best warm checker_ra -q -j2 -r "$photos")
photos_no_ra=$(best warm checker_no_ra -q -j1 -r "$photos")
photos_read=$(best warm read_list "$lists/photos")
thumbs_j1=$(best warm checker_ra -q -j1 -r "$thumbs")
thumbs_no_ra=$(best warm checker_no_ra -q -j1 -r "$thumbs")
thumbs_read=$(best warm find_and_read "$thumbs")
echo "warm photos: -j1 $photos_j1 s, -j2 $photos_j2 s, -j1 without read-ahead $photos_no_ra s, reading $photos_read s"
echo "warm thumbs: -j1 $thumbs_j1 s, without read-ahead $thumbs_no_ra s, find + reading $thumbs_read s"
report "warm photos: -j1 / reading each file (time)" "$(ratio "$photos_j1" "$photos_read")" "<=" 1.35
report "warm thumbs: -j1 -r / find + reading each file (time)" "$(ratio "$thumbs_j1" "$thumbs_read")" "<=" 1.2
report "warm photos: -j2 speed-up over -j1" "$(ratio "$photos_j1" "$photos_j2")" ">=" 1.8
report "warm photos: read-ahead / none (time)" "$(ratio "$photos_j1" "$photos_no_ra")" "<=" 1.05
report "warm thumbs: read-ahead / none (time)" "$(ratio "$thumbs_j1" "$thumbs_no_ra")" "<=" 1.05

# System calls per file given as an argument: the difference between runs over
# 2N and N files, so that the start of the process is not charged to the files.
# The files are warm, as a second look at them would find them.
calls_for() {
    head -z -n "$1" "$lists/thumbs" | xargs -0 strace -f -c -o "$lists/strace" "$checker" -q -j1 >/dev/null
    awk '$NF == "total" { print $4 }' "$lists/strace"
}
if command -v strace >/dev/null; then
    one=$(calls_for "$syscall_files")
    two=$(calls_for $((2 * syscall_files)))
    report "system calls per file given as an argument" \
        "$(awk -v a="$one" -v b="$two" -v n="$syscall_files" 'BEGIN { printf "%.2f", (b - a) / n }')" "<=" 5
    echo "  $one calls for $syscall_files files, $two for $((2 * syscall_files)), startup included"
else
    log "strace is missing: no system-call count"
fi

echo "uptime after: $(uptime)"
((strict && missed)) && exit 1
exit 0
