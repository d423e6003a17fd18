#!/bin/bash
# scanlark-check in pipelines (bench/README.md, "Pipelines"): the memory of a
# run over a tree of 10^6 files and over a list of 10^6 paths, whole lines
# from runs that share one pipe (xargs -P4, GNU parallel), SIGTERM at random
# moments, and files/s for -j1, -j2 and two shards at once, warm and cold.
#   bench/run-pipe-bench.sh [--strict]   # --strict: exit 1 when a check fails
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SCANLARK_BENCH_BUILD:-$root/build-release}
dir=${SCANLARK_BENCH_DIR:-/tmp/scanlark-bench}/pipe
repeats=${SCANLARK_BENCH_REPEATS:-3}
tries=${SCANLARK_BENCH_SIGNAL_TRIES:-50}
strict=0
[[ ${1:-} == --strict ]] && strict=1
source "$root/bench/common.sh"

install_missing_packages parallel jq time
build_tools scanlark-check make-samples
check=$build/tools/scanlark-check
failures=0
miss() { log "MISSED: $*"; failures=$((failures + 1)); }

# The sample files of the build (sound, damaged, empty, ...), each tree below
# made of them.
mkdir -p "$dir"
if [[ ! -f $dir/samples/.done ]]; then
    rm -rf "$dir/samples"
    "$build/tools/make-samples" "$dir/samples" >/dev/null
    touch "$dir/samples/.done"
fi

# 10^6 files of the sample files (see make_million_tree).
if [[ ! -f $dir/tree1m/.done ]]; then
    log "making the tree of 10^6 files (a minute or two)"
    make_million_tree "$dir/samples" "$dir/tree1m" "$dir/templates"
    find "$dir/tree1m" -name '*.jpg' > "$dir/list1m.txt"
    touch "$dir/tree1m/.done"
fi

# About 28,000 files of their own (copies, so that they can be cold).
if [[ ! -f $dir/copies/.done ]]; then
    rm -rf "$dir/copies"
    cp -a "$dir/samples" "$dir/copies"
    for i in $(seq 1 11); do
        cp -a "$dir/copies" "$dir/copy" && mv "$dir/copy" "$dir/copies/c$i"
    done
    find "$dir/copies" -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | sort > "$dir/copies.txt"
    touch "$dir/copies/.done"
fi
head -20000 "$dir/copies.txt" > "$dir/list20k.txt"

log "uptime: $(uptime)"
log "CPU busy in the second before: $(busy_percent)%"

# Lines on stdin that are not a whole JSON object, and all lines.
count_json() {
    python3 -c '
import json, sys
good = bad = 0
for line in sys.stdin.buffer:
    try:
        json.loads(line); good += 1
    except ValueError:
        bad += 1
print(good, bad)'
}

echo
echo "## Memory (maximum resident set, /usr/bin/time)"
echo
echo "| run | records | wall | max resident |"
echo "|---|---|---|---|"
memory() {
    local label=$1; shift
    local start end kb lines
    start=$(date +%s.%N)
    /usr/bin/time -f %M -o "$dir/time.txt" "$@" > "$dir/out.txt" || true
    end=$(date +%s.%N)
    kb=$(tail -1 "$dir/time.txt")
    lines=$(wc -l < "$dir/out.txt")
    printf '| %s | %d | %.1f s | %.1f MB |\n' "$label" "$lines" "$(echo "$end - $start" | bc)" "$(echo "$kb / 1024" | bc -l)"
    ((kb < 100 * 1024)) || miss "$label: $kb kB resident"
}
memory "\`-r -q\` over the tree of 10^6 files (table)" "$check" -r -q "$dir/tree1m"
memory "\`-r -q --json\` over the tree" "$check" -r -q --json "$dir/tree1m"
memory "\`--files-from\` a list of 10^6 paths, \`--json\`" "$check" -q --json --files-from="$dir/list1m.txt"
rm -f "$dir/out.txt"

