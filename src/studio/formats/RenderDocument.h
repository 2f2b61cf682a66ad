#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "studio/render/RenderedDocument.h"

namespace vantrel::studio::formats {

// Reads the document at a file-system path (already resolved), recognised by its content
// whatever its name, and renders it into a preview of previewWidth x previewHeight. Returns
// null and sets a one-line reason when the file cannot be read as a document the studio knows.
std::unique_ptr<studio::render::CRenderedDocument> RenderDocument(const std::string& fileSystemPath, int previewWidth,
                                                  int previewHeight, std::string& reason);

// The same for a document's bytes in memory, which the caller keeps for the call's length.
std::unique_ptr<studio::render::CRenderedDocument> RenderDocumentBytes(std::span<const std::uint8_t> bytes, int previewWidth,
                                                       int previewHeight, std::string& reason);

}  // namespace vantrel::studio::formats
