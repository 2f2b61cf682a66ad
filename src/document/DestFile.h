#pragma once

#include <optional>
#include <string>

#include "platform/Platform.h"

namespace vantrel::document {

// The file name a document line names: what follows its first "=" or ":", spaces dropped,
// upper-cased. nullopt when the line or the name is longer than a document line may be.
std::optional<std::string> DocumentNameOf(const std::string& line);

// Opens the answer directory followed by the name read-only; -1 when it cannot be opened, a
// path too long to open and one that passes a link in the folder leading out of it included.
int OpenAnswerDocument(platform::IFiles& files, const std::string& answerDirectory, const std::string& name);

}  // namespace vantrel::document
