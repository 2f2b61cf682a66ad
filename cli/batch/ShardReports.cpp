#include "batch/ShardReports.h"

#include <algorithm>
#include <filesystem>

#include "batch/ReportWriter.h"

namespace vantrel::cli::batch {

namespace {

namespace fs = std::filesystem;

// A report folder copied as it is: a link inside one is copied as a link, never followed.
constexpr fs::copy_options kAsItIs = fs::copy_options::recursive | fs::copy_options::copy_symlinks;

bool SameFolder(const std::string& a, const std::string& b)
{
    std::error_code error;
    return fs::equivalent(a, b, error);
}

bool Failed(const std::error_code& error, const std::string& what, std::string& reason)
{
    if (!error) return false;
    reason = "cannot " + what + ": " + error.message();
    return true;
}

}  // namespace

bool GatherShardReports(const std::string& reportDirectory, const std::vector<std::string>& shardReports,
                        const std::vector<CExamineeRecord>& records, std::string& reason)
{
    std::error_code error;
    const std::string shared = SharedCapturesFolder(reportDirectory);
    fs::create_directories(shared, error);
    if (Failed(error, "make the folder " + shared, reason)) return false;
    fs::create_directories(reportDirectory + "/examinees", error);
    if (Failed(error, "make the folder " + reportDirectory + "/examinees", reason)) return false;

    // Every shard rendered the same key, so a capture already there is the one a shard brings.
    for (const std::string& shard : shardReports) {
        const std::string from = SharedCapturesFolder(shard);
        if (!fs::is_directory(from) || SameFolder(from, shared)) continue;
        fs::copy(from, shared, kAsItIs | fs::copy_options::skip_existing, error);
        if (Failed(error, "copy " + from + " into " + shared, reason)) return false;
    }
    for (const CExamineeRecord& record : records) {
        const auto holder = std::find_if(shardReports.begin(), shardReports.end(), [&](const std::string& shard) {
            return fs::is_regular_file(ExamineeReportFolder(shard, record.examinee) + "/" + kExamineeDetailFile);
        });
        const std::string from = holder == shardReports.end() ? "" : ExamineeReportFolder(*holder, record.examinee);
        const std::string to = ExamineeReportFolder(reportDirectory, record.examinee);
        if (!from.empty() && SameFolder(from, to)) continue;
        // What an earlier merge left may be another grading's.
        fs::remove_all(to, error);
        if (Failed(error, "clear " + to, reason)) return false;
        if (from.empty()) continue;
        fs::copy(from, to, kAsItIs, error);
        if (Failed(error, "copy " + from + " into " + to, reason)) return false;
    }
    return true;
}

}  // namespace vantrel::cli::batch
