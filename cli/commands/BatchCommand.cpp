#include "commands/BatchCommand.h"

#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

#include "commands/AnswerKeyFile.h"
#include "batch/BatchProgress.h"
#include "batch/ClassRoster.h"
#include "commands/CodePageOption.h"
#include "batch/ExamineeJob.h"
#include "batch/ResultAppender.h"
#include "batch/ResultFile.h"
#include "batch/WorkerPool.h"
#include "commands/KeyCheck.h"

using vantrel::cli::batch::CBatchGrading;
using vantrel::cli::batch::CBatchProgress;
using vantrel::cli::batch::CBatchSummary;
using vantrel::cli::batch::CExaminee;
using vantrel::cli::batch::CExamineeRecord;
using vantrel::cli::batch::CJobOutcome;
using vantrel::cli::batch::CKeyBlock;
using vantrel::cli::batch::CResultAppender;
using vantrel::cli::batch::CResultFile;
using vantrel::cli::batch::CResultIdentity;
using vantrel::cli::batch::CShard;
using vantrel::cli::batch::CWorkerLimits;
using vantrel::cli::batch::CWorkerPool;
using vantrel::cli::batch::GradeInWorker;
using vantrel::cli::batch::HashOfKey;
using vantrel::cli::batch::HashOfKeyFolder;
using vantrel::cli::batch::KeyBlocksOf;
using vantrel::cli::batch::ListExaminees;
using vantrel::cli::batch::ParseShard;
using vantrel::cli::batch::RecordOf;
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
        app->add_option("KEYFILE", keyFile_, "the answer key")->required();
        app->add_option("--keys", keys_, "the folder of the examiner's documents")->required();
        app->add_option("--answers-root", root_, "the folder holding one folder per examinee")->required();
        app->add_option("--jobs", jobs_, "worker processes (default: the number of cores)")->check(CLI::Range(1, 512));
        app->add_option("--out", out_, "results file, resumed when it exists: .csv or .jsonl")
            ->default_val("results.csv");
        app->add_option("--report", report_, "write a static HTML report with the captures into this folder");
        app->add_option("--timeout", timeout_, "seconds an examinee may take before its worker is killed")
            ->default_val(60)
            ->check(CLI::Range(0.001, 86400.0));
        app->add_option("--shard", shard_, "grade only examinees whose position in name order is K modulo N (K/N)");
        app->add_option("--worker-memory", workerMemoryMiB_, "address-space cap of each worker, in MiB (0: none)")
            ->default_val(kDefaultWorkerMemoryMiB);
        AddCodePageOption(*app, codePage_);
        app->add_flag("--strict", strict_, "refuse to grade when the key check finds anything");
    }

    int Run() override
    {
        CBatchGrading grading;
        if (!ReadAnswerKeyFile(keyFile_, grading.key)) return kExitUsage;
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
        ApplyCodePage(codePage_);
        if (!WarnAboutKey(CheckKeyFile(keyFile_, grading.key, keys_), strict_, std::cerr)) return kExitFailed;
        grading.keyFolder = keys_;
        grading.reportFolder = report_;

        std::string reason;
        std::vector<CExaminee> everyone;
        CResultIdentity identity{HashOfKey(grading.key), {}};
        if (!ListExaminees(root_, everyone, reason) || !HashOfKeyFolder(keys_, identity.keyFolderHash, reason)) {
            std::cerr << "vantrel: " << reason << "\n";
            return kExitFailed;
        }
        const std::vector<CExaminee> roster = TakeShard(everyone, shard);
        const std::vector<CKeyBlock> blocks = KeyBlocksOf(grading);
        std::vector<int> blockLines;
        for (const CKeyBlock& block : blocks) blockLines.push_back(block.line);

        CResultFile results;
        if (!results.Open(out_, identity, blockLines, reason)) {
            std::cerr << "vantrel: " << reason << "\n";
            return kExitFailed;
        }
        if (!report_.empty() && !MakeFolder(report_ + "/examinees")) return kExitFailed;

        std::map<std::string, CExamineeRecord> known;
        for (const CExamineeRecord& record : results.Existing()) known.emplace(record.examinee, record);
        CBatchSummary summary;
        std::vector<CExaminee> pending;
        for (const CExaminee& examinee : roster) {
            if (auto found = known.find(examinee.name); found != known.end()) summary.AddSkipped(found->second.mark);
            else pending.push_back(examinee);
        }

        const bool written = GradePending(grading, pending, results, summary, known);
        summary.Write(std::cout);
        std::cout << "peak memory: batch " << Megabytes(PeakOwnMemory()) << ", largest worker "
                  << Megabytes(CWorkerPool::PeakWorkerMemory()) << "\n";
        if (!written) return kExitFailed;

        if (!report_.empty()) {
            std::vector<CExamineeRecord> records;
            for (const CExaminee& examinee : roster)
                if (auto found = known.find(examinee.name); found != known.end()) records.push_back(found->second);
            if (!WriteClassReport(report_, blocks, records, reason)) {
                std::cerr << "vantrel: " << reason << "\n";
                return kExitFailed;
            }
            std::cout << "report: " << report_ << "/index.html\n";
        }
        return summary.Failed() == 0 ? kExitDone : kExitFailed;
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
        std::size_t nextToWrite = 0;
        std::size_t done = 0;
        std::string reason;
        std::string ignored;
        if (!pending.empty() && !pool.StartAll(reason)) {
            std::cerr << "vantrel: " << reason << "\n";
            return false;
        }
        CResultAppender appender(results);
        auto onOutcome = [&](std::size_t i, CJobOutcome outcome) {
            finished[i] = RecordOf(pending[i], outcome);
            summary.AddGraded(pending[i].name, finished[i]->mark, outcome.seconds);
            ++done;
            for (; nextToWrite < finished.size() && finished[nextToWrite]; ++nextToWrite) {
                appender.Append(*finished[nextToWrite]);
                known.emplace(pending[nextToWrite].name, *finished[nextToWrite]);
            }
            progress.Update(done, summary.Failed());
            return appender.Healthy(reason);
        };
        const bool ran = pool.Run(pending.size(), onOutcome, [&] { progress.Update(done, summary.Failed()); }, reason);
        const bool written = appender.Drain(ran ? reason : ignored);
        progress.Finish();
        if (!ran || !written) std::cerr << "vantrel: " << reason << "\n";
        return ran && written;
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
    double timeout_ = 60;
    std::string shard_;
    std::uint64_t workerMemoryMiB_ = kDefaultWorkerMemoryMiB;
    std::string codePage_;
    bool strict_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeBatchCommand(CLI::App& app) { return std::make_unique<BatchCommand>(app); }

}  // namespace vantrel::cli::commands
