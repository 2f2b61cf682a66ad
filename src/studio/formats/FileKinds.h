#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "studio/psd/DocumentFile.h"
#include "studio/render/RenderedDocument.h"

namespace vantrel::studio {

// One kind of file the studio opens: how its first bytes look, and how it renders.
struct CFileKind {
    const char* name;  // "PSD", ... as `vantrel inspect` reports it
    // Whether a file starting with these bytes (as many as it has, up to kSniffBytes) is of
    // this kind.
    bool (*Sniff)(const std::uint8_t* head, std::size_t size);
    // Renders a file of this kind into a preview; null with a one-line reason when it cannot.
    std::unique_ptr<CRenderedDocument> (*Render)(CDocumentFile& file, int previewWidth, int previewHeight,
                                                 std::string& reason);
};

// Enough leading bytes to tell every kind apart.
constexpr std::size_t kSniffBytes = 16;

// Every kind the studio opens, in the order they are tried.
std::span<const CFileKind* const> FileKinds();

// The kind of a file by its content, or null when no kind recognises it.
const CFileKind* SniffFileKind(CDocumentFile& file);

// The entry of each kind, one per file.
extern const CFileKind kPsdFileKind;

}  // namespace vantrel::studio
