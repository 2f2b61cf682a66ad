#pragma once

#include <optional>
#include <string>

#include "platform/Platform.h"

namespace vantrel::document {

// The file name a document line names: what follows its first "=" or ":", spaces dropped,
// upper-cased. nullopt when the line or the name is longer than a document line may be.
std::optional<std::string> DocumentNameOf(const std::string& line);

// How an answer document's opening went, for a caller that explains a mark.
enum class DocumentAccess { Opened, NotOpened, NameTooLong, LinkOutOfFolder };

// Opens the answer directory followed by the name read-only; -1 when it cannot be opened, a
// path too long to open and one that passes a link in the folder leading out of it included.
// With access, says which of these it was.
int OpenAnswerDocument(platform::IFiles& files, const std::string& answerDirectory, const std::string& name,
                       DocumentAccess* access = nullptr);

}  // namespace vantrel::document
