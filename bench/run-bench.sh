#!/usr/bin/env bash
# Measures scanlark-check against the bare read-and-memchr loop (the limit of
# a marker walk) and against a decoding checker (jpeginfo -c), side by side on
# one generated corpus of warm files, then runs the micro-benchmarks briefly.
# See bench/README.md for what is compared and the targets.
set -euo pipefail
# EPOCHREALTIME and printf must use "." as the decimal point.
export LC_ALL=C

usage() {
    cat <<'EOF'
usage: bench/run-bench.sh [--no-micro] [--rebuild-corpus] [--corpus-only] [--strict]

  --no-micro        skip the bench_scan micro-benchmarks at the end
  --rebuild-corpus  generate the corpus anew even when a matching one exists
  --corpus-only     only generate the corpus (for the other bench scripts)
  --strict          exit with status 1 when a target is missed

Environment (defaults in brackets):
  SCANLARK_BENCH_DIR        corpus cache folder [/tmp/scanlark-bench]
  SCANLARK_BENCH_PHOTOS     photo-sized files [300]
  SCANLARK_BENCH_THUMBS     thumbnail files in the tree [20000]
  SCANLARK_BENCH_DISTINCT   distinct thumbnails the tree is copied from [300]
  SCANLARK_BENCH_REPEATS    timed runs per command, the best counts [3]
  SCANLARK_BENCH_BUILD      build folder [build-release in the repository]
EOF
}

micro=1
rebuild=0
corpus_only=0
strict=0
for arg in "$@"; do
    case $arg in
    --no-micro) micro=0 ;;
    --rebuild-corpus) rebuild=1 ;;
    --corpus-only) corpus_only=1 ;;
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
photo_count=${SCANLARK_BENCH_PHOTOS:-300}
thumb_count=${SCANLARK_BENCH_THUMBS:-20000}
distinct_count=${SCANLARK_BENCH_DISTINCT:-300}
repeats=${SCANLARK_BENCH_REPEATS:-3}
# Bump when the generator or the corpus recipe changes, so old caches are rebuilt.
corpus_version=2
jobs=$(nproc)

for number in "$photo_count" "$thumb_count" "$distinct_count" "$repeats"; do
    [[ $number =~ ^[1-9][0-9]*$ ]] || { echo "run-bench: counts must be positive integers" >&2; exit 2; }
done

# One image: make_corpus_images SEED SIZE OUTPUT CJPEG-OPTION...
encode_one() {
    local generator=$1 seed=$2 size=$3 output=$4
    shift 4
    "$generator" -s "$seed" "$size" | cjpeg "$@" >"$output.part"
    mv "$output.part" "$output"
}
export -f encode_one

# Runs the task lines of file $1 ("SEED SIZE OUTPUT OPTION...") on all cores.
encode_all() {
    xargs -P "$jobs" -L 1 bash -c 'set -eo pipefail; encode_one "$@"' _ "$generator" <"$1"
}

