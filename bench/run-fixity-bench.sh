#!/bin/bash
# The fixity catalogue (bench/README.md, "The fixity catalogue"), side by
# side: --catalog over the photos against sha256sum over the same files,
# warm and cold; --changed-only over the 20,000 thumbnails against a bare
# listing; the size of a catalogue of 10^6 records, and the time and memory
# of the runs that make and re-check it.
#   bench/run-fixity-bench.sh [--strict]   # --strict: exit 1 when a target is missed
set -euo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SCANLARK_BENCH_BUILD:-$root/build-release}
corpus=${SCANLARK_BENCH_DIR:-/tmp/scanlark-bench}
dir=$corpus/fixity
repeats=${SCANLARK_BENCH_REPEATS:-3}
strict=0
[[ ${1:-} == --strict ]] && strict=1
source "$root/bench/common.sh"

install_missing_packages time
# The photos and thumbnails of run-bench.sh, made once and kept.
SCANLARK_BENCH_BUILD=$build bash "$root/bench/run-bench.sh" --corpus-only
build_tools scanlark-check make-samples
check=$build/tools/scanlark-check
failures=0
miss() { log "MISSED: $*"; failures=$((failures + 1)); }
mkdir -p "$dir"

can_drop=1
as_root sh -c 'sync; echo 3 > /proc/sys/vm/drop_caches' 2>/dev/null || can_drop=0
((can_drop)) || log "cannot drop the page cache: no cold rows"
warm() { xargs -0 cat < "$1" > /dev/null; }

# best WARMTH COMMAND...: the best wall time of the command (output to
# /dev/null, any exit status): of $repeats runs warm, of 2 cold (the page
# cache dropped before each). A command may name "$fresh" to start from no
# catalogue: the file is removed before each run.
fresh=$dir/fresh.db
best() {
    local warmth=$1 runs=$repeats low="" start end
    shift
    [[ $warmth == cold ]] && runs=2
    for ((r = 0; r < runs; r++)); do
        rm -f "$fresh" "$fresh-wal" "$fresh-shm"
        if [[ $warmth == cold ]]; then
            as_root sh -c 'sync; echo 3 > /proc/sys/vm/drop_caches'
        fi
        start=$EPOCHREALTIME
        "$@" > /dev/null 2>&1 || true
        end=$EPOCHREALTIME
        low=$(lower "$low" "$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }')")
    done
    echo "$low"
}

# row LABEL SECONDS REFERENCE-SECONDS [TARGET]: a table row with the ratio to the reference.
row() {
    local ratio verdict=""
    ratio=$(awk -v a="$2" -v b="$3" 'BEGIN { printf "%.2f", a / b }')
    if [[ -n ${4:-} ]]; then
        if awk -v r="$ratio" -v t="$4" 'BEGIN { exit !(r <= t) }'; then verdict="<= $4 met"; else
            verdict="<= $4 MISSED"; miss "$1: $ratio x"; fi
    fi
    printf '| %s | %.3f s | %s | %s |\n' "$1" "$2" "$ratio" "$verdict"
}

log "uptime: $(uptime)"
log "CPU busy in the second before: $(busy_percent)%"

photos=$corpus/photos
bytes=$(xargs -0 stat -c %s < "$corpus/photos.list" | awk '{ s += $1 } END { print s }')
files=$(tr -cd '\0' < "$corpus/photos.list" | wc -c)
echo
echo "## Photos: $files files, $(awk -v b="$bytes" 'BEGIN { printf "%.0f", b / 1e6 }') MB"
# The catalogue of the photos, for the runs that compare with it.
"$check" -r -q --catalog "$dir/photos.db" "$photos" > /dev/null || true
for warmth in warm cold; do
    if [[ $warmth == cold ]] && ((!can_drop)); then continue; fi
    [[ $warmth == warm ]] && warm "$corpus/photos.list"
    echo
    echo "$warmth (best of $([[ $warmth == warm ]] && echo "$repeats" || echo 2)):"
    echo
    echo "| command | wall | / sha256sum | target |"
    echo "|---|---|---|---|"
    reference=$(best "$warmth" xargs -0 -a "$corpus/photos.list" sha256sum)
    row '`xargs -0 sha256sum` (the reference)' "$reference" "$reference"
    row '`scanlark-check -r -q -j1` (no hash)' "$(best "$warmth" "$check" -r -q -j1 "$photos")" "$reference"
    row '`-j1 --catalog NEW.db` (records)' "$(best "$warmth" "$check" -r -q -j1 --catalog "$fresh" "$photos")" "$reference" 1.3
    row '`-j1 --catalog photos.db --verify`' "$(best "$warmth" "$check" -r -q -j1 --catalog "$dir/photos.db" --verify "$photos")" "$reference" 1.3
    row '`-j1 --manifest`' "$(best "$warmth" "$check" -r -q -j1 --manifest "$photos")" "$reference" 1.3
    row '`xargs -0 -P2 -n 20 sha256sum`' "$(best "$warmth" xargs -0 -a "$corpus/photos.list" -P2 -n 20 sha256sum)" "$reference"
    row '`-j2 --catalog NEW.db`' "$(best "$warmth" "$check" -r -q -j2 --catalog "$fresh" "$photos")" "$reference"
done

