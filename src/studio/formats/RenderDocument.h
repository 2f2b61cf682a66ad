#pragma once

#include <memory>
#include <string>

#include "studio/render/RenderedDocument.h"

namespace vantrel::studio {

// Reads the document at a file-system path (already resolved), recognised by its content
// whatever its name, and renders it into a preview of previewWidth x previewHeight. Returns
// null and sets a one-line reason when the file cannot be read as a document the studio knows.
std::unique_ptr<CRenderedDocument> RenderDocument(const std::string& fileSystemPath, int previewWidth,
                                                  int previewHeight, std::string& reason);

}  // namespace vantrel::studio
