#include "batch/ShardMerge.h"

#include <algorithm>
#include <map>
#include <set>

namespace vantrel::cli::batch {

std::string CDuplicateExaminee::Describe() const
{
    std::string text = examinee + " is in " + kept;
    for (std::size_t i = 0; i < dropped.size(); ++i) text += (i + 1 == dropped.size() ? " and " : ", ") + dropped[i];
    text += "; kept the row of " + kept;
    return keptForItsMark ? text + ", which has a mark" : text + ", given first";
}

CMergedShards MergeShards(const std::vector<CShardRows>& shards)
{
    struct CCandidate {
        std::size_t shard;
        const CExamineeRecord* record;
    };
    // Name order is byte order, as the roster lists examinees.
    std::map<std::string, std::vector<CCandidate>> byExaminee;
    for (std::size_t s = 0; s < shards.size(); ++s) {
        std::map<std::string, const CExamineeRecord*> last;
        for (const CExamineeRecord& record : shards[s].records) last.insert_or_assign(record.examinee, &record);
        for (const auto& [examinee, record] : last) byExaminee[examinee].push_back({s, record});
    }

    CMergedShards merged;
    for (const auto& [examinee, candidates] : byExaminee) {
        const auto kept = std::find_if(candidates.begin(), candidates.end(),
                                       [](const CCandidate& c) { return c.record->mark.has_value(); });
        const CCandidate& chosen = kept == candidates.end() ? candidates.front() : *kept;
        merged.records.push_back(*chosen.record);
        if (candidates.size() == 1) continue;
        CDuplicateExaminee duplicate{examinee, shards[chosen.shard].name, {}, chosen.shard != candidates.front().shard};
        for (const CCandidate& other : candidates)
            if (other.shard != chosen.shard) duplicate.dropped.push_back(shards[other.shard].name);
        merged.duplicates.push_back(std::move(duplicate));
    }
    return merged;
}

std::vector<std::string> MissingExaminees(const std::vector<CExaminee>& roster,
                                          const std::vector<CExamineeRecord>& merged)
{
    std::set<std::string> present;
    for (const CExamineeRecord& record : merged) present.insert(record.examinee);
    std::vector<std::string> missing;
    for (const CExaminee& examinee : roster)
        if (!present.contains(examinee.name)) missing.push_back(examinee.name);
    return missing;
}

}  // namespace vantrel::cli::batch
