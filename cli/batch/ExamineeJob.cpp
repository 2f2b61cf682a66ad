#include "batch/ExamineeJob.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "commands/ExamineeGrading.h"
#include "batch/GradingTroubleWatch.h"
#include "batch/HandInFingerprint.h"
#include "batch/WorkerFaults.h"
#include "hosting/headless/HeadlessBuildPlatform.h"
#include "hosting/headless/StudioInstallation.h"
#include "platform/posix/CodePageConversion.h"
#include "text/CodePage.h"

using vantrel::cli::commands::CExamineeGrading;
using vantrel::cli::commands::CImageFolders;
using vantrel::cli::commands::GradeExaminee;

namespace vantrel::cli::batch {

namespace {

std::string JsonLine(const nlohmann::json& json)
{
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string KeyLine(const std::string& key, int lineNumber)
{
    std::size_t start = 0;
    for (int line = 1; line < lineNumber && start != std::string::npos; ++line) {
        start = key.find("\r\n", start);
        if (start != std::string::npos) start += 2;
    }
    if (start == std::string::npos) return {};
    const std::size_t end = key.find("\r\n", start);
    std::string line = key.substr(start, end == std::string::npos ? std::string::npos : end - start);
    return platform::ToUtf8(line, text::ActiveCodePage());
}

bool LiesInside(const std::string& folder, const std::string& path)
{
    std::error_code error;
    std::filesystem::path outer = std::filesystem::weakly_canonical(folder, error);
    if (!outer.has_filename()) outer = outer.parent_path();  // "keys/" is "keys"
    const std::filesystem::path inner = std::filesystem::weakly_canonical(path, error);
    return std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first == outer.end();
}

// The record of a worker's answer.
CExamineeRecord RecordOfAnswer(const CExaminee& examinee, const nlohmann::json& answer)
{
    CExamineeRecord record;
    record.examinee = examinee.name;
    if (answer.is_object() && answer.contains("documents") && answer["documents"].is_string())
        record.documents = answer["documents"].get<std::string>();
    if (answer.is_object() && answer.contains("failure") && answer["failure"].is_string()) {
        record.status = std::string(kFailedStatus) + ": " + answer["failure"].get<std::string>();
        return record;
    }
    if (!answer.is_object() || !answer.contains("mark") || !answer["mark"].is_number()) {
        record.status = std::string(kFailedStatus) + ": the worker's answer could not be read";
        return record;
    }
    record.mark = answer["mark"].get<double>();
    // A document missing or unreadable still leaves a mark: the row is graded, its status says why.
    const bool told = answer.contains("status") && answer["status"].is_string() && !answer["status"].empty();
    record.status = told ? answer["status"].get<std::string>() : kGradedStatus;
    if (answer.contains("blocks")) record.blocks = answer["blocks"];
    return record;
}

}  // namespace

std::vector<CKeyBlock> KeyBlocksOf(const CBatchGrading& grading)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-blocks-XXXXXX").string();
    const char* empty = ::mkdtemp(pattern.data());
    const CExamineeGrading graded = GradeExaminee(grading.key, empty ? empty : "", grading.keyFolder);
    if (empty) std::filesystem::remove(empty);
    std::vector<CKeyBlock> blocks;
    for (const auto& block : graded.blocks) {
        const int line = block.value("line", 0);
        std::string criteria;
        if (block.contains("criteria") && block["criteria"].is_array())
            for (const auto& criterion : block["criteria"])
                if (criterion.is_string()) criteria += (criteria.empty() ? "" : " ") + criterion.get<std::string>();
        blocks.push_back({line, block.value("weight", 0.0), KeyLine(grading.key, line), criteria});
    }
    return blocks;
}

std::string GradeInWorker(const CBatchGrading& grading, const CExaminee& examinee)
{
    // The key's documents are the same for every examinee, so a worker renders each only once;
    // an examinee's documents are never kept, even where they lie inside the key folder.
    hosting::DefaultStudioInstallation().CacheRendersUnder(
        LiesInside(grading.keyFolder, examinee.folder) ? std::string() : grading.keyFolder);
    CImageFolders captures;
    if (!grading.reportFolder.empty()) {
        captures = {ExamineeReportFolder(grading.reportFolder, examinee.name),
                    SharedCapturesFolder(grading.reportFolder), kSharedCapturesFromExaminee};
        // Whatever an earlier run left for this examinee is not what this run graded.
        std::error_code error;
        std::filesystem::remove_all(captures.examinee, error);
        std::filesystem::create_directories(captures.examinee, error);
        std::filesystem::create_directories(captures.shared, error);
    }
    const std::string& folder = captures.examinee;
    // Taken before grading: a document changed while it is graded differs from this next time.
    const std::string documents = FingerprintText(TakeHandInFingerprint(examinee.folder, true));
    std::optional<std::string> trouble;
    CExamineeGrading graded;
    {
        CGradingTroubleWatch watch;
        ApplyWorkerFault(examinee.name);
        graded = GradeExaminee(grading.key, examinee.folder, grading.keyFolder, captures);
        trouble = watch.Trouble();
    }
    // A mark given despite the trouble would be a low mark for the worker's fault, not the examinee's.
    if (trouble) return JsonLine({{"failure", *trouble}, {"documents", documents}});
    nlohmann::json answer = {
        {"mark", graded.mark}, {"status", graded.status}, {"blocks", graded.blocks}, {"documents", documents}};
    if (!graded.captureFailure.empty()) answer["capture_failure"] = graded.captureFailure;
    if (!folder.empty()) {
        std::ofstream(folder + "/" + kExamineeDetailFile) << JsonLine(answer) << "\n";
        // Written here, where examinees are graded side by side, not after the class by one process.
        std::string ignored;
        WriteFeedbackPage(grading.reportFolder, RecordOfAnswer(examinee, answer), answer, grading.blocks,
                          grading.passMark, ignored);
    }
    return JsonLine(answer);
}

CExamineeRecord RecordOf(const CExaminee& examinee, const CJobOutcome& outcome)
{
    if (!outcome.answered) {
        CExamineeRecord record;
        record.examinee = examinee.name;
        record.status = outcome.failure;
        return record;
    }
    return RecordOfAnswer(examinee, nlohmann::json::parse(outcome.answer, nullptr, false));
}

}  // namespace vantrel::cli::batch