echo
echo "## Runs sharing one pipe: 20,000 JSON lines"
echo
echo "| command | lines that parse | torn |"
echo "|---|---|---|"
for how in xargs parallel; do
    if [[ $how == xargs ]]; then
        read -r good bad < <(xargs -P4 -n500 "$check" --json -q < "$dir/list20k.txt" | count_json)
        label="xargs -P4 -n500 scanlark-check --json"
    else
        read -r good bad < <(parallel -j4 --pipe -N 500 "$check" --files-from=- --json -q < "$dir/list20k.txt" | count_json)
        label="parallel -j4 --pipe -N 500 scanlark-check --files-from=- --json"
    fi
    echo "| \`$label\` | $good of 20000 | $bad |"
    ((good == 20000 && bad == 0)) || miss "$label: $good lines parse, $bad torn"
done

echo
echo "## SIGTERM at random moments ($tries tries, timeout 10 to 400 ms, output through a pipe)"
echo
torn=0 ended=0 lines=0
for ((i = 0; i < tries; i++)); do
    delay=$(printf '0.%03d' $((10 + RANDOM % 390)))
    set +e
    timeout --preserve-status -s TERM "$delay" "$check" --json -q -j2 --files-from="$dir/list20k.txt" | cat > "$dir/cut.jsonl"
    status=${PIPESTATUS[0]}
    set -e
    [[ $status -eq 143 ]] && ended=$((ended + 1))
    [[ -s $dir/cut.jsonl && $(tail -c1 "$dir/cut.jsonl" | od -An -c | tr -d ' ') != '\n' ]] && torn=$((torn + 1))
    read -r good bad < <(count_json < "$dir/cut.jsonl")
    torn=$((torn + bad)) lines=$((lines + good))
done
echo "$ended of $tries runs ended by the signal with status 143 (the others had finished); $torn torn lines; $lines whole lines in all"
((torn == 0)) || miss "$torn torn lines after SIGTERM"
rm -f "$dir/cut.jsonl"

echo
echo "## Throughput over $(wc -l < "$dir/copies.txt") files ($(du -sh --apparent-size "$dir/copies" | cut -f1)), \`-r -q\`, table to /dev/null"
echo
can_drop=1
as_root sh -c 'sync; echo 3 > /proc/sys/vm/drop_caches' 2>/dev/null || can_drop=0
((can_drop)) || log "cannot drop the page cache: no cold rows"
run_once() {
    case $1 in
    j1) "$check" -r -q -j1 "$dir/copies" >/dev/null || true ;;
    j2) "$check" -r -q -j2 "$dir/copies" >/dev/null || true ;;
    shards)
        "$check" -r -q -j1 --shard 1/2 "$dir/copies" >/dev/null &
        "$check" -r -q -j1 --shard 2/2 "$dir/copies" >/dev/null || true
        wait || true ;;
    esac
}
seconds() {
    local start end
    [[ $2 == cold ]] && as_root sh -c 'sync; echo 3 > /proc/sys/vm/drop_caches'
    start=$(date +%s.%N)
    run_once "$1"
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}
files=$(wc -l < "$dir/copies.txt")
echo "| run | warm: best of $repeats | files/s | cold: best of 2 | files/s |"
echo "|---|---|---|---|---|"
cat "$dir/copies.txt" | xargs cat > /dev/null
for what in j1 j2 shards; do
    best=999 coldbest=999
    for ((r = 0; r < repeats; r++)); do
        s=$(seconds "$what" warm); (($(echo "$s < $best" | bc))) && best=$s
    done
    if ((can_drop)); then
        for r in 1 2; do
            s=$(seconds "$what" cold); (($(echo "$s < $coldbest" | bc))) && coldbest=$s
        done
    fi
    label=$what
    [[ $what == j1 ]] && label='`-j1`'
    [[ $what == j2 ]] && label='`-j2`'
    [[ $what == shards ]] && label='`--shard 1/2 -j1` and `--shard 2/2 -j1` at once'
    if ((can_drop)); then
        printf '| %s | %.3f s | %.0f | %.3f s | %.0f |\n' "$label" "$best" "$(echo "$files / $best" | bc -l)" \
            "$coldbest" "$(echo "$files / $coldbest" | bc -l)"
    else
        printf '| %s | %.3f s | %.0f | | |\n' "$label" "$best" "$(echo "$files / $best" | bc -l)"
    fi
done
cat "$dir/copies.txt" | xargs cat > /dev/null

echo
if ((failures)); then
    log "$failures check(s) missed"
    ((strict)) && exit 1
fi
exit 0
