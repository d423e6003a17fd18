#!/bin/bash
# The README's Slurm array job, run with the array's variables set by hand
# for each task, and the merge of its shards into one report.
source "$(dirname "$0")/common.sh"
command -v jq > /dev/null || skip "jq is not installed"
make_photos
cd "$work"
recipe slurm > check-photos.sh
recipe merge > merge.sh
[ -s check-photos.sh ] && [ -s merge.sh ] || fail "no slurm or merge recipe in README.md"
mkdir results
n=4
for id in $(seq 0 $((n - 1))); do
  SLURM_ARRAY_TASK_ID=$id SLURM_ARRAY_TASK_COUNT=$n bash check-photos.sh || fail "task $id ended with $?"
  [ -f "results/shard-$((id + 1))-of-$n.jsonl" ] || fail "task $id left no result"
done
single_run > one-run.jsonl
cat results/shard-*.jsonl | sort | cmp -s - one-run.jsonl || fail "the shards together are not one run"

bash -e merge.sh || fail "the merge recipe failed"
cmp -s report.jsonl one-run.jsonl || fail "the report is not one run's records"
damaged=$(jq -r 'select(.verdict_code | test("^sound") | not) | .path' one-run.jsonl | wc -l)
[ "$damaged" -gt 0 ] && [ "$(wc -l < damaged.tsv)" -eq "$damaged" ] || fail "damaged.tsv: $(wc -l < damaged.tsv) of $damaged"
[ "$(awk '{ n += $1 } END { print n }' counts.txt)" -eq "$(wc -l < one-run.jsonl)" ] || fail "counts.txt"

# A shard that cannot read a file fails (3), leaves no result, and
# succeeds when run again once the file reads.
eio=/sys/devices/software/power/autosuspend_delay_ms
if scanlark-check -q "$eio" > /dev/null 2>&1 || [ $? -ne 3 ]; then
  echo "$eio does not fail to read here: the retry was not tried"
else
  ln -s "$eio" "$PHOTOS/unreadable.jpg"
  rm results/*
  failed=
  for id in $(seq 0 $((n - 1))); do
    SLURM_ARRAY_TASK_ID=$id SLURM_ARRAY_TASK_COUNT=$n bash check-photos.sh 2> /dev/null && continue
    [ $? -eq 3 ] || fail "task $id did not end with 3"
    [ ! -e "results/shard-$((id + 1))-of-$n.jsonl" ] || fail "a failed task left a result"
    failed=$id
  done
  [ -n "$failed" ] || fail "no task failed on the unreadable file"
  rm "$PHOTOS/unreadable.jpg"
  SLURM_ARRAY_TASK_ID=$failed SLURM_ARRAY_TASK_COUNT=$n bash check-photos.sh || fail "the retry failed"
  cat results/shard-*.jsonl | sort | cmp -s - one-run.jsonl || fail "the shards after the retry are not one run"
fi
echo "slurm recipe: $n shards, $(wc -l < report.jsonl) records merged"
