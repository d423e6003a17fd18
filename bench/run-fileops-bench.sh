#!/usr/bin/env bash
# Copying 1,000 photo-sized files (1 MiB each, 1 GiB in all) between two
# folders of one file system: the window's copy (CopyFiles) against
# `cp --preserve=mode,timestamps` of the same files in the same run. The
# target is at most 1.3x. Each tool copies into a fresh folder; the best of
# the repeats counts; the sources are read once first so both find them cached.
set -euo pipefail
export LC_ALL=C

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${SCANLARK_BENCH_BUILD:-$root/build-release}
work=${SCANLARK_BENCH_DIR:-/tmp/scanlark-bench}/fileops
count=${SCANLARK_BENCH_FILES:-1000}
repeats=${SCANLARK_BENCH_REPEATS:-3}

# shellcheck source=bench/common.sh
source "$root/bench/common.sh"
build_tools copy_files >/dev/null

if [[ ! -f $work/src.stamp ]] || [[ $(cat "$work/src.stamp") != "$count" ]]; then
    rm -rf "$work"
    mkdir -p "$work/src"
    head -c $((1 << 20)) /dev/urandom >"$work/seed"
    for ((i = 0; i < count; i++)); do
        # Distinct content per file: the seed with the index in front.
        { printf '%08d' "$i"; tail -c +9 "$work/seed"; } >"$work/src/$(printf 'IMG_%04d.JPG' "$i")"
    done
    echo "$count" >"$work/src.stamp"
fi
cat "$work/src"/* >/dev/null
find "$work/src" -type f | sort >"$work/list"

copy_cp() { cp --preserve=mode,timestamps "$work/src"/* "$1"; }
best_cp=""
best_ours=""
for _ in $(seq "$repeats"); do
    rm -rf "$work/dst-cp" "$work/dst-ours"
    mkdir "$work/dst-cp" "$work/dst-ours"
    sync
    best_cp=$(lower "$best_cp" "$(seconds_of copy_cp "$work/dst-cp")")
    sync
    best_ours=$(lower "$best_ours" "$("$build/bench/copy_files" "$work/dst-ours" <"$work/list")")
done
cmp -s "$work/src/IMG_0007.JPG" "$work/dst-ours/IMG_0007.JPG" || { echo "copy differs" >&2; exit 1; }
rm -rf "$work/dst-cp" "$work/dst-ours"
echo "uptime: $(uptime)"
echo "cp --preserve=mode,timestamps: $best_cp s"
echo "CopyFiles: $best_ours s"
awk -v cp="$best_cp" -v ours="$best_ours" 'BEGIN {
    ratio = ours / cp;
    printf "CopyFiles / cp: %.2f (target <= 1.30) %s\n", ratio, ratio <= 1.3 ? "met" : "MISSED";
}'
