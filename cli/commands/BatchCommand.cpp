#include "commands/BatchCommand.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <thread>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "commands/AnswerKeyFile.h"
#include "commands/BatchMergeCommand.h"
#include "batch/BatchProgress.h"
#include "batch/ClassRoster.h"
#include "commands/CodePageOption.h"
#include "commands/OutputOptions.h"
#include "commands/CommaList.h"
#include "batch/ExamineeJob.h"
#include "batch/MarkStatistics.h"
#include "batch/ResultAppender.h"
#include "batch/ResultFile.h"
#include "batch/ResultFileLock.h"
#include "batch/ResumePlan.h"
#include "batch/WorkerPool.h"
#include "commands/KeyCheck.h"

using vantrel::cli::batch::CBatchGrading;
using vantrel::cli::batch::CBatchProgress;
using vantrel::cli::batch::CBatchSummary;
using vantrel::cli::batch::CCsvLayout;
using vantrel::cli::batch::CExaminee;
using vantrel::cli::batch::CExamineeRecord;
using vantrel::cli::batch::CJobOutcome;
using vantrel::cli::batch::CKeyBlock;
using vantrel::cli::batch::CResultAppender;
using vantrel::cli::batch::CResultFile;
using vantrel::cli::batch::CResultFileLock;
using vantrel::cli::batch::CResultIdentity;
using vantrel::cli::batch::CResumeChoices;
using vantrel::cli::batch::CResumePlan;
using vantrel::cli::batch::CShard;
using vantrel::cli::batch::CWorkerLimits;
using vantrel::cli::batch::CWorkerPool;
using vantrel::cli::batch::GradeInWorker;
using vantrel::cli::batch::HashOfKey;
using vantrel::cli::batch::kDefaultPassMark;
using vantrel::cli::batch::HashOfKeyFolder;
using vantrel::cli::batch::KeyBlocksOf;
using vantrel::cli::batch::ListExaminees;
using vantrel::cli::batch::ParseShard;
using vantrel::cli::batch::PlanResume;
using vantrel::cli::batch::RecordOf;
using vantrel::cli::batch::ResultFormatOf;
using vantrel::cli::batch::TakeShard;
using vantrel::cli::batch::WriteClassReport;

namespace vantrel::cli::commands {

namespace {

// Each worker may map 1 GiB. The studio streams a document's rows through its area scaler, so
// grading needs a few tens of MB whatever the document's size; 1 GiB is far above that, yet
// --jobs workers on an ordinary machine cannot together exhaust it. A document that still
// asks for more fails its own grading (or its worker) alone.
constexpr std::uint64_t kDefaultWorkerMemoryMiB = 1024;

std::string Megabytes(std::uint64_t bytes) { return std::to_string((bytes + (1 << 19)) >> 20) + " MB"; }

class BatchCommand : public Command {
public:
    explicit BatchCommand(CLI::App& parent)
    {
        app = parent.add_subcommand("batch", "Grade every examinee of a class, each in a worker process");
        // Checked in Run rather than by the parser: a required KEYFILE would take `merge` for a
        // key's name, and `batch merge` grades nothing.
        needed_ = {app->add_option("KEYFILE", keyFile_, "the answer key (required)"),
                   app->add_option("--keys", keys_, "the folder of the examiner's documents (required)"),
                   app->add_option("--answers-root", root_, "the folder holding one folder per examinee (required)")};
        app->add_option("--jobs", jobs_, "worker processes (default: the number of cores)")->check(CLI::Range(1, 512));
        app->add_option("--out", out_, "results file, resumed when it exists: .csv or .jsonl")
            ->default_val("results.csv");
        AddCsvLayoutOptions(*app, csvLayout_);
        app->add_option("--report", report_, "write a static HTML report with the captures into this folder");
        AddPassMarkOption(*app, passMark_);
        app->add_option("--timeout", timeout_, "seconds an examinee may take before its worker is killed")
            ->default_val(60)
            ->check(CLI::Range(0.001, 86400.0));
        app->add_option("--shard", shard_, "grade only examinees whose position in name order is K modulo N (K/N)");
        app->add_option("--worker-memory", workerMemoryMiB_, "address-space cap of each worker, in MiB (0: none)")
            ->default_val(kDefaultWorkerMemoryMiB);
        app->add_option("--regrade", regrade_, "grade these examinees again whatever their rows say");
        app->add_flag("--no-retry", noRetry_, "keep rows without a mark (failed, timed out) instead of grading them again");
        AddCodePageOption(*app, codePage_);
        app->add_flag("--strict", strict_, "refuse to grade when the key check finds anything");
        merge_ = MakeBatchMergeCommand(*app);
    }

