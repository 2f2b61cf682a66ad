#include "batch/ResumePlan.h"

#include "batch/HandInFingerprint.h"

namespace vantrel::cli::batch {

std::string CResumePlan::Describe() const
{
    std::string text;
    auto add = [&](std::size_t count, const std::string& why) {
        if (count == 0) return;
        text += (text.empty() ? "grading again: " : ", ") + std::to_string(count) + " " + why;
    };
    add(unmarked, "without a mark");
    add(changed, "whose documents changed");
    add(asked, "asked for");
    return text;
}

CResumePlan PlanResume(const std::vector<CExaminee>& roster, const std::map<std::string, CExamineeRecord>& known,
                       const CResumeChoices& choices)
{
    CResumePlan plan;
    for (const CExaminee& examinee : roster) {
        const auto found = known.find(examinee.name);
        if (found == known.end()) {
            plan.pending.push_back(examinee);
            continue;
        }
        std::size_t* reason = nullptr;
        if (choices.regrade.contains(examinee.name)) reason = &plan.asked;
        else if (!found->second.mark && choices.retryUnmarked) reason = &plan.unmarked;
        else if (HandInChangedSince(found->second.documents, examinee.folder)) reason = &plan.changed;
        if (!reason) continue;
        ++*reason;
        plan.pending.push_back(examinee);
        plan.replaced.insert(examinee.name);
    }
    return plan;
}

}  // namespace vantrel::cli::batch
