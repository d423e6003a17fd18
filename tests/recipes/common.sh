# Shared by the recipe tests: the README's recipes as the README writes
# them, and a tree of photos to run them on.
#   source common.sh BUILD_FOLDER SOURCE_FOLDER
set -euo pipefail
build=$(cd "$1" && pwd) source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'chmod -R u+rwX "$work"; rm -rf "$work"' EXIT
export PATH="$build/tools:$PATH"
export LC_ALL=C

fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIPPED: $*"; exit 77; }

# The commands of the fenced block after "<!-- recipe: NAME -->" in README.md.
recipe() {
  awk -v name="$1" '
    $0 == "<!-- recipe: " name " -->" { found = 1; next }
    found && /^```/ { if (inside) exit; inside = 1; next }
    inside { print }' "$source/README.md"
}

# PHOTOS: about 28,000 JPEG files (sound, damaged, empty, not JPEG, ...) in
# nested folders, hard links to the build's sample files.
make_photos() {
  export PHOTOS=$work/photos
  "$build/tools/make-samples" "$PHOTOS" > /dev/null
  for i in $(seq 1 11); do
    cp -al "$PHOTOS" "$work/copy"
    mv "$work/copy" "$PHOTOS/c$i"
  done
}

# One run's records over the same photos, sorted by bytes.
single_run() { scanlark-check -r -q --json "$PHOTOS" | sort || true; }
