#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "studio/formats/RenderDocument.h"

namespace vantrel::testing {

// Renders a file's bytes, from memory, as the studio opens a document.
inline std::unique_ptr<studio::render::CRenderedDocument> RenderBytes(const std::vector<std::uint8_t>& bytes, int previewWidth,
                                                              int previewHeight, std::string& reason)
{
    return studio::formats::RenderDocumentBytes(bytes, previewWidth, previewHeight, reason);
}

// Renders at the given preview size and expects success; the preview's RGB samples.
inline std::vector<std::uint8_t> RenderRgb(const std::vector<std::uint8_t>& bytes, int previewWidth, int previewHeight)
{
    std::string reason;
    auto document = RenderBytes(bytes, previewWidth, previewHeight, reason);
    EXPECT_NE(document, nullptr) << reason;
    return document ? document->previewRgb : std::vector<std::uint8_t>{};
}

// Every prefix of the file shorter than upTo bytes fails to open with a one-line reason.
inline void ExpectPrefixesFailCleanly(const std::vector<std::uint8_t>& bytes, std::size_t upTo)
{
    for (std::size_t length = 0; length < upTo && length < bytes.size(); ++length) {
        std::string reason;
        const std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(length));
        EXPECT_EQ(RenderBytes(prefix, 20, 16, reason), nullptr) << "prefix " << length;
        EXPECT_FALSE(reason.empty()) << "prefix " << length;
        EXPECT_EQ(reason.find('\n'), std::string::npos) << reason;
    }
}

}  // namespace vantrel::testing
