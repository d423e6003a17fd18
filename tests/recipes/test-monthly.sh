#!/bin/bash
# The README's monthly re-check, run as the README writes it: the first run
# makes the catalogue; a month later, with one file rotten (its time kept),
# one lost and one added, it prints exactly the rotten and the lost file
# besides the damaged ones, and records the added one.
source "$(dirname "$0")/common.sh"
command -v jq > /dev/null || skip "jq is not installed"
export PHOTOS=$work/photos CATALOG=$work/photos.db
"$build/tools/make-samples" "$PHOTOS" > /dev/null
cd "$work"
recipe monthly > recheck-photos
[ -s recheck-photos ] || fail "no monthly recipe in README.md"
grep -qF '`0 3 1 * * $HOME/bin/recheck-photos`' "$source/README.md" || fail "no crontab line in README.md"

status=0
sh recheck-photos > first.txt || status=$?
[ "$status" -eq 1 ] || fail "the first run ended with $status, not 1 (the samples hold damaged files)"
[ -s "$CATALOG" ] || fail "the first run made no catalogue"
[ -s first.txt ] || fail "the first run printed no damaged file"

rot=$PHOTOS/sound.jpg lost=$PHOTOS/exif.jpg added=$PHOTOS/added.jpg
touch -r "$rot" stamp
offset=$(($(stat -c %s "$rot") - 40))
byte=$(od -An -tu1 -j "$offset" -N1 "$rot" | tr -d ' ')
printf "\\$(printf %o $((byte ^ 16)))" | dd of="$rot" bs=1 seek="$offset" conv=notrunc status=none
touch -r stamp "$rot"
rm "$lost"
cp "$PHOTOS/progressive.jpg" "$added"

status=0
sh recheck-photos > second.txt || status=$?
[ "$status" -eq 1 ] || fail "the second run ended with $status, not 1"
new_lines=$(cut -f1 second.txt | sort | comm -13 <(cut -f1 first.txt | sort) -)
[ "$new_lines" = "$(printf '%s\n%s' "$lost" "$rot" | sort)" ] || fail "new in the report: $new_lines"
grep -q "^$rot	.*	changed\$" second.txt || fail "the rotten file is not reported changed"
grep -q "^$lost	.*	missing\$" second.txt || fail "the lost file is not reported missing"
fixity=$(scanlark-check -q --json --catalog "$CATALOG" --verify "$added" | jq -r .Fixity)
[ "$fixity" = same ] || fail "the added file is $fixity, not recorded"
echo "monthly recipe: $(wc -l < second.txt) lines reported, the rotten and the lost file among them"
