# shellcheck shell=bash
# Helpers shared by the bench scripts; sourced after they set root and build.
# shellcheck disable=SC2154  # root and build come from the sourcing script
# Messages name the script that sourced this file.

log() { printf '== %s\n' "$*" >&2; }

as_root() {
    if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

# Installs the named Debian packages that are missing, then the build's own
# (the Makefile keeps that list).
install_missing_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' || missing+=("$package")
    done
    if ((${#missing[@]})); then
        log "installing ${missing[*]}"
        as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
    fi
    make -s -C "$root" deps bench-deps >&2
}

# Builds the named targets in an existing $build as it is configured, with
# the benchmarks turned on (they are off unless asked for).
build_in_existing() {
    cmake -S "$root" -B "$build" -DSCANLARK_BUILD_BENCH=ON >/dev/null
    cmake --build "$build" --target "$@"
}

# Configures $build (Release) if needed and builds only the named targets.
build_tools() {
    log "building in $build"
    if [[ -f $build/CMakeCache.txt ]]; then
        # Keeps the folder's generator; a no-op when nothing changed.
        cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSCANLARK_BUILD_BENCH=ON >/dev/null
    else
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSCANLARK_BUILD_BENCH=ON >/dev/null
    fi
    cmake --build "$build" --target "$@"
}

# Percent of all CPU time that was not idle over the last second (the load
# average would still count the scripts' own corpus generation).
busy_percent() {
    local before after total=0 idle i
    read -r -a before </proc/stat
    sleep 1
    read -r -a after </proc/stat
    # cpu user nice system idle iowait irq softirq steal
    for ((i = 1; i <= 8 && i < ${#after[@]}; i++)); do
        total=$((total + after[i] - before[i]))
    done
    idle=$((after[4] - before[4] + after[5] - before[5]))
    echo $((total > 0 ? 100 * (total - idle) / total : 0))
}

# Wall seconds of one run of the command; its output is discarded. A command
# that fails stops the benchmark: every file measured is sound.
seconds_of() {
    local start end status=0
    start=$EPOCHREALTIME
    "$@" >/dev/null || status=$?
    end=$EPOCHREALTIME
    if ((status != 0)); then
        echo "${0##*/}: '$*' exited with status $status" >&2
        exit 1
    fi
    awk -v start="$start" -v end="$end" 'BEGIN { printf "%.6f\n", end - start }'
}

# The smaller of two times; an empty first one counts as none yet.
lower() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

# make_million_tree SAMPLES TREE TEMPLATES: 10^6 files in TREE, 100 folders
# of 100 folders of 100 hard links to 40 copies (in TEMPLATES) of each JPEG
# file of SAMPLES. No data blocks of their own: a run's memory, listing and
# records are measured, not the disk; a file takes at most 65,000 links.
make_million_tree() {
    rm -rf "$2" "$3"
    python3 - "$1" "$2" "$3" <<'PY'
import os, shutil, sys
originals = sorted(os.path.join(r, f) for r, _, fs in os.walk(sys.argv[1]) for f in fs if f.lower().endswith(('.jpg', '.jpeg')))
os.makedirs(sys.argv[3])
samples = []
for i, original in enumerate(originals):
    for k in range(40):
        samples.append(os.path.join(sys.argv[3], '%d-%d.jpg' % (i, k)))
        shutil.copyfile(original, samples[-1])
n = 0
for a in range(100):
    for b in range(100):
        folder = os.path.join(sys.argv[2], 'd%02d' % a, 's%02d' % b)
        os.makedirs(folder)
        for c in range(100):
            os.link(samples[n % len(samples)], os.path.join(folder, 'IMG_%07d.jpg' % n))
            n += 1
PY
}
