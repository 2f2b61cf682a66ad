#!/bin/bash
# One shard of the class per array task, each with its own results file and report folder.
# Submit from the exam's folder (exam.key, keys/, answers/), then the merge once all have ended:
#   jobid=$(sbatch --parsable grade-shards.sbatch)
#   sbatch --dependency=afterany:$jobid merge-shards.sbatch
#SBATCH --job-name=vantrel-shards
#SBATCH --array=0-7
#SBATCH --cpus-per-task=4
#SBATCH --time=02:00:00
#SBATCH --output=shard-%a.log
set -uo pipefail

vantrel batch exam.key --keys keys/ --answers-root answers/ --jobs "$SLURM_CPUS_PER_TASK" \
    --shard "$SLURM_ARRAY_TASK_ID/$SLURM_ARRAY_TASK_COUNT" \
    --out "results-$SLURM_ARRAY_TASK_ID.csv" --report "report-$SLURM_ARRAY_TASK_ID"
status=$?
# 1 means an examinee has no mark: the merge names them. Anything else is the task's failure.
[ "$status" -le 1 ]
