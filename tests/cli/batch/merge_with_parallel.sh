#!/usr/bin/env bash
# A class graded in three shards run side by side by GNU parallel, then merged, gives the file
# one unsharded batch writes. Skipped (77) where parallel is not installed.
#   merge_with_parallel.sh VANTREL MAKE_CLASS_EXAM
set -euo pipefail
vantrel=$1
make_class=$2
command -v parallel >/dev/null || { echo "GNU parallel is not installed"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$make_class" class 11 80 60 >/dev/null
grade=("$vantrel" batch class/exam.key --keys class/keys --answers-root class/answers --jobs 1)

parallel --will-cite --halt now,fail=1 "${grade[@]}" --shard {}/3 --out shard-{}.csv --report report-{} '>' shard-{}.log ::: 0 1 2
"$vantrel" batch merge merged.csv shard-0.csv shard-1.csv shard-2.csv --key class/exam.key --keys class/keys \
    --answers-root class/answers --report report --shard-reports report-0 report-1 report-2
"${grade[@]}" --out whole.csv >/dev/null

if ! cmp -s merged.csv whole.csv; then
    echo "the merged shards differ from the unsharded batch:"
    diff merged.csv whole.csv || true
    exit 1
fi
examinees=$(ls class/answers | wc -l)
pages=$(grep -c '<section class="examinee"' report/index.html)
[ "$pages" -eq "$examinees" ] || { echo "the merged report has $pages examinees of $examinees"; exit 1; }
echo "$examinees examinees in three shards merged into the unsharded batch's results"
