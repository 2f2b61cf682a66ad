#pragma once

#include "platform/Platform.h"

#include <optional>
#include <set>
#include <string>

namespace vantrel::platform {

// Read-only file access through the C runtime's low-level I/O. Paths are code-page text as
// given: the narrow runtime reads them in the ANSI code page, and the file system matches
// letter case itself.
class CWin32Files : public IFiles {
public:
    ~CWin32Files() override;

    int OpenReadOnly(const std::string& codePagePath) override;
    long Read(int handle, void* buffer, std::size_t count) override;
    long SeekFromCurrent(int handle, long offset) override;
    void Close(int handle) override;
    std::optional<std::string> ResolvePath(const std::string& codePagePath) override;
    bool PassesLinkOutOf(const std::string& folder, const std::string& codePagePath) override;
    std::optional<CFileIdentity> IdentifyFile(const std::string& fileSystemPath) override;

    // Handles opened here and not yet closed, so tests can see that every path closes them.
    std::size_t OpenCount() const { return open_.size(); }

private:
    std::set<int> open_;
};

}  // namespace vantrel::platform
