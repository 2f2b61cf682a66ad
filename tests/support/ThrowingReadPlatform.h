#pragma once

#include <stdexcept>

#include "platform/headless/HeadlessPlatform.h"

namespace vantrel::testing {

// Files that fail the whole run once a document is open, to reach the paths out of a
// grading call that no criterion handles.
class ThrowingReadPlatform : public platform::CHeadlessPlatform {
public:
    class ThrowingFiles : public platform::CHostFiles {
    public:
        long Read(int, void*, std::size_t) override { throw std::runtime_error("disk gone"); }
    };
    ThrowingFiles& Files() override { return files_; }

private:
    ThrowingFiles files_;
};

}  // namespace vantrel::testing