    int Run() override
    {
        if (merge_->app->parsed()) return merge_->Run();
        for (const CLI::Option* option : needed_) {
            if (option->count() == 0) {
                std::cerr << "vantrel: batch: " << option->get_name() << " is required (see vantrel --help)\n";
                return kExitUsage;
            }
        }
        CBatchGrading grading;
        bool keyMarkedUtf8 = false;
        if (!ReadAnswerKeyFile(keyFile_, grading.key, keyMarkedUtf8)) return kExitUsage;
        for (const auto* dir : {&keys_, &root_}) {
            if (!std::filesystem::is_directory(*dir)) {
                std::cerr << "vantrel: no such directory: " << *dir << "\n";
                return kExitUsage;
            }
        }
        CShard shard;
        if (!shard_.empty() && !ParseShard(shard_, shard)) {
            std::cerr << "vantrel: --shard takes K/N with 0 <= K < N, not " << shard_ << "\n";
            return kExitUsage;
        }
        ApplyCodePage(codePage_, keyMarkedUtf8);
        if (!WarnAboutKey(CheckKeyFile(keyFile_, grading.key, keys_), strict_, std::cerr)) return kExitFailed;
        grading.keyFolder = keys_;
        grading.reportFolder = report_;

        std::string reason;
        std::vector<CExaminee> everyone;
        std::vector<std::string> passedOver;
        CResultIdentity identity{HashOfKey(grading.key), {}};
        if (!ListExaminees(root_, everyone, passedOver, reason) || !HashOfKeyFolder(keys_, identity.keyFolderHash, reason)) {
            std::cerr << "vantrel: " << reason << "\n";
            return kExitFailed;
        }
        for (const std::string& name : regrade_) {
            if (std::none_of(everyone.begin(), everyone.end(), [&](const CExaminee& e) { return e.name == name; })) {
                std::cerr << "vantrel: --regrade: no examinee " << name << " in " << root_ << "\n";
                return kExitUsage;
            }
        }
        const std::vector<CExaminee> roster = TakeShard(everyone, shard);
        if (!NamesAFile(out_)) return kExitUsage;
        const std::vector<CKeyBlock> blocks = KeyBlocksOf(grading);
        grading.blocks = blocks;
        grading.passMark = passMark_;
        CResultFileLock lock;
        CResultFile results;
        if (!lock.Acquire(out_, reason) || !results.Open(out_, identity, blocks, csvLayout_, reason)) {
            std::cerr << "vantrel: " << reason << "\n";
            return kExitFailed;
        }
        if (!report_.empty() && !MakeFolder(report_ + "/examinees")) return kExitFailed;

        // A later row of an examinee replaces an earlier one.
        std::map<std::string, CExamineeRecord> known;
        for (const CExamineeRecord& record : results.Existing()) known.insert_or_assign(record.examinee, record);
        CResumeChoices choices;
        choices.retryUnmarked = !noRetry_;
        choices.regrade.insert(regrade_.begin(), regrade_.end());
        const CResumePlan plan = PlanResume(roster, known, choices);
        if (!results.Forget(plan.replaced, reason)) {
            std::cerr << "vantrel: " << reason << "\n";
            return kExitFailed;
        }
        if (!passedOver.empty()) std::cout << "skipped, not examinees: " << CommaList(passedOver) << "\n";
        if (const std::string again = plan.Describe(); !again.empty()) std::cout << again << "\n";
        CBatchSummary summary;
        for (const CExaminee& examinee : roster) {
            const auto found = known.find(examinee.name);
            if (found == known.end()) continue;
            if (plan.replaced.contains(examinee.name)) known.erase(found);
            else summary.AddSkipped(examinee.name, found->second.mark);
        }

        const bool written = GradePending(grading, plan.pending, results, summary, known);
        summary.Write(std::cout);
        std::cout << "peak memory: batch " << Megabytes(PeakOwnMemory()) << ", largest worker "
                  << Megabytes(CWorkerPool::PeakWorkerMemory()) << "\n";
        if (!written) return kExitFailed;

        if (!report_.empty()) {
            std::vector<CExamineeRecord> records;
            for (const CExaminee& examinee : roster)
                if (auto found = known.find(examinee.name); found != known.end()) records.push_back(found->second);
            if (!WriteClassReport(report_, blocks, records, passMark_, reason)) {
                std::cerr << "vantrel: " << reason << "\n";
                return kExitFailed;
            }
            std::cout << "report: " << report_ << "/index.html\n";
        }
        return summary.Unmarked() == 0 ? kExitDone : kExitFailed;
    }

private:
    // Grades the pending examinees in workers and appends each result in name order as soon
    // as every earlier one is in. False after one line on stderr when the batch had to stop.
    bool GradePending(const CBatchGrading& grading, const std::vector<CExaminee>& pending, CResultFile& results,
                      CBatchSummary& summary, std::map<std::string, CExamineeRecord>& known)
    {
        const unsigned cores = std::thread::hardware_concurrency();
        CWorkerLimits limits;
        limits.workers = jobs_ > 0 ? jobs_ : static_cast<int>(cores == 0 ? 1 : cores);
        limits.timeout = std::chrono::milliseconds(static_cast<long long>(timeout_ * 1000));
        limits.memoryBytes = workerMemoryMiB_ << 20;
        CWorkerPool pool([&](std::size_t i) { return GradeInWorker(grading, pending[i]); }, limits);

        CBatchProgress progress(std::cerr, ::isatty(STDERR_FILENO) == 1, pending.size());
        std::vector<std::optional<CExamineeRecord>> finished(pending.size());
        std::vector<double> seconds(pending.size());
        std::size_t nextToWrite = 0;
        std::size_t done = 0;
        std::size_t failures = 0;
        std::string reason;
        std::string ignored;
        if (!pending.empty() && !pool.StartAll(reason)) {
            std::cerr << "vantrel: " << reason << "\n";
            return false;
        }
        CResultAppender appender(results);
        auto onOutcome = [&](std::size_t i, CJobOutcome outcome) {
            finished[i] = RecordOf(pending[i], outcome);
            seconds[i] = outcome.seconds;
            ++done;
            if (!finished[i]->mark) ++failures;
            for (; nextToWrite < finished.size() && finished[nextToWrite]; ++nextToWrite)
                appender.Append(*finished[nextToWrite]);
            progress.Update(done, failures);
            return appender.Healthy(reason);
        };
        const bool ran = pool.Run(pending.size(), onOutcome, [&] { progress.Update(done, failures); }, reason);
        const bool written = appender.Drain(ran ? reason : ignored);
        progress.Finish();
        // Only what reached the file counts: a result that was not saved is graded next time.
        const std::size_t saved = appender.Saved();
        for (std::size_t i = 0; i < saved; ++i) {
            summary.AddGraded(pending[i].name, finished[i]->mark, seconds[i]);
            known.emplace(pending[i].name, *finished[i]);
        }
        if (!written && done > saved) reason += "; " + std::to_string(done - saved) + " graded but not saved";
        if (!ran || !written) std::cerr << "vantrel: " << reason << "\n";
        return ran && written;
    }