# Camera-sized photos: 3 to 18 megapixels, mostly 12, at qualities 72 to 97
# (capped for the largest), so that files span about 0.3 to 8 MB; some progressive, some with restart
# markers, some 4:2:2 or 4:4:4, a few greyscale.
make_photos() {
    local folder=$corpus/photos stamp=$corpus/photos.stamp
    local want="v$corpus_version photos=$photo_count"
    if ((!rebuild)) && [[ -f $stamp && $(<"$stamp") == "$want" ]]; then
        return
    fi
    log "generating $photo_count photos in $folder"
    rm -rf "$folder" "$stamp"
    local sizes=(2048x1536 2592x1944 3264x2448 4000x3000 4000x3000 4000x3000 4608x3456 5184x3456)
    local top_quality=(97 97 97 97 97 97 96 96)
    local tasks=$corpus/photos.tasks i pick size quality options subfolder name
    : >"$tasks"
    RANDOM=1
    for ((i = 0; i < photo_count; i++)); do
        pick=$((RANDOM % ${#sizes[@]}))
        size=${sizes[pick]}
        if ((RANDOM % 4 == 0)); then size=${size#*x}x${size%x*}; fi
        quality=$((72 + RANDOM % (top_quality[pick] - 71)))
        options="-quality $quality"
        if ((RANDOM % 4 == 0)); then options+=" -progressive"; fi
        if ((RANDOM % 2 == 0)); then options+=" -optimize"; fi
        if ((RANDOM % 7 == 0)); then options+=" -restart $((1 + RANDOM % 4))"; fi
        case $((RANDOM % 10)) in
        0 | 1) options+=" -sample 1x1" ;;
        2 | 3) options+=" -sample 2x1" ;;
        4) options+=" -grayscale" ;;
        esac
        # Camera-style folders of 100 files.
        subfolder=$folder/DCIM/$((100 + i / 100))SCAN
        [[ -d $subfolder ]] || mkdir -p "$subfolder"
        printf -v name 'IMG_%04d.jpg' "$i"
        printf '%d %s %s %s\n' $((1000 + i)) "$size" "$subfolder/$name" "$options" >>"$tasks"
    done
    encode_all "$tasks"
    rm -f "$tasks"
    echo "$want" >"$stamp"
}

# Thumbnails of 5 to 40 KB: a few hundred distinct ones, copied under many
# names into a nested tree of folders holding up to 100 files each.
make_thumbnails() {
    local source=$corpus/thumbs-distinct folder=$corpus/thumbs stamp=$corpus/thumbs.stamp
    local want="v$corpus_version thumbs=$thumb_count distinct=$distinct_count"
    if ((!rebuild)) && [[ -f $stamp && $(<"$stamp") == "$want" ]]; then
        return
    fi
    log "generating $distinct_count distinct thumbnails, copied to $thumb_count files in $folder"
    rm -rf "$source" "$folder" "$stamp"
    mkdir -p "$source"
    # Per size the qualities that keep a file between about 5 and 40 KB.
    local sizes=(160x120 200x150 256x192 320x240 400x300)
    local low_quality=(88 75 70 70 70)
    local high_quality=(97 95 94 95 88)
    local tasks=$corpus/thumbs.tasks i pick size quality options extension name
    : >"$tasks"
    RANDOM=2
    for ((i = 0; i < distinct_count; i++)); do
        pick=$((RANDOM % ${#sizes[@]}))
        size=${sizes[pick]}
        if ((RANDOM % 4 == 0)); then size=${size#*x}x${size%x*}; fi
        quality=$((low_quality[pick] + RANDOM % (high_quality[pick] - low_quality[pick] + 1)))
        options="-quality $quality"
        if ((RANDOM % 5 == 0)); then options+=" -progressive"; fi
        if ((RANDOM % 2 == 0)); then options+=" -optimize"; fi
        extension=jpg
        if ((i % 10 == 9)); then extension=jpeg; fi
        printf -v name 'thumb%04d.%s' "$i" "$extension"
        printf '%d %s %s %s\n' $((50000 + i)) "$size" "$source/$name" "$options" >>"$tasks"
    done
    encode_all "$tasks"
    rm -f "$tasks"

    local distinct=("$source"/*) per_folder=100 leaf=0 copied=0 count start j batch target
    ((per_folder <= ${#distinct[@]})) || per_folder=${#distinct[@]}
    while ((copied < thumb_count)); do
        count=$((thumb_count - copied < per_folder ? thumb_count - copied : per_folder))
        # Each folder starts elsewhere in the distinct set, so neighbours differ.
        start=$((leaf * 37 % ${#distinct[@]}))
        batch=()
        for ((j = 0; j < count; j++)); do
            batch+=("${distinct[(start + j) % ${#distinct[@]}]}")
        done
        printf -v target '%s/g%02d/s%02d' "$folder" $((leaf / 20)) $((leaf % 20))
        mkdir -p "$target"
        cp -- "${batch[@]}" "$target/"
        copied=$((copied + count))
        leaf=$((leaf + 1))
    done
    echo "$want" >"$stamp"
}

# Writes the NUL-separated, sorted list of JPEG files under $1 to $2.
list_files() {
    find "$1" -type f \( -name '*.jpg' -o -name '*.jpeg' \) -print0 | sort -z >"$2"
}

count_files() { tr -cd '\0' <"$1" | wc -c; }

# Prints the total, smallest and largest file size in bytes.
file_sizes() {
    xargs -0 stat -c %s <"$1" | awk 'NR == 1 || $1 < low { low = $1 } $1 > high { high = $1 } { sum += $1 }
        END { printf "%d %d %d\n", sum, low, high }'
}

run_jpeginfo() { xargs -0 -n 1000 jpeginfo -c <"$1"; }

# Untimed: the tools must have seen and passed every file, or the timings mean nothing.
verify_corpus() {
    local name=$1 folder=$2 list=$3 files=$4 checked sound
    checked=$("$baseline" -z -f "$list" | awk '$1 == "files" { print $2 }')
    [[ $checked == "$files" ]] || { echo "run-bench: memchr_baseline read $checked of $files $name files" >&2; exit 1; }
    sound=$(run_jpeginfo "$list" | grep -c ' OK *$' || true)
    [[ $sound == "$files" ]] || { echo "run-bench: jpeginfo -c passed $sound of $files $name files" >&2; exit 1; }
    local status=0
    checked=$("$checker" -q -j1 -r "$folder" | wc -l) || status=$?
    if ((status != 0)); then
        echo "run-bench: scanlark-check judged some $name files damaged (exit status $status)" >&2
        exit 1
    fi
    # One row per file, maybe below a header line.
    if ((checked != files && checked != files + 1)); then
        echo "run-bench: scanlark-check printed $checked rows for $files $name files" >&2
        exit 1
    fi
}

results=()
misses=0

# Times all four commands on one corpus and prints the rows and the ratios.
measure() {
    local name=$1 folder=$2 list=$3 jpeginfo_target=$4 files bytes smallest largest
    files=$(count_files "$list")
    read -r bytes smallest largest < <(file_sizes "$list")
    log "$(awk -v n="$name" -v f="$files" -v b="$bytes" -v s="$smallest" -v l="$largest" \
        'BEGIN { printf "%s: %d files, %.1f MB, %.1f to %.1f KB each", n, f, b / 1e6, s / 1e3, l / 1e3 }')"
    log "$name: verifying (untimed)"
    verify_corpus "$name" "$folder" "$list" "$files"

    log "$name: timing, best of $repeats"
    # Rounds of all four commands rather than each command's runs in a row,
    # so a slow spell of the machine does not fall on one command only.
    local j1="" j2="" limit="" decoder="" round t
    for ((round = 0; round < repeats; round++)); do
        t=$(seconds_of "$checker" -q -j1 -r "$folder")
        j1=$(lower "$j1" "$t")
        t=$(seconds_of "$checker" -q -j2 -r "$folder")
        j2=$(lower "$j2" "$t")
        t=$(seconds_of "$baseline" -z -f "$list")
        limit=$(lower "$limit" "$t")
        t=$(seconds_of run_jpeginfo "$list")
        decoder=$(lower "$decoder" "$t")
    done

    local row
    for row in "scanlark-check -j1:$j1" "scanlark-check -j2:$j2" "memchr_baseline:$limit" "jpeginfo -c:$decoder"; do
        results+=("$(awk -v name="$name" -v tool="${row%:*}" -v t="${row##*:}" -v b="$bytes" -v f="$files" \
            'BEGIN { printf "%-7s %-20s %9.3f %10.1f %10.0f", name, tool, t, b / 1e6 / t, f / t }')")
    done
    ratio "$name" "scanlark -j1 / memchr" "$limit / $j1" 0.70
    ratio "$name" "speed-up over jpeginfo -c" "$decoder / $j1" "$jpeginfo_target"
    ratio "$name" "-j2 / -j1" "$j1 / $j2" 1.6
}

ratios=()
# ratio CORPUS LABEL "A / B" TARGET: throughput ratio from two times.
ratio() {
    local line
    line=$(awk -v name="$1" -v label="$2" -v target="$4" -v expression="$3" 'BEGIN {
        split(expression, t, " / "); r = t[1] / t[2]
        printf "%-7s %-27s %7.2f  target >= %-5s %s", name, label, r, target, (r >= target ? "met" : "MISSED") }')
    ratios+=("$line")
    [[ $line == *MISSED ]] && misses=$((misses + 1))
    return 0
}

install_missing_packages libjpeg-turbo-progs jpeginfo
# Only what is measured: the window and the tests are not needed here.
build_tools scanlark-check memchr_baseline bench_scan make_corpus_images
checker=$build/tools/scanlark-check
baseline=$build/bench/memchr_baseline
generator=$build/bench/make_corpus_images
for program in "$checker" "$baseline" "$generator"; do
    [[ -x $program ]] || { echo "run-bench: $program was not built" >&2; exit 1; }
done

mkdir -p "$corpus"
make_photos
make_thumbnails
list_files "$corpus/photos" "$corpus/photos.list"
list_files "$corpus/thumbs" "$corpus/thumbs.list"
((corpus_only)) && exit 0

log "warming the page cache"
cat "$corpus/photos.list" "$corpus/thumbs.list" | xargs -0 cat >/dev/null
busy=$(busy_percent)
if ((busy > 10)); then
    log "other programs used ${busy}% of the CPU time just now: the timings will be distorted"
fi

measure photos "$corpus/photos" "$corpus/photos.list" 50
measure thumbs "$corpus/thumbs" "$corpus/thumbs.list" 15

echo
echo "Wall time, best of $repeats, warm page cache; MB = 10^6 bytes; $(nproc) cores"
printf '%-7s %-20s %9s %10s %10s\n' corpus command seconds MB/s files/s
printf '%s\n' "${results[@]}"
echo
printf '%s\n' "${ratios[@]}"

if ((micro)); then
    echo
    log "micro-benchmarks"
    "$build/bench/bench_scan" --benchmark_min_time=0.2
fi

if ((strict && misses)); then
    exit 1
fi
