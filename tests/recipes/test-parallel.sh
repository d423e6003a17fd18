#!/bin/bash
# The README's GNU parallel recipe: every line of the shared output is a
# whole record, and they are one run's records.
source "$(dirname "$0")/common.sh"
command -v parallel > /dev/null || skip "GNU parallel is not installed (Debian package parallel)"
command -v jq > /dev/null || skip "jq is not installed"
make_photos
cd "$work"
recipe parallel > recipe.sh
[ -s recipe.sh ] || fail "no parallel recipe in README.md"
# parallel's status is the number of jobs that did not end with 0, and each
# finds damaged files (1): the records below tell whether it worked.
bash recipe.sh || [ $? -le 100 ] || fail "the recipe failed"

files=$(wc -l < list.txt)
[ "$files" -gt 20000 ] || fail "only $files files listed"
[ "$(wc -l < all.jsonl)" -eq "$files" ] || fail "$(wc -l < all.jsonl) records for $files files"
jq -c . all.jsonl > /dev/null || fail "a line does not parse"
scanlark-check --files-from=list.txt --json -q | sort > one-run.jsonl || true
sort all.jsonl | cmp -s - one-run.jsonl || fail "the records differ from one run's"
echo "parallel recipe: $files records, all whole"
