#pragma once

#include <string>
#include <vector>

#include "batch/ShardMerge.h"

namespace vantrel::cli::batch {

// Brings into reportDirectory what the class report reads from the shards' report folders
// (one per shard, in the shards' order): each kept examinee's folder from the shard whose row
// was kept, and the key's captures every shard shares. False with a one-line reason.
bool GatherShardReports(const std::string& reportDirectory, const std::vector<std::string>& shardReports,
                        const CMergedShards& merged, std::string& reason);

}  // namespace vantrel::cli::batch
