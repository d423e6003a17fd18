#!/usr/bin/env bash
# The deep check (scanlark-check --deep) in one run: what it finds in a corpus
# of damaged files beside what a decoding checker (jpeginfo -c) finds, the
# rules it must keep there, then its speed on sound photos against jpeginfo -c
# and with two jobs against one. See bench/README.md.
set -euo pipefail
# EPOCHREALTIME and printf must use "." as the decimal point.
export LC_ALL=C

usage() {
    cat <<'USAGE'
usage: bench/run-deep-bench.sh [--no-speed] [--rebuild-corpus] [--strict]

  --no-speed        the detection part only
  --rebuild-corpus  generate the damaged corpus anew even when a matching one exists
  --strict          also exit with status 1 when a speed target is missed

Environment (defaults in brackets):
  SCANLARK_BENCH_DIR      corpus folder; the damaged files go to deep/ in it, the
                          photos of run-bench.sh are timed [/tmp/scanlark-bench]
  SCANLARK_BENCH_BUILD    build folder; an existing one is used as configured [build-release]
  SCANLARK_BENCH_REPEATS  timed runs per command, the best counts [3]
  SCANLARK_DEEP_SEED      seed of the damaged corpus [1]
  SCANLARK_DEEP_PHOTOS    photos timed, spread over the set; 0: all [0]
  SCANLARK_DEEP_REFERENCE another scanlark-check (an earlier build) timed in the same
                          rounds, and its detection counts printed beside [none]

Exit status: 0 when every rule holds, 1 when one is broken (each broken one is
listed), 2 on a usage error, 3 when scanlark-check has no --deep (the jpeginfo
side and the walk are still reported).
USAGE
}

speed=1
rebuild=0
strict=0
for arg in "$@"; do
    case $arg in
    --no-speed) speed=0 ;;
    --rebuild-corpus) rebuild=1 ;;
    --strict) strict=1 ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
    esac
done

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${SCANLARK_BENCH_BUILD:-$root/build-release}
corpus=${SCANLARK_BENCH_DIR:-/tmp/scanlark-bench}
repeats=${SCANLARK_BENCH_REPEATS:-3}
seed=${SCANLARK_DEEP_SEED:-1}
photo_limit=${SCANLARK_DEEP_PHOTOS:-0}
reference=${SCANLARK_DEEP_REFERENCE:-}
# Bump when make_deep_corpus or its recipe changes, so old corpora are rebuilt.
corpus_version=3
# shellcheck source=bench/common.sh
source "$root/bench/common.sh"

[[ $repeats =~ ^[1-9][0-9]*$ && $seed =~ ^[0-9]+$ && $photo_limit =~ ^[0-9]+$ ]] ||
    { echo "run-deep-bench: counts and the seed must be whole numbers" >&2; exit 2; }

# A failed installation is said below, by name, rather than as apt-get's error.
install_missing_packages jpeginfo jq || true
for tool in jpeginfo jq; do
    command -v "$tool" >/dev/null ||
        { echo "run-deep-bench: $tool is missing and could not be installed (Debian package $tool)" >&2; exit 1; }
done
if [[ -f $build/CMakeCache.txt ]]; then
    build_in_existing scanlark-check make_deep_corpus >/dev/null
else
    build_tools scanlark-check make_deep_corpus >/dev/null
fi
checker=$build/tools/scanlark-check
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The damaged corpus, made once per seed and recipe.
deep=$corpus/deep
want="v$corpus_version seed=$seed"
if ((rebuild)) || [[ ! -f $corpus/deep.stamp || $(<"$corpus/deep.stamp") != "$want" ]]; then
    log "making the damaged corpus in $deep"
    rm -rf "$deep" "$deep.part" "$corpus/deep.stamp"
    mkdir -p "$corpus"
    "$build/bench/make_deep_corpus" -s "$seed" "$deep.part" >/dev/null
    mv "$deep.part" "$deep"
    echo "$want" >"$corpus/deep.stamp"
fi
find "$deep" -type f -name '*.jpg' | sort >"$work/list"
mapfile -t corpus_files <"$work/list"
echo "damaged corpus: ${#corpus_files[@]} files in $deep (seed $seed)"

