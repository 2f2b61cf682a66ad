#include "commands/HandInStatus.h"

#include <set>

#include "batch/ExamineeRecord.h"
#include "commands/DocumentNearMisses.h"

using vantrel::document::DocumentAccess;

namespace vantrel::cli::commands {

namespace {

// The editor says "cannot open PATH: WHY" with the whole path; the status names the document
// already, so only WHY is kept.
std::string EditorWords(const CHandInDocument& document)
{
    const std::string& reason = document.editorReason;
    const std::size_t at = reason.find(document.name + ": ");
    if (at == std::string::npos) return reason.empty() ? "the editor could not open it" : reason;
    return reason.substr(at + document.name.size() + 2);
}

std::string Joined(const std::vector<std::string>& parts)
{
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
    return text;
}

// The trouble with one document, or empty when it was graded as handed in.
std::string TroubleOf(const CHandInDocument& document, const std::string& answerFolder)
{
    using batch::kLinkRefusedStatus, batch::kMissingStatus, batch::kUnreadableStatus;
    switch (document.access) {
    case DocumentAccess::NotOpened: {
        const std::vector<std::string> seen = NearMissesOf(answerFolder, document.name);
        return std::string(kMissingStatus) + ": " + document.name +
               (seen.empty() ? "" : " (seen: " + Joined(seen) + ")");
    }
    case DocumentAccess::NameTooLong:
        return std::string(kMissingStatus) + ": " + document.name + " (the name is longer than a document's may be)";
    case DocumentAccess::LinkOutOfFolder:
        return std::string(kLinkRefusedStatus) + ": " + document.name + " (a link in the folder leads out of it)";
    case DocumentAccess::Opened: break;
    }
    if (document.refusedByEditor)
        return std::string(kUnreadableStatus) + ": " + document.name + " (" + EditorWords(document) + ")";
    return {};
}

// A capture shown without what the editor could not draw: the first few things, then a count.
std::string GapsOf(const CHandInDocument& document)
{
    constexpr std::size_t kListed = 3;
    if (document.notDrawn.empty() || document.access != DocumentAccess::Opened || document.refusedByEditor) return {};
    std::string text = "not drawn in " + document.name + ": ";
    for (std::size_t i = 0; i < document.notDrawn.size() && i < kListed; ++i)
        text += (i == 0 ? "" : ", ") + document.notDrawn[i];
    if (document.notDrawn.size() > kListed)
        text += " and " + std::to_string(document.notDrawn.size() - kListed) + " more";
    return text;
}

}  // namespace

std::string HandInStatus(const std::vector<CHandInDocument>& documents, const std::string& answerFolder)
{
    std::string status;
    std::set<std::string> said;  // a document named on several lines is told of once
    for (const CHandInDocument& document : documents) {
        const std::string trouble = TroubleOf(document, answerFolder);
        if (trouble.empty() || !said.insert(trouble).second) continue;
        status += (status.empty() ? "" : "; ") + trouble;
    }
    if (status.empty()) status = batch::kGradedStatus;
    for (const CHandInDocument& document : documents) {
        const std::string gaps = GapsOf(document);
        if (!gaps.empty() && said.insert(gaps).second) status += "; " + gaps;
    }
    return status;
}

}  // namespace vantrel::cli::commands
