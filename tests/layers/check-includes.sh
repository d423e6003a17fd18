#!/bin/bash
# Fails when an include points upward: each folder of src/ is a layer that
# may include only itself and the layers below it (src/CMakeLists.txt draws
# them), and the command-line and fuzz programs only the layers without Qt.
# The one exception is named below.
#   check-includes.sh SOURCE_FOLDER
set -euo pipefail
cd "$1"

declare -A below=(
  [paths]=""
  [inspection]="paths"
  [decode]="inspection paths"
  [fixity]="inspection paths"
  [KvRTL]=""
  [platform]="paths KvRTL"
  [catalogue]="platform fixity decode inspection paths KvRTL"
  [components]="catalogue platform fixity decode inspection paths KvRTL"
  [options]="components catalogue platform fixity decode inspection paths KvRTL"
  [app]="options components catalogue platform fixity decode inspection paths KvRTL"
  [tools]="fixity decode inspection paths"
  [fuzz]="decode inspection paths"
)
# The window's check worker lives beside the walk it drives, but it needs
# the catalogue; it is built into that library (src/catalogue/CMakeLists.txt).
exception_files="src/inspection/KvJpegChecker.h src/inspection/KvJpegChecker.cpp"
exception_allows="catalogue platform decode KvRTL"

failures=0
while IFS= read -r file; do
  case $file in
    src/*) layer=${file#src/}; layer=${layer%%/*} ;;
    tools/*) layer=tools ;;
    fuzz/*) layer=fuzz ;;
    *) continue ;;
  esac
  allowed="$layer ${below[$layer]-}"
  [[ " $exception_files " == *" $file "* ]] && allowed="$allowed $exception_allows"
  while IFS= read -r line; do
    included=${line#*\"}; included=${included%%\"*}
    target=${included%%/*}
    # Only includes of a src layer count: a program's own headers and
    # tests/support are not layers.
    [[ -v below[$target] && $target != tools && $target != fuzz && -e src/$included ]] || continue
    if [[ " $allowed " != *" $target "* ]]; then
      echo "$file: includes $included, above its layer ($layer)"
      failures=$((failures + 1))
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
  # Every include of a src header names its folder.
  while IFS= read -r line; do
    included=${line#*\"}; included=${included%%\"*}
    if [[ $included != */* && $included != *.moc && $file == src/* ]]; then
      echo "$file: includes \"$included\" without its folder"
      failures=$((failures + 1))
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
done < <(find src tools fuzz -name '*.h' -o -name '*.cpp' | sort)

if [ "$failures" -gt 0 ]; then
  echo "$failures include(s) against the layers" >&2
  exit 1
fi
echo "every include points down"
