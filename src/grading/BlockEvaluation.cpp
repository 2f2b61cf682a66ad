#include <string_view>

#include "grading/BlockSyntax.h"
#include "grading/MarkSession.h"

namespace vantrel::grading {

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
    if (documentHandle == -1) return 0;

    const CBlockHead head = ReadBlockHead(blockText);
    const double weight = head.weight;
    std::string_view criteria(blockText);
    criteria.remove_prefix(head.criteriaStart);
    if (currentBlock) currentBlock->weight = weight;

    try {
        std::string_view criterion;
        while (CutCriterion(criteria, criterion)) {
            if (currentBlock) currentBlock->criteria.emplace_back(criterion);
            CCriterionParts parts = SplitCriterion(criterion);
            if (const auto mode = EffectModeOfName(parts.name)) return weight * EvaluateEffect(parts.arguments, *mode);
            if (!EvaluatePropertyCriterion(parts.name, parts.arguments)) return 0;
        }
        return weight;
    } catch (...) {
        return weight * 0.5;
    }
}

}  // namespace vantrel::grading
