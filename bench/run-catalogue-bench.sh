#!/usr/bin/env bash
# Measures the window's file catalogue and check worker against the design's
# budgets, side by side with a yardstick where there is one: listing a tree of
# 100,000 files against find, sorting it by four columns, the check worker
# against scanlark-check -j1 on the corpus of run-bench.sh, and the resident
# memory with the tree listed and checked. See bench/README.md.
set -euo pipefail
# EPOCHREALTIME and printf must use "." as the decimal point; bench_catalogue
# keeps the caller's locale, whose collation the name sort uses.
caller_locale=${LC_ALL:-}
export LC_ALL=C

usage() {
    cat <<'EOF'
usage: bench/run-catalogue-bench.sh [--rebuild-tree] [--strict]

  --rebuild-tree  generate the 100,000-file tree anew even when a matching one exists
  --strict        exit with status 1 when a target is missed

Environment (defaults in brackets):
  SCANLARK_BENCH_DIR        corpus of run-bench.sh, with photos/ and thumbs/ [/tmp/scanlark-bench]
  SCANLARK_BENCH_TREE       cache folder of the tree [$SCANLARK_BENCH_DIR/tree100k]
  SCANLARK_BENCH_REPEATS    timed runs per command, the best counts [5]
  SCANLARK_BENCH_BUILD      build folder [build-release in the repository]
EOF
}

rebuild=0
strict=0
for arg in "$@"; do
    case $arg in
    --rebuild-tree) rebuild=1 ;;
    --strict) strict=1 ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
    esac
done

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${SCANLARK_BENCH_BUILD:-$root/build-release}
# shellcheck source=bench/common.sh
source "$root/bench/common.sh"
corpus=${SCANLARK_BENCH_DIR:-/tmp/scanlark-bench}
tree=${SCANLARK_BENCH_TREE:-$corpus/tree100k}
repeats=${SCANLARK_BENCH_REPEATS:-5}
# 100 folders of 10 subfolders of 100 files: the design's 100,000 files in a nested tree.
tree_shape=(100 10 100)
# Bump when the tree's recipe changes, so old caches are rebuilt.
tree_version=1

[[ $repeats =~ ^[1-9][0-9]*$ ]] || { echo "run-catalogue-bench: SCANLARK_BENCH_REPEATS must be a positive integer" >&2; exit 2; }

# bench_catalogue in the caller's locale (see the top).
catalogue() {
    if [[ -n $caller_locale ]]; then
        LC_ALL=$caller_locale "$bench" "$@"
    else
        env -u LC_ALL "$bench" "$@"
    fi
}

# The value of "NAME value" in bench_catalogue's output $2.
value_of() { awk -v name="$1" '$1 == name { print $2; exit }' <<<"$2"; }

# A few distinct JPEG files of about 1 KB, copied in turn into a nested tree.
make_tree() {
    local stamp=$tree.stamp want="v$tree_version tree=${tree_shape[*]}"
    if ((!rebuild)) && [[ -f $stamp && $(<"$stamp") == "$want" ]]; then
        return
    fi
    log "generating $((tree_shape[0] * tree_shape[1] * tree_shape[2])) files in $tree"
    rm -rf "$tree" "$stamp"
    local templates recipe seed size quality
    templates=$(mktemp -d)
    for recipe in "1 40x30 75" "2 48x36 80" "3 32x24 90" "4 56x42 70"; do
        read -r seed size quality <<<"$recipe"
        "$generator" -s "$seed" "$size" | cjpeg -quality "$quality" >"$templates/t$seed.jpg"
    done
    "$make_tree" "$tree" "${tree_shape[@]}" "$templates"/t*.jpg >/dev/null
    rm -rf "$templates"
    echo "$want" >"$stamp"
}

count_jpeg_files() { find "$1" -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | wc -l; }

warm() { find "$1" -type f -print0 | xargs -0 cat >/dev/null; }

rows=()
ratios=()
misses=0

# target LABEL VALUE OP LIMIT [UNIT]: one line against a budget (OP ">=", "<=" or "<").
target() {
    local line
    line=$(awk -v label="$1" -v value="$2" -v op="$3" -v limit="$4" -v unit="${5:-}" 'BEGIN {
        met = (op == ">=") ? value >= limit : (op == "<=") ? value <= limit : value < limit
        printf "%-42s %9.2f %-3s target %-10s %s", label, value, unit, op " " limit (unit == "" ? "" : " " unit),
            (met ? "met" : "MISSED") }')
    ratios+=("$line")
    [[ $line == *MISSED ]] && misses=$((misses + 1))
    return 0
}