thumbs=$corpus/thumbs
files=$(tr -cd '\0' < "$corpus/thumbs.list" | wc -c)
echo
echo "## Thumbnails: $files files, --changed-only over an unchanged catalogue"
"$check" -r -q --catalog "$dir/thumbs.db" "$thumbs" > /dev/null || true
# row2 LABEL SECONDS BARE PRINTING [TARGET]: ratios to both listings.
row2() {
    local bare printing verdict=""
    bare=$(awk -v a="$2" -v b="$3" 'BEGIN { printf "%.2f", a / b }')
    printing=$(awk -v a="$2" -v b="$4" 'BEGIN { printf "%.2f", a / b }')
    if [[ -n ${5:-} ]]; then
        for ratio in "$bare" "$printing"; do
            if awk -v r="$ratio" -v t="$5" 'BEGIN { exit !(r <= t) }'; then verdict+=" met"; else
                verdict+=" MISSED"; miss "$1: $ratio x"; fi
        done
        verdict="<= $5:$verdict"
    fi
    printf '| %s | %.3f s | %s | %s | %s |\n' "$1" "$2" "$bare" "$printing" "$verdict"
}
for warmth in warm cold; do
    if [[ $warmth == cold ]] && ((!can_drop)); then continue; fi
    [[ $warmth == warm ]] && warm "$corpus/thumbs.list"
    echo
    echo "$warmth (best of $([[ $warmth == warm ]] && echo "$repeats" || echo 2)):"
    echo
    echo "| command | wall | / bare listing | / listing that prints | target |"
    echo "|---|---|---|---|---|"
    bare=$(best "$warmth" find "$thumbs" -type f -printf '%s %T@\n')
    printing=$(best "$warmth" find "$thumbs" -type f -printf '%p %s %T@ %i\n')
    row2 '`find -type f -printf "%s %T@\n"` (bare listing)' "$bare" "$bare" "$printing"
    row2 '`find -type f -printf "%p %s %T@ %i\n"` (prints)' "$printing" "$bare" "$printing"
    target=""
    [[ $warmth == warm ]] && target=1.3
    row2 '`-j1 --catalog thumbs.db --changed-only`' "$(best "$warmth" "$check" -r -q -j1 --catalog "$dir/thumbs.db" --changed-only "$thumbs")" "$bare" "$printing" $target
    row2 '`-j2 --catalog thumbs.db --changed-only`' "$(best "$warmth" "$check" -r -q -j2 --catalog "$dir/thumbs.db" --changed-only "$thumbs")" "$bare" "$printing" $target
    row2 '`-j2 ... --changed-only --verify --json`' "$(best "$warmth" "$check" -r -q -j2 --json --catalog "$dir/thumbs.db" --changed-only --verify "$thumbs")" "$bare" "$printing"
    row2 '`-j2 --catalog thumbs.db --verify` (reads all)' "$(best "$warmth" "$check" -r -q -j2 --catalog "$dir/thumbs.db" --verify "$thumbs")" "$bare" "$printing"
done

# 10^6 records: the pipeline bench's tree of hard links to the sample files.
samples=$corpus/pipe/samples
tree=$corpus/pipe/tree1m
if [[ ! -f $tree/.done ]]; then
    if [[ ! -f $samples/.done ]]; then
        rm -rf "$samples"
        mkdir -p "$corpus/pipe"
        "$build/tools/make-samples" "$samples" > /dev/null
        touch "$samples/.done"
    fi
    log "making the tree of 10^6 files (a minute or two)"
    make_million_tree "$samples" "$tree" "$corpus/pipe/templates"
    find "$tree" -name '*.jpg' > "$corpus/pipe/list1m.txt"
    touch "$tree/.done"
fi
million=$dir/million.db
rm -f "$million" "$million-wal" "$million-shm"
echo
echo "## 10^6 records (paths of $(head -1 "$corpus/pipe/list1m.txt" | tr -d '\n' | wc -c) bytes)"
echo
echo "| run | wall | max resident | catalogue after |"
echo "|---|---|---|---|"
measure_run() {
    local label=$1 start end kb
    shift
    start=$EPOCHREALTIME
    /usr/bin/time -f %M -o "$dir/time.txt" "$@" > /dev/null 2>&1 || true
    end=$EPOCHREALTIME
    kb=$(tail -1 "$dir/time.txt")
    printf '| %s | %.1f s | %.0f MB | %.1f MB |\n' "$label" "$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')" \
        "$(awk -v k="$kb" 'BEGIN { print k / 1024 }')" "$( (cat "$million" "$million-wal" 2>/dev/null || true) | wc -c | awk '{ print $1 / 1e6 }')"
}
measure_run '`-r -q --catalog` (records 10^6 files)' "$check" -r -q --catalog "$million" "$tree"
records=$(python3 -c 'import sqlite3, sys; print(sqlite3.connect(sys.argv[1]).execute("select count(*) from files").fetchone()[0])' "$million")
measure_run '`-r -q --catalog --changed-only --verify`' "$check" -r -q --catalog "$million" --changed-only --verify "$tree"
size=$( (cat "$million" "$million-wal" 2>/dev/null || true) | wc -c)
echo
echo "$records records, $(awk -v b="$size" -v n="$records" 'BEGIN { printf "%.1f MB, %.0f bytes a record", b / 1e6, b / n }') (target <= 300 MB for 10^6)"
awk -v b="$size" -v n="$records" 'BEGIN { exit !(b / n * 1e6 <= 300e6) }' || miss "catalogue of $records records: $size bytes"
python3 - "$million" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
try:
    rows = db.execute("select name, sum(pgsize) from dbstat group by name order by 2 desc").fetchall()
    print("by table and index: " + ", ".join("%s %.1f MB" % (name, size / 1e6) for name, size in rows))
except sqlite3.OperationalError:
    pass
PY

echo
if ((failures)); then
    log "$failures target(s) missed"
    ((strict)) && exit 1
fi
exit 0
