#pragma once

#include <string>
#include <vector>

#include "document/DestFile.h"

namespace vantrel::cli::commands {

// One document the key names, as grading met it.
struct CHandInDocument {
    std::string name;  // UTF-8, as grading looked for it
    document::DocumentAccess access = document::DocumentAccess::NotOpened;
    bool refusedByEditor = false;  // opened, but the editor could not open it for an effect
    std::string editorReason;      // the editor's words when it refused
    // What the editor's drawing of it left out, as the studio lists it ("layer 2 \"Logo\": vector mask").
    std::vector<std::string> notDrawn;
};

// "graded", or each document that could not be graded as handed in, "; " between them:
// "missing: A.PSD (seen: a.psd.psd)", "unreadable: A.PSD (truncated image data)",
// "link refused: A.PSD (...)". The near misses of a missing document are looked for in the
// answer folder. A document the editor drew without some of what its layers use is told of
// after them: "graded; not drawn in A.PSD: layer 1 \"Shadow\": layer effects".
std::string HandInStatus(const std::vector<CHandInDocument>& documents, const std::string& answerFolder);

}  // namespace vantrel::cli::commands