measure_listing() {
    local files=$1 find_best="" list_best="" list_first="" bare_best="" round t out
    log "listing: find vs bench_catalogue list, best of $repeats"
    for ((round = 0; round < repeats; round++)); do
        t=$(seconds_of find "$tree" -printf '%s %T@\n')
        find_best=$(lower "$find_best" "$t")
        # Two listings per process: the first also loads the MIME database.
        out=$(catalogue list "$tree" --repeat 2)
        [[ $(value_of entries "$out") == "$files" ]] || {
            echo "run-catalogue-bench: bench_catalogue listed $(value_of entries "$out") of $files files" >&2
            exit 1
        }
        list_best=$(lower "$list_best" "$(value_of seconds "$out")")
        list_first=$(lower "$list_first" "$(value_of first_seconds "$out")")
        bare_best=$(lower "$bare_best" "$(value_of bare_seconds "$out")")
    done
    local stall
    stall=$(value_of refresh_longest_main_thread_stall_ms "$out")
    rows+=("$(printf '%-50s %9.3f s' "find -printf '%s %T@\\n' (whole process)" "$find_best")")
    rows+=("$(printf '%-50s %9.3f s' "bench_catalogue list, a later listing" "$list_best")")
    rows+=("$(printf '%-50s %9.3f s' "bench_catalogue list, first of the process" "$list_first")")
    rows+=("$(printf '%-50s %9.3f s' "bare readdir + statx walk (in the same process)" "$bare_best")")
    rows+=("$(awk -v a="$list_best" -v b="$bare_best" 'BEGIN { printf "%-50s %9.2f", "  list / bare walk", a / b }')")
    target "list / find" "$(awk -v a="$list_best" -v b="$find_best" 'BEGIN { print a / b }')" "<=" 2
    target "first list of a process / find" "$(awk -v a="$list_first" -v b="$find_best" 'BEGIN { print a / b }')" "<=" 2
    target "refresh: longest main-thread stall" "$stall" "<" 50 ms
}

# One folder of many files (run-window-bench.sh makes it), against the bare walk.
measure_flat_listing() {
    local folder=$corpus/flat20k out
    [[ -d $folder ]] || { log "no $folder (run-window-bench.sh makes it): flat listing left out"; return 0; }
    log "flat listing: bench_catalogue list, best of $repeats"
    out=$(catalogue list "$folder" --repeat "$repeats")
    rows+=("$(printf '%-50s %9.3f s' "flat folder of $(value_of entries "$out"): bench_catalogue list" "$(value_of seconds "$out")")")
    rows+=("$(printf '%-50s %9.3f s' "  bare readdir + statx walk" "$(value_of bare_seconds "$out")")")
    rows+=("$(printf '%-50s %9.2f' "  list / bare walk" "$(value_of ratio_to_bare "$out")")")
}

measure_sorting() {
    local out line
    log "sorting: bench_catalogue sort, best of $repeats"
    out=$(catalogue sort "$tree" --repeat "$repeats")
    rows+=("$(printf '%-50s %9s %9s' "sort of $(value_of entries "$out") entries (ms)" best first)")
    while read -r _ mode from best first; do
        rows+=("$(printf '%-50s %9.1f %9.1f' "  by $mode, from the $from order" "$best" "$first")")
        target "sort by $mode from the $from order" "$best" "<" 300 ms
    done < <(awk '$1 == "sort"' <<<"$out")
}

