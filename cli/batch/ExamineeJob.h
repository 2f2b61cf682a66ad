#pragma once

#include <string>
#include <vector>

#include "batch/ClassRoster.h"
#include "batch/ExamineeRecord.h"
#include "batch/MarkStatistics.h"
#include "batch/ReportWriter.h"
#include "batch/WorkerPool.h"

namespace vantrel::cli::batch {

// What every examinee of a batch is graded with.
struct CBatchGrading {
    std::string key;
    std::string keyFolder;
    std::string reportFolder;  // empty: no report
    // For each examinee's feedback page in the report: the key's blocks and the pass mark.
    std::vector<CKeyBlock> blocks;
    double passMark = kDefaultPassMark;
};

// The key's scoring blocks, found by grading it against an empty answer folder: every block is
// reported whether or not a document opens, with its weight, so the columns never depend on an
// examinee.
std::vector<CKeyBlock> KeyBlocksOf(const CBatchGrading& grading);

// Runs inside a worker: grades one examinee, leaves its captures and detail in the report
// folder when there is one, and answers with the mark and blocks as JSON.
std::string GradeInWorker(const CBatchGrading& grading, const CExaminee& examinee);

// The record of a worker's outcome: its answer, or no mark and what happened to the worker.
CExamineeRecord RecordOf(const CExaminee& examinee, const CJobOutcome& outcome);

}  // namespace vantrel::cli::batch