    // Whether --out names a .csv or .jsonl file or nothing yet; a folder, a device or another
    // kind of file is refused in one line.
    static bool NamesAFile(const std::string& out)
    {
        struct stat status {};
        if (::stat(out.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
            std::cerr << "vantrel: --out " << out << " is " << (S_ISDIR(status.st_mode) ? "a folder" : "not a regular file")
                      << "; name a .csv or .jsonl file\n";
            return false;
        }
        if (ResultFormatOf(out)) return true;
        std::cerr << "vantrel: --out " << out << ": name a .csv or .jsonl file\n";
        return false;
    }

    static bool MakeFolder(const std::string& folder)
    {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (std::filesystem::is_directory(folder)) return true;
        std::cerr << "vantrel: cannot make the folder " << folder << "\n";
        return false;
    }

    static std::uint64_t PeakOwnMemory()
    {
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
    }

    std::string keyFile_;
    std::string keys_;
    std::string root_;
    int jobs_ = 0;
    std::string out_;
    std::string report_;
    CCsvLayout csvLayout_;
    double timeout_ = 60;
    double passMark_ = kDefaultPassMark;
    std::string shard_;
    std::uint64_t workerMemoryMiB_ = kDefaultWorkerMemoryMiB;
    std::string codePage_;
    bool noRetry_ = false;
    std::vector<std::string> regrade_;
    bool strict_ = false;
    std::vector<const CLI::Option*> needed_;
    std::unique_ptr<Command> merge_;
};

}  // namespace

std::unique_ptr<Command> MakeBatchCommand(CLI::App& app) { return std::make_unique<BatchCommand>(app); }

}  // namespace vantrel::cli::commands