# The check worker against scanlark-check -j1 over one corpus folder.
measure_check() {
    local name=$1 folder=$2 cli_best="" worker_best="" round t out status=0
    log "$name: verifying (untimed)"
    "$checker" -q -j1 -r "$folder" >/dev/null || status=$?
    ((status == 0)) || { echo "run-catalogue-bench: scanlark-check judged some $name files damaged" >&2; exit 1; }
    log "$name: scanlark-check -j1 vs bench_catalogue check, best of $repeats"
    for ((round = 0; round < repeats; round++)); do
        t=$(seconds_of "$checker" -q -j1 -r "$folder")
        cli_best=$(lower "$cli_best" "$t")
        out=$(catalogue check "$folder")
        [[ $(value_of errors "$out") == 0 ]] || {
            echo "run-catalogue-bench: the check worker found $(value_of errors "$out") errors in $name" >&2
            exit 1
        }
        worker_best=$(lower "$worker_best" "$(value_of seconds "$out")")
    done
    local files bytes list stall
    files=$(value_of files "$out")
    bytes=$(value_of bytes "$out")
    list=$(value_of list_seconds "$out")
    stall=$(value_of longest_main_thread_stall_ms "$out")
    rows+=("$(awk -v n="$name" -v f="$files" -v b="$bytes" -v t="$cli_best" \
        'BEGIN { printf "%-50s %9.3f s %8.1f MB/s", n ": scanlark-check -q -j1 -r (" f " files)", t, b / 1e6 / t }')")
    rows+=("$(awk -v n="$name" -v b="$bytes" -v t="$worker_best" \
        'BEGIN { printf "%-50s %9.3f s %8.1f MB/s", n ": check worker, Start to OnTerminate", t, b / 1e6 / t }')")
    rows+=("$(printf '%-50s %9.3f s' "$name: catalogue listing before it (untimed)" "$list")")
    target "$name: worker / -j1 throughput" "$(awk -v a="$cli_best" -v b="$worker_best" 'BEGIN { print a / b }')" ">=" 0.8
    target "$name: check, longest main-thread stall" "$stall" "<" 50 ms
}

measure_memory() {
    local out rss peak before entries
    log "memory: bench_catalogue memory"
    out=$(catalogue memory "$tree")
    entries=$(value_of entries "$out")
    before=$(value_of rss_before_kb "$out")
    rss=$(value_of vmrss_kb "$out")
    peak=$(value_of vmhwm_kb "$out")
    rows+=("$(awk -v e="$entries" -v b="$before" -v r="$rss" -v p="$peak" 'BEGIN {
        printf "%-50s %9.1f MB\n", "resident before listing", b / 1024
        printf "%-50s %9.1f MB\n", "VmRSS, " e " entries listed and checked", r / 1024
        printf "%-50s %9.1f MB\n", "VmHWM (peak)", p / 1024
        printf "%-50s %9.0f bytes", "  per entry (VmRSS growth)", (r - b) * 1024 / e }')")
    target "VmHWM, listed and checked" "$(awk -v p="$peak" 'BEGIN { print p / 1024 }')" "<" 200 MB
}

install_missing_packages libjpeg-turbo-progs
# Only what is measured: the window and the tests are not needed here.
build_tools scanlark-check bench_catalogue make_catalogue_tree make_corpus_images
checker=$build/tools/scanlark-check
bench=$build/bench/bench_catalogue
make_tree=$build/bench/make_catalogue_tree
generator=$build/bench/make_corpus_images
for program in "$checker" "$bench" "$make_tree" "$generator"; do
    [[ -x $program ]] || { echo "run-catalogue-bench: $program was not built" >&2; exit 1; }
done
for stamp in "$corpus/photos.stamp" "$corpus/thumbs.stamp"; do
    [[ -f $stamp ]] || { echo "run-catalogue-bench: no corpus in $corpus: run bench/run-bench.sh --no-micro first" >&2; exit 1; }
done

make_tree
tree_files=$(count_jpeg_files "$tree")
log "warming the page cache"
warm "$tree"
warm "$corpus/photos"
warm "$corpus/thumbs"
log "load: $(uptime)"
busy=$(busy_percent)
if ((busy > 10)); then
    log "other programs used ${busy}% of the CPU time just now: the timings will be distorted"
fi

measure_listing "$tree_files"
measure_flat_listing
measure_sorting
measure_check photos "$corpus/photos"
measure_check thumbs "$corpus/thumbs"
measure_memory

echo
echo "Wall time, best of $repeats, warm page cache; MB = 10^6 bytes (memory: 2^20); $(nproc) cores;" \
    "CPU busy ${busy}% before the timings"
printf '%s\n' "${rows[@]}"
echo
printf '%s\n' "${ratios[@]}"

if ((strict && misses)); then
    exit 1
fi
