#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "batch/ClassRoster.h"
#include "batch/ExamineeRecord.h"

namespace vantrel::cli::batch {

// The rows of one shard's results file, as read, and the name it was given by.
struct CShardRows {
    std::string name;
    std::vector<CExamineeRecord> records;
};

// An examinee found in more than one shard, and the shard whose row was kept.
struct CDuplicateExaminee {
    std::string examinee;
    std::string kept;
    std::vector<std::string> dropped;
    bool keptForItsMark = false;  // the kept row has a mark and an earlier shard's had none

    // "003 is in shard-0.csv and shard-1.csv; kept the row of shard-1.csv, which has a mark"
    std::string Describe() const;
};

// Shards joined into one row per examinee, in name order, as an unsharded batch writes them.
struct CMergedShards {
    std::vector<CExamineeRecord> records;
    std::vector<CDuplicateExaminee> duplicates;
};

// Within a shard a later row of an examinee replaces an earlier one, as on resume. Across
// shards a row with a mark wins over one without; between rows alike in that, the shard given
// first wins, so the result never depends on which shard finished last.
CMergedShards MergeShards(const std::vector<CShardRows>& shards);

// Examinees of the roster that no merged row holds, in roster order.
std::vector<std::string> MissingExaminees(const std::vector<CExaminee>& roster,
                                          const std::vector<CExamineeRecord>& merged);

}  // namespace vantrel::cli::batch