# jpeginfo: one "path TAB OK|WARNING|ERROR" line per file. Its exit status is 1
# whenever a file is damaged, so completeness is checked by counting.
jpeginfo -c --json -f "$work/list" >"$work/jpeginfo.json" || true
jq -r '.[] | [.filename, .status] | @tsv' "$work/jpeginfo.json" >"$work/jpeginfo.tsv"
if (($(wc -l <"$work/jpeginfo.tsv") != ${#corpus_files[@]})); then
    echo "run-deep-bench: jpeginfo -c did not report every file" >&2
    exit 1
fi

has_deep=0
# Not a pipe into grep -q: an early exit of grep could fail the pipeline.
help_text=$("$checker" --help)
[[ $help_text == *--deep* ]] && has_deep=1
deep_option=()
((has_deep)) && deep_option=(--deep)
# Exit status 1 only says that some file is damaged; 2 is a failure.
status=0
"$checker" "${deep_option[@]}" --json -q -j"$(nproc)" "${corpus_files[@]}" >"$work/scanlark.json" || status=$?
if ((status > 1)); then
    echo "run-deep-bench: scanlark-check failed with status $status" >&2
    exit 1
fi
# path, walk verdict, deep verdict, trailer kind, first bad row, sound fraction ("-": absent).
jq -r '[.path, .Verdict, (.Deep.Verdict // "-"), (.Trailer.Kind // "-"),
        (.Deep.FirstBadRow // "-"), (.Deep.SoundFraction // "-")] | map(tostring) | @tsv' \
    "$work/scanlark.json" >"$work/scanlark.tsv"

# The same files through the reference build: which files each one calls damaged.
if [[ -n $reference ]]; then
    "$reference" --deep --json -q -j"$(nproc)" "${corpus_files[@]}" >"$work/reference.json" || true
    jq -r '[.path, (.Deep.Verdict // "-")] | @tsv' "$work/reference.json" >"$work/reference.tsv"
    echo
    echo "deep \"damaged\" by folder, reference build -> this build (files that changed verdict):"
    join -t $'\t' <(cut -f1,3 "$work/scanlark.tsv" | sort) <(sort "$work/reference.tsv") |
        awk -F '\t' '{ n = split($1, part, "/"); c = part[n - 1]; now[c] += $2 == "damaged"; before[c] += $3 == "damaged"
                        if ($2 != $3) changed[c] = changed[c] sprintf("  %s: %s -> %s\n", $1, $3, $2) }
                      END { for (c in now) printf "%-16s %4d -> %4d\n", c, before[c], now[c]
                            for (c in changed) printf "%s", changed[c] }' | sort
fi

echo
if ((!has_deep)); then
    echo "scanlark-check has no --deep: the columns of the deep check stay empty and its rules are not checked"
fi
awk -F '\t' -v has_deep="$has_deep" -f "$root/bench/deep-bench-report.awk" \
    "$work/jpeginfo.tsv" "$work/scanlark.tsv" | tee "$work/report"
violations=$(awk '$1 == "violations:" { print $2 }' "$work/report")

if ((speed && !has_deep)); then
    echo
    echo "speed: left out, scanlark-check has no --deep"
fi
if ((speed && has_deep)); then
    # Sound photos of run-bench.sh, made by it when missing.
    [[ -f $corpus/photos.stamp ]] || bash "$root/bench/run-bench.sh" --no-micro >/dev/null
    find "$corpus/photos/" -type f -name '*.jp*g' | sort >"$work/photos"
    [[ -s $work/photos ]] || { echo "run-deep-bench: no photos in $corpus/photos" >&2; exit 1; }
    if ((photo_limit > 0)); then
        awk -v n="$(wc -l <"$work/photos")" -v k="$photo_limit" \
            'BEGIN { step = n > k ? n / k : 1; next_pick = 0 } NR - 1 >= next_pick { print; next_pick += step }' \
            "$work/photos" >"$work/photos.picked"
        mv "$work/photos.picked" "$work/photos"
    fi
    mapfile -t photos <"$work/photos"
    bytes=$(xargs -d '\n' -a "$work/photos" stat -c %s | awk '{ s += $1 } END { print s }')
    xargs -d '\n' -a "$work/photos" cat >/dev/null
    echo
    echo "speed: ${#photos[@]} sound photos, $((bytes / 1000000)) MB, warm, best of $repeats"
    echo "uptime before: $(uptime)"
    busy=$(busy_percent)
    echo "busy in the second before the timings: $busy% of all CPU time"
    ((busy <= 10)) || log "other programs are busy: the timings and the -j2 speed-up suffer"
    # In rounds, so that a slow spell of the machine does not fall on one command only.
    t_info="" t_j1="" t_j2="" t_ref=""
    for _ in $(seq "$repeats"); do
        t_info=$(lower "$t_info" "$(seconds_of jpeginfo -c "${photos[@]}")")
        t_j1=$(lower "$t_j1" "$(seconds_of "$checker" --deep -q -j1 "${photos[@]}")")
        t_j2=$(lower "$t_j2" "$(seconds_of "$checker" --deep -q -j2 "${photos[@]}")")
        [[ -z $reference ]] || t_ref=$(lower "$t_ref" "$(seconds_of "$reference" --deep -q -j1 "${photos[@]}")")
    done
    echo "uptime after: $(uptime)"
    missed=0
    # report LABEL VALUE OP TARGET: one line, met or MISSED.
    report() {
        local line
        line=$(awk -v label="$1" -v v="$2" -v op="$3" -v target="$4" 'BEGIN {
            met = (op == ">=") ? v >= target : v <= target;
            printf "%-52s %6.2f  (target %s %s) %s", label, v, op, target, met ? "met" : "MISSED" }')
        [[ $line == *MISSED ]] && missed=1
        echo "$line"
    }
    printf 'jpeginfo -c %.3f s, --deep -j1 %.3f s, --deep -j2 %.3f s\n' "$t_info" "$t_j1" "$t_j2"
    report "--deep -j1 / jpeginfo -c (time)" "$(awk -v a="$t_j1" -v b="$t_info" 'BEGIN { print a / b }')" "<=" 1.0
    report "--deep -j2 speed-up over -j1" "$(awk -v a="$t_j1" -v b="$t_j2" 'BEGIN { print a / b }')" ">=" 1.8
    if [[ -n $reference ]]; then
        printf 'reference --deep -j1 %.3f s\n' "$t_ref"
        report "--deep -j1 / reference --deep -j1 (time)" "$(awk -v a="$t_j1" -v b="$t_ref" 'BEGIN { print a / b }')" "<=" 1.2
    fi
    ((strict && missed)) && violations=$((violations + 1))
fi

((violations > 0)) && exit 1
((has_deep)) || exit 3
exit 0
