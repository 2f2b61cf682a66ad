#pragma once

#include <string>
#include <vector>

#include "batch/ExamineeRecord.h"

namespace vantrel::cli::batch {

// A scoring block of the answer key as the report shows it.
struct CKeyBlock {
    int line = 0;
    double weight = 0;
    std::string keyLine;  // the opener's line of the key, as UTF-8
    std::string criteria;  // the block's criteria as the grader reads them, as UTF-8; may be empty
};

// Where a worker leaves one examinee's captures and block detail inside a report folder.
std::string ExamineeReportFolder(const std::string& reportDirectory, const std::string& examinee);
constexpr const char* kExamineeDetailFile = "detail.json";
// The examinee's page alone, beside the captures, to print or hand to the examinee.
constexpr const char* kExamineeFeedbackFile = "feedback.html";
// Where the captures every examinee shares go, and that folder seen from an examinee's.
std::string SharedCapturesFolder(const std::string& reportDirectory);
constexpr const char* kSharedCapturesFromExaminee = "../../key";

// Writes reportDirectory/index.html: the class summary (mean, median, how many reached
// passMark), the marks' histogram, each block's mean and counts of 0, partial and full scores,
// the sortable class table, and one page per examinee with its blocks and the captures its
// effect criteria compared, which prints on a sheet of its own. It reads each examinee's detail
// from its report folder. Static and offline: the only script is inline. False with a reason.
bool WriteClassReport(const std::string& reportDirectory, const std::vector<CKeyBlock>& blocks,
                      const std::vector<CExamineeRecord>& records, double passMark, std::string& reason);

// Writes an examinee's page alone into its report folder, as feedback.html, when there is
// detail to show. False with a reason.
bool WriteFeedbackPage(const std::string& reportDirectory, const CExamineeRecord& record, const nlohmann::json& detail,
                       const std::vector<CKeyBlock>& blocks, double passMark, std::string& reason);

}  // namespace vantrel::cli::batch
