#pragma once

#include <cstdint>
#include "studio/render/Avx2Clones.h"
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "studio/io/DocumentFile.h"
#include "studio/psd/LayerChannelRows.h"
#include "studio/psd/PsdLayerRecords.h"
#include "studio/psd/PsdLayout.h"
#include "studio/render/BlendModes.h"
#include "studio/render/LayerEffects.h"

namespace vantrel::studio::render {

class CVectorMaskCoverage;

// Draws a document from its layers, the way an editor's document window shows them: groups
// (isolated, or passing through with their own opacity and mask), clipping groups, user and
// vector masks, opacity and fill opacity, every blend mode, fill layers (solid colour,
// gradient, pattern) and shape layers; the result lies over white. The canvas is composited in bands of rows, top to bottom: a band holds a
// few rows of premultiplied colour and alpha as floats, one for the canvas and one for each
// group being composited, and a layer decodes only the rows the band needs.
class CFillLayerRows;

class CLayerCompositor {
public:
    // Receives each composited row: planeCount rows of 8-bit samples, as the composite's
    // colour channels would hold them.
    using RowSink = std::function<void(const std::uint8_t* const* planes)>;

    // planeCount: the document's colour channels (1 grey, 3 RGB, 4 CMYK).
    CLayerCompositor(studio::io::CDocumentFile& file, const studio::psd::CPsdLayout& layout, const studio::psd::CPsdLayers& layers, int planeCount);
    ~CLayerCompositor();

    // Builds the group structure; fails on groups nested deeper than the limit.
    bool Prepare(studio::psd::CPsdRefusal& refusal);
    // Composites every row and hands it to sink, in order; fails with the refusal.
    bool Run(const RowSink& sink, studio::psd::CPsdRefusal& refusal);

private:
    struct CNode;
    struct CBand;
    struct CLayerState;

    bool CompositeList(const std::vector<CNode>& nodes, CBand& target, int depth, studio::psd::CPsdRefusal& refusal);
    // clipGroup, when given, is a clipping group drawn on its base: the band and the base's
    // coverage. asClipBase draws the node as it is, before its mode and opacity.
    VANTREL_AVX2_CLONES bool CompositeNode(const CNode& node, CBand& target, int depth,
                                                                 CBand* const* clipGroup, studio::psd::CPsdRefusal& refusal,
                                                                 bool asClipBase = false, bool withoutEffects = false);
    // A layer with effects: those below it, the layer, those above, and its opacity over all.
    bool CompositeWithEffects(const CNode& node, CBand& target, int depth, studio::psd::CPsdRefusal& refusal);
    // The rows of the band a layer's effects below or above it cover, faded by opacity; the
    // effects are worked out when the first band reaches them.
    bool DrawEffects(const CNode& node, CBand& target, bool below, float opacity, studio::psd::CPsdRefusal& refusal);
    // fillInside, below 1, is a fill opacity the mode applies inside its blend (FillNeutral);
    // srcAlpha then already holds it, as it does for other modes.
    void BlendRow(BlendMode mode, CBand& target, int bandRow, int left, std::size_t span, float* const* srcColour,
                  const float* srcAlpha, float fillInside = 1.0f);
    bool DecodeLayerRows(const CNode& node, int firstRow, int rowCount, studio::psd::CPsdRefusal& refusal);
    bool DecodeMaskRows(const CNode& node, int firstRow, int rowCount, studio::psd::CPsdRefusal& refusal);
    // The mask rows' density and the vector mask, on the decoded user mask.
    void ShapeMaskRows(const CNode& node, int firstRow, int rowCount);
    CLayerState& StateOf(const CNode& node);
    CBand& BandAt(int depth, int kind);

    studio::io::CDocumentFile& file_;
    const studio::psd::CPsdLayout& layout_;
    const studio::psd::CPsdLayers& layers_;
    int planeCount_;
    int width_;
    // A 32-bit document is composited as the editor does it, in linear light, and shown through
    // the sRGB curve; its fill and effect colours are linear already.
    bool linearLight_;
    int bandRows_ = 1;
    int bandTop_ = 0;        // canvas row of the band's first row
    int bandHeight_ = 0;     // rows in the current band
    std::unique_ptr<std::vector<CNode>> root_;
    std::vector<std::unique_ptr<CLayerState>> states_;  // by record index, while a layer is in use
    std::vector<std::unique_ptr<CBand>> bands_;          // by depth and kind, reused band after band
    std::vector<std::unique_ptr<CLayerEffectsImage>> effects_;  // by record index, while its rows are drawn
    std::vector<float> coverage_;
    std::vector<std::unique_ptr<CFillLayerRows>> fills_; // by record index: gradient and pattern fills
    // Scratch for one layer's decoded rows and one row of floats.
    std::vector<std::vector<std::uint8_t>> decoded_;
    std::vector<std::uint8_t> maskRows_;
    std::vector<std::uint8_t> maskRaw_;
    studio::psd::CChannelScratch scratch_;
    std::vector<float> rowScratch_;
    std::vector<float> blendScratch_;
    std::vector<float> strokeShare_;  // of a stroked shape's mask rows: how much is stroke colour
    // Feathered vector masks, by record index, each keeping its blurred rows from band to band.
    std::vector<std::unique_ptr<CVectorMaskCoverage>> featheredMasks_;
    int keptFeathers_ = 0;
};

}  // namespace vantrel::studio::render
