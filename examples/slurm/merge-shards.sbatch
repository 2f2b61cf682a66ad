#!/bin/bash
# Joins the array's shards into results.csv and report/; see grade-shards.sbatch. It fails
# (status 1) while an examinee is in no shard or has no mark, and names them in merge.log.
#SBATCH --job-name=vantrel-merge
#SBATCH --time=00:30:00
#SBATCH --output=merge.log
set -euo pipefail

vantrel batch merge results.csv results-*.csv --key exam.key --keys keys/ --answers-root answers/ \
    --report report --shard-reports report-*/
