#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "studio/psd/FillDescriptors.h"

namespace vantrel::studio::psd {

// The layer effects the studio draws, in the order the editor stacks them.
enum class LayerEffectKind { DropShadow, OuterGlow, InnerShadow, ColourOverlay, GradientOverlay, Stroke };

enum class StrokePosition { Outside, Inside, Centre };

struct CLayerEffect {
    LayerEffectKind kind = LayerEffectKind::DropShadow;
    std::uint32_t blendKey = 0;  // the layer records' four characters for the mode: 'norm', 'mul ' ...
    double opacity = 1;          // 0 to 1
    std::uint8_t colour[3] = {0, 0, 0};
    bool useGlobalLight = true;  // shadows: the document's light angle, not their own
    double angle = 120;          // shadows: degrees the light comes from
    double distance = 0;         // shadows: pixels
    double spread = 0;           // shadows and glows: percent of the size grown before the blur
    double size = 0;             // blur size of shadows and glows, width of a stroke: pixels
    StrokePosition position = StrokePosition::Outside;
    bool knockedOut = true;  // drop shadows: hidden where the layer itself covers
    CGradientFill gradient;  // gradient overlays
};

struct CPsdLayerEffects {
    double scale = 100;               // "Scl ": the ratio the sizes were scaled by on writing; sizes are stored scaled
    std::vector<CLayerEffect> drawn;  // enabled effects the studio draws
    // The reach beyond the layer's coverage of the drawn effects, in whole pixels.
    int Reach() const;
    // Floats the drawing of the effects holds for a layer of these sides.
    std::int64_t FloatsFor(std::int64_t width, std::int64_t height) const;
    // Moves every drawn effect to notDrawn, saying why ("on a group").
    void SetAside(std::vector<std::string>& notDrawn, const std::string& why);
};

// Reads an object-based effects block ('lfx2', 'lmfx'): a version word 0, then a versioned
// descriptor. Enabled effects the studio draws go to effects.drawn; each enabled effect (or
// option of one) it does not draw is named in notDrawn ("layer effect: bevel and emboss").
// Disabled effects, and every effect under a master switch that is off, are neither. False with
// a reason when the block cannot be read.
bool ReadLayerEffects(std::span<const std::uint8_t> block, CPsdLayerEffects& effects,
                      std::vector<std::string>& notDrawn, std::string& reason);

}  // namespace vantrel::studio::psd
