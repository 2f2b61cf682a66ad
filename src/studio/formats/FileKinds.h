#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "studio/io/DocumentFile.h"
#include "studio/render/RenderedDocument.h"

namespace vantrel::studio::formats {

// One kind of file the studio opens: how its first bytes look, and how it renders.
struct CFileKind {
    const char* name;  // "PSD", ... as `vantrel inspect` reports it
    // Whether a file starting with these bytes (as many as it has, up to kSniffBytes) is of
    // this kind.
    bool (*Sniff)(const std::uint8_t* head, std::size_t size);
    // Renders a file of this kind into a preview; null with a one-line reason when it cannot.
    std::unique_ptr<studio::render::CRenderedDocument> (*Render)(studio::io::CDocumentFile& file, int previewWidth, int previewHeight,
                                                 std::string& reason);
};

// Enough leading bytes to tell every kind apart (a BMP's information header size is at 14).
constexpr std::size_t kSniffBytes = 32;

// Every kind the studio opens, in the order they are tried.
std::span<const CFileKind* const> FileKinds();

// The kind of a file by its content, or null when no kind recognises it.
const CFileKind* SniffFileKind(studio::io::CDocumentFile& file);

// The entry of each kind, one per file. Kinds whose codec a build lacks are compiled out.
extern const CFileKind kPsdFileKind;
extern const CFileKind kJpegFileKind;
extern const CFileKind kPngFileKind;
extern const CFileKind kGifFileKind;
extern const CFileKind kTiffFileKind;
extern const CFileKind kBmpFileKind;

// "a PSD, JPEG, PNG, ... or BMP file": the kinds this build opens, for a reason to give when
// a file is none of them.
std::string KnownFileKindsText();

}  // namespace vantrel::studio::formats
