#pragma once

#include <string>
#include <vector>

#include "batch/ExamineeRecord.h"

namespace vantrel::cli::batch {

// Brings into reportDirectory what the class report reads from the shards' report folders, in
// any order: each examinee's folder from the first that holds the examinee's detail (a worker
// that crashed left none), and the key's captures every shard shares. False with a reason.
bool GatherShardReports(const std::string& reportDirectory, const std::vector<std::string>& shardReports,
                        const std::vector<CExamineeRecord>& records, std::string& reason);

}  // namespace vantrel::cli::batch
