#include <string_view>

#include "grading/BlockSyntax.h"
#include "grading/MarkSession.h"

namespace vantrel::grading {

namespace {

// Lists the criteria left in the text for an observer, none of them evaluated. What the
// observer sees never changes a score, so running short of memory here changes nothing.
void ListCriteria(CBlockReport& block, std::string_view criteria, CriterionResult result)
{
    try {
        std::string_view criterion;
        while (CutCriterion(criteria, criterion)) {
            block.criteria.emplace_back(criterion);
            block.outcomes.push_back({result, {}, {}});
        }
    } catch (...) {
    }
}

// A block whose document is not open, read as far as its weight and criteria.
void ListUnopenedBlock(CBlockReport& block, std::string blockText)
{
    try {
        const CBlockHead head = ReadBlockHead(blockText);
        block.weight = head.weight;
        ListCriteria(block, std::string_view(blockText).substr(head.criteriaStart), CriterionResult::NoDocument);
    } catch (...) {
    }
}

}  // namespace

void CMarkSession::NormalizeBlanks(std::string& text) const
{
    NormalizeBlockBlanks(text);
}

bool CMarkSession::NextCriterion(std::string& list, std::string& criterion) const
{
    std::string_view rest(list);
    std::string_view cut;
    const bool found = CutCriterion(rest, cut);
    criterion.assign(cut);
    list.erase(0, list.size() - rest.size());
    return found;
}

double CMarkSession::EvaluateBlock(std::string& blockText)
{
    if (documentHandle == -1) {
        // Nothing is evaluated, but an observer still learns what the block asks for.
        if (currentBlock) ListUnopenedBlock(*currentBlock, blockText);
        return 0;
    }

    const CBlockHead head = ReadBlockHead(blockText);
    const double weight = head.weight;
    std::string_view criteria(blockText);
    criteria.remove_prefix(head.criteriaStart);
    if (currentBlock) currentBlock->weight = weight;

    double score = weight;
    try {
        std::string_view criterion;
        while (CutCriterion(criteria, criterion)) {
            if (currentBlock) {
                currentBlock->criteria.emplace_back(criterion);
                currentBlock->outcomes.push_back({CriterionResult::Interrupted, {}, {}});
            }
            CCriterionParts parts = SplitCriterion(criterion);
            if (const auto mode = EffectModeOfName(parts.name)) {
                score = weight * EvaluateEffect(parts.arguments, *mode);
                if (currentBlock && !currentBlock->effects.empty())
                    currentBlock->outcomes.back() = {CriterionResult::Compared, {}, currentBlock->effects.size() - 1};
                break;
            }
            const bool held = EvaluatePropertyCriterion(parts.name, parts.arguments);
            if (currentBlock)
                currentBlock->outcomes.back().result = held ? CriterionResult::Passed : CriterionResult::Failed;
            if (!held) {
                score = 0;
                break;
            }
        }
    } catch (...) {
        score = weight * 0.5;
    }
    if (currentBlock) ListCriteria(*currentBlock, criteria, CriterionResult::NotReached);
    return score;
}

}  // namespace vantrel::grading
