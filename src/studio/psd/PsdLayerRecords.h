#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "studio/io/DocumentFile.h"
#include "studio/psd/FillDescriptors.h"
#include "studio/psd/PsdErrors.h"
#include "studio/psd/PsdLayerEffects.h"
#include "studio/psd/PsdLayout.h"
#include "studio/psd/PsdVectorMask.h"
#include "studio/psd/PsdPatterns.h"

namespace vantrel::studio::psd {

// Channel ids a layer record uses besides its colour channels.
constexpr int kTransparencyChannel = -1;
constexpr int kUserMaskChannel = -2;
constexpr int kRealUserMaskChannel = -3;  // the user mask when a vector mask is present too

// Where a layer sits in the group structure. In the stored order (bottom to top) a group is
// its end marker, then its children, then the group's own record.
enum class LayerSection { Layer, OpenGroup, ClosedGroup, GroupEnd };

struct CPsdLayerChannel {
    int id = 0;
    std::uint64_t offset = 0;  // of the channel's compression word
    std::uint64_t length = 0;  // compression word included
};

// A rectangle in canvas coordinates; it may lie partly or wholly outside the canvas.
struct CPsdRect {
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int32_t bottom = 0;
    std::int32_t right = 0;

    std::int64_t Width() const { return std::int64_t{right} - left; }
    std::int64_t Height() const { return std::int64_t{bottom} - top; }
    bool IsEmpty() const { return Width() <= 0 || Height() <= 0; }
};

struct CPsdLayerMask {
    bool present = false;
    CPsdRect bounds;
    std::uint8_t defaultColor = 0;  // outside the bounds
    bool disabled = false;
    // The mask moves with the layer in the editor; its bounds are canvas coordinates either way.
    bool relativeToLayer = false;
    int channelId = kUserMaskChannel;
    std::uint8_t density = 255;  // from the mask parameters: 0 leaves the layer unmasked
    double feather = 0;          // pixels; the studio does not blur a user mask
};

struct CPsdLayerRecord {
    CPsdRect bounds;
    std::vector<CPsdLayerChannel> channels;
    std::uint32_t blendKey = 0;        // four characters, 'norm' ...
    std::uint8_t opacity = 255;
    std::uint8_t fillOpacity = 255;
    bool clipped = false;              // clipped to the nearest unclipped layer below
    bool visible = true;
    LayerSection section = LayerSection::Layer;
    std::uint32_t sectionBlendKey = 0; // a group's blend key when its divider block names one
    CPsdLayerMask mask;
    bool hasSolidColor = false;        // a solid-colour fill layer
    bool hasFillContent = false;       // a fill layer's or a shape's content: colour, gradient or pattern
    bool fillHidden = false;           // a shape's fill turned off in its vector stroke block
    CPsdVectorStroke vectorStroke;     // drawn only for a shape saved without pixels
    bool hasVectorMask = false;        // a vector mask block, read into vectorMask
    CPsdVectorMask vectorMask;
    std::uint8_t solidColor[3] = {0, 0, 0};  // red, green, blue
    std::optional<CGradientFill> gradientFill;  // a gradient fill the studio draws
    std::optional<CPatternFill> patternFill;    // a pattern fill whose pattern the document holds
    std::string name;
    CPsdLayerEffects effects;
    bool hasObjectEffects = false;     // an effects descriptor block, read into effects
    bool hasOldEffects = false;        // the older binary effects block
    // What the studio does not draw for this layer, for the document's report.
    std::vector<std::string> skipped;

    const CPsdLayerChannel* FindChannel(int id) const;
};

struct CPsdLayers {
    std::vector<CPsdLayerRecord> records;  // bottom to top, as stored
    int depth = 8;                          // sample depth of the layer channels
    bool mergedAlphaFirst = false;          // a negative count: the first alpha channel is the merged transparency
    std::vector<CPsdPattern> patterns;      // those the pattern fills name
};

// Limits on what a document's layers may claim, checked before anything is allocated.
struct CPsdLayerLimits {
    static constexpr int kMaxLayers = 16384;
    static constexpr int kMaxLayerChannels = 56;
    static constexpr std::int64_t kMaxLayerSide = 300000;
    // Each level of nesting holds a band of its own and a frame of the compositor's recursion;
    // editors nest groups only a few levels deep.
    static constexpr int kMaxGroupDepth = 64;
    // A descriptor nests an object or list per level of recursion; the editor's deepest (a
    // gradient inside an effect inside a list) go four or five levels down.
    static constexpr int kMaxDescriptorDepth = 32;
    // Each value read costs a node of memory whatever bytes it took, so a block of empty lists
    // could ask for far more memory than its size; the editor's largest settings hold hundreds.
    static constexpr int kMaxDescriptorValues = 100000;
    // Knots of one layer's vector mask: the curves between them are looked at for every band
    // of rows and flattened into lines that every sub-row they span looks at. Shapes drawn in
    // an editor have a few thousand knots at most, a paragraph of text turned into shapes a
    // few tens of thousands.
    static constexpr int kMaxPathKnots = 65536;
    // Effects of one layer read from its lists; the editor's dialog offers ten of a kind.
    static constexpr int kMaxLayerEffects = 64;
    // The editor's sliders stop at 250 pixels of size and 30,000 of distance; larger values
    // would only make the effect's image larger.
    static constexpr double kMaxEffectSize = 250;
    static constexpr double kMaxEffectDistance = 30000;
    // A layer's effects are worked out over its bounds grown by their reach, a float per
    // pixel per effect and a few planes of scratch, and held while their rows are drawn; past
    // this many floats for the whole document (256 MB) effects are listed instead of drawn.
    static constexpr std::int64_t kMaxEffectFloats = std::int64_t{1} << 26;
    // A gradient is drawn from a table built over its stops; the editor's gradient editor
    // makes a few dozen at most.
    static constexpr int kMaxGradientStops = 1024;
    // Patterns are decoded whole, as tiles: the editor's presets are a few hundred pixels on a
    // side, and a pattern defined from a 16-megapixel photograph still fits (64 MB decoded).
    static constexpr std::size_t kMaxPatternPixels = std::size_t{1} << 24;
    // A pattern block is read whole before its patterns are decoded: room for that many
    // pixels stored raw with their transparency.
    static constexpr std::uint64_t kMaxPatternBlockBytes = std::uint64_t{1} << 27;
};

// Reads the layer records of the layer and mask information section: bounds, channels and
// where their data lies, blend modes, opacities, flags, masks, groups and the additional
// blocks the studio draws from. Every count and length is checked against the section and
// the file first. A document without layers gives an empty list. On failure returns false
// with the refusal.
bool ReadPsdLayerRecords(studio::io::CDocumentFile& file, const CPsdLayout& layout, CPsdLayers& layers, CPsdRefusal& refusal);

}  // namespace vantrel::studio::psd
