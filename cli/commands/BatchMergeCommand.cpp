#include "commands/BatchMergeCommand.h"

#include <filesystem>
#include <iostream>
#include <set>

#include "batch/ClassRoster.h"
#include "batch/ExamineeJob.h"
#include "batch/ReportWriter.h"
#include "batch/MarkStatistics.h"
#include "batch/ResultFile.h"
#include "batch/ResultFileLock.h"
#include "batch/ShardMerge.h"
#include "batch/ShardReports.h"
#include "commands/AnswerKeyFile.h"
#include "commands/CodePageOption.h"
#include "commands/CommaList.h"
#include "commands/OutputOptions.h"

using vantrel::cli::batch::CBatchGrading;
using vantrel::cli::batch::CCsvLayout;
using vantrel::cli::batch::CExaminee;
using vantrel::cli::batch::CExamineeRecord;
using vantrel::cli::batch::CKeyBlock;
using vantrel::cli::batch::CMergedShards;
using vantrel::cli::batch::CResultFile;
using vantrel::cli::batch::CResultFileLock;
using vantrel::cli::batch::CResultIdentity;
using vantrel::cli::batch::CShardRows;
using vantrel::cli::batch::GatherShardReports;
using vantrel::cli::batch::HashOfKey;
using vantrel::cli::batch::HashOfKeyFolder;
using vantrel::cli::batch::KeyBlocksOf;
using vantrel::cli::batch::ListExaminees;
using vantrel::cli::batch::MergeShards;
using vantrel::cli::batch::MissingExaminees;
using vantrel::cli::batch::WriteClassReport;
using vantrel::cli::batch::kDefaultPassMark;

namespace vantrel::cli::commands {

namespace {

namespace fs = std::filesystem;

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return fs::equivalent(a, b, error);
}

class BatchMergeCommand : public Command {
public:
    explicit BatchMergeCommand(CLI::App& batch)
    {
        app = batch.add_subcommand("merge", "Join the results files of a batch's shards into one");
        app->add_option("OUT", out_, "the merged results file, its earlier rows replaced: .csv or .jsonl")->required();
        app->add_option("SHARD", shards_, "the shards' results files")->required();
        app->add_option("--key", keyFile_, "the answer key the shards were graded with")->required();
        app->add_option("--keys", keys_, "the folder of the examiner's documents")->required();
        app->add_option("--answers-root", root_, "the class's folder: name the examinees no shard holds");
        app->add_option("--report", report_, "write the class report into this folder");
        app->add_option("--shard-reports", shardReports_, "the shards' report folders, in any order");
        AddCodePageOption(*app, codePage_);
        AddCsvLayoutOptions(*app, csvLayout_);
        AddPassMarkOption(*app, passMark_);
    }

    int Run() override
    {
        if (!NamesDistinctFiles()) return kExitUsage;
        CBatchGrading grading;
        bool keyMarkedUtf8 = false;
        if (!ReadAnswerKeyFile(keyFile_, grading.key, keyMarkedUtf8)) return kExitUsage;
        if (!fs::is_directory(keys_)) {
            std::cerr << "vantrel: no such directory: " << keys_ << "\n";
            return kExitUsage;
        }
        ApplyCodePage(codePage_, keyMarkedUtf8);
        grading.keyFolder = keys_;

        std::string reason;
        CResultIdentity identity{HashOfKey(grading.key), {}};
        std::vector<CExaminee> roster;
        std::vector<std::string> passedOver;
        if (!HashOfKeyFolder(keys_, identity.keyFolderHash, reason) ||
            (!root_.empty() && !ListExaminees(root_, roster, passedOver, reason))) {
            std::cerr << "vantrel: " << reason << "\n";
            return kExitFailed;
        }
        const std::vector<CKeyBlock> blocks = KeyBlocksOf(grading);

        std::vector<CShardRows> shards;
        for (const std::string& path : shards_) {
            shards.push_back({path, {}});
            if (!ReadShard(path, identity, blocks, shards.back().records, reason)) {
                std::cerr << "vantrel: " << reason << "\n";
                return kExitFailed;
            }
        }
        const CMergedShards merged = MergeShards(shards);
        for (const auto& duplicate : merged.duplicates)
            std::cerr << "vantrel: warning: " << duplicate.Describe() << "\n";
        if (!WriteMerged(identity, blocks, merged.records, reason) ||
            (!report_.empty() && !WriteReport(blocks, merged.records, reason))) {
            std::cerr << "vantrel: " << reason << "\n";
            return kExitFailed;
        }
        return Summarize(merged, MissingExaminees(roster, merged.records));
    }

private:
    // Whether the files named can be merged as asked; one line on stderr when not.
    bool NamesDistinctFiles() const
    {
        if (!shardReports_.empty() && report_.empty()) {
            std::cerr << "vantrel: --shard-reports needs --report, the folder to gather them into\n";
            return false;
        }
        for (std::size_t i = 0; i < shards_.size(); ++i) {
            for (std::size_t j = 0; j < i; ++j) {
                if (SameFile(shards_[i], shards_[j])) {
                    std::cerr << "vantrel: " << shards_[i] << " is given twice\n";
                    return false;
                }
            }
            if (SameFile(shards_[i], out_)) {
                std::cerr << "vantrel: " << out_ << " is a shard; name another file to merge into\n";
                return false;
            }
        }
        return true;
    }

