#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "batch/ClassRoster.h"
#include "batch/ExamineeRecord.h"

namespace vantrel::cli::batch {

// Which examinees that already have a row are graded again.
struct CResumeChoices {
    bool retryUnmarked = true;       // rows without a mark (failed, timed out); --no-retry keeps them
    std::set<std::string> regrade;   // --regrade: whatever their rows say
};

// What a resumed run grades: examinees without a row, and those whose rows it replaces.
struct CResumePlan {
    std::vector<CExaminee> pending;  // in roster order
    std::set<std::string> replaced;  // examinees of pending whose rows are dropped first
    std::size_t unmarked = 0;        // replaced for having no mark
    std::size_t changed = 0;         // replaced because their documents changed since
    std::size_t asked = 0;           // replaced because --regrade named them

    // "grading again: 2 without a mark, 1 asked for", or empty when nothing is.
    std::string Describe() const;
};

// known holds the last row of each examinee. Each examinee with a row has the folder walked.
CResumePlan PlanResume(const std::vector<CExaminee>& roster, const std::map<std::string, CExamineeRecord>& known,
                       const CResumeChoices& choices);

}  // namespace vantrel::cli::batch
