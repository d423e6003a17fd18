#!/bin/bash
# Every text of the window has its English: lupdate over the sources, into a
# copy of the catalogue, finds no text without a finished translation, and
# the catalogue in the repository is what lupdate makes of today's sources
# (no text added, changed or gone without `make translations`).
#
#   check-translations.sh LUPDATE PROJECT_CMAKE GENERATE_SCRIPT CATALOGUE
set -u
lupdate=$1 project_cmake=$2 generate=$3 catalogue=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake -DIN_FILE="$project_cmake" -DOUT_FILE="$work/project.json" -P "$generate" || exit 1
cp "$catalogue" "$work/copy.ts"
"$lupdate" -project "$work/project.json" -ts "$work/copy.ts" -source-language ja -target-language en \
  -locations none -no-obsolete > "$work/lupdate.log" 2>&1 || { cat "$work/lupdate.log"; exit 1; }
status=0
if grep -q 'type="unfinished"' "$work/copy.ts"; then
  echo "Texts without an English translation (add it in $catalogue):"
  grep -B1 'type="unfinished"' "$work/copy.ts" | grep '<source>'
  status=1
fi
if ! diff -u "$catalogue" "$work/copy.ts" > "$work/diff"; then
  echo "The catalogue is not current; run 'make translations' and translate what is new:"
  cat "$work/diff"
  status=1
fi
exit $status