    // A shard is read as a resumed batch reads it, and never while a batch still writes it.
    bool ReadShard(const std::string& path, const CResultIdentity& identity, const std::vector<CKeyBlock>& blocks,
                   std::vector<CExamineeRecord>& records, std::string& reason) const
    {
        // Opening creates a file that is not there; a shard that never ran must not look empty.
        if (!fs::is_regular_file(path)) {
            reason = "no such results file: " + path;
            return false;
        }
        CResultFileLock lock;
        CResultFile shard;
        if (!lock.Acquire(path, reason) || !shard.Open(path, identity, blocks, csvLayout_, reason)) return false;
        records = shard.Existing();
        return true;
    }

    // OUT is opened as a batch opens it, so that a file of another key is refused, not lost.
    bool WriteMerged(const CResultIdentity& identity, const std::vector<CKeyBlock>& blocks,
                     const std::vector<CExamineeRecord>& records, std::string& reason) const
    {
        // A batch resuming OUT meanwhile would append to the rows this replaces.
        CResultFileLock lock;
        CResultFile file;
        if (!lock.Acquire(out_, reason) || !file.Open(out_, identity, blocks, csvLayout_, reason)) return false;
        std::set<std::string> earlier;
        for (const CExamineeRecord& record : file.Existing()) earlier.insert(record.examinee);
        if (!file.Forget(earlier, reason)) return false;
        for (const CExamineeRecord& record : records)
            if (!file.Append(record, reason)) return false;
        return true;
    }

    bool WriteReport(const std::vector<CKeyBlock>& blocks, const std::vector<CExamineeRecord>& records,
                     std::string& reason) const
    {
        if (!shardReports_.empty() && !GatherShardReports(report_, shardReports_, records, reason)) return false;
        std::error_code error;
        fs::create_directories(report_, error);
        if (!WriteClassReport(report_, blocks, records, passMark_, reason)) return false;
        std::cout << "report: " << report_ << "/index.html\n";
        return true;
    }

    int Summarize(const CMergedShards& merged, const std::vector<std::string>& missing) const
    {
        std::vector<std::string> unmarked;
        for (const CExamineeRecord& record : merged.records)
            if (!record.mark) unmarked.push_back(record.examinee);
        std::cout << "merged " << merged.records.size() << " examinees from " << shards_.size()
                  << (shards_.size() == 1 ? " shard" : " shards") << " into " << out_ << ": "
                  << merged.records.size() - unmarked.size() << " with a mark, " << unmarked.size() << " without";
        if (!merged.duplicates.empty()) std::cout << ", " << merged.duplicates.size() << " in more than one shard";
        std::cout << "\n";
        if (!unmarked.empty()) std::cout << "without a mark: " << CommaList(unmarked) << "\n";
        if (!missing.empty()) std::cout << "missing, in no shard: " << CommaList(missing) << "\n";
        return unmarked.empty() && missing.empty() ? kExitDone : kExitFailed;
    }

    std::string out_;
    std::vector<std::string> shards_;
    std::string keyFile_;
    std::string keys_;
    std::string root_;
    std::string report_;
    std::vector<std::string> shardReports_;
    std::string codePage_;
    CCsvLayout csvLayout_;
    double passMark_ = kDefaultPassMark;
};

}  // namespace

std::unique_ptr<Command> MakeBatchMergeCommand(CLI::App& batch)
{
    return std::make_unique<BatchMergeCommand>(batch);
}

}  // namespace vantrel::cli::commands
