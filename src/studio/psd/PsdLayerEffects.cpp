#include "studio/psd/PsdLayerEffects.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "studio/psd/PsdDescriptor.h"
#include "studio/psd/PsdLayerRecords.h"

namespace vantrel::studio::psd {

namespace {

// What an effect's descriptor key is, and the name the report gives it.
struct CEffectKey {
    std::string_view single;  // the key of the one effect of its kind
    std::string_view multi;   // the key of the list newer files write instead ("" when none)
    std::string_view name;
    bool drawn;
    LayerEffectKind kind;
};

// In the order the editor stacks them, bottom first.
constexpr CEffectKey kEffectKeys[] = {
    {"DrSh", "dropShadowMulti", "drop shadow", true, LayerEffectKind::DropShadow},
    {"OrGl", "", "outer glow", true, LayerEffectKind::OuterGlow},
    {"IrSh", "innerShadowMulti", "inner shadow", true, LayerEffectKind::InnerShadow},
    {"SoFi", "solidFillMulti", "colour overlay", true, LayerEffectKind::ColourOverlay},
    {"GrFl", "gradientFillMulti", "gradient overlay", true, LayerEffectKind::GradientOverlay},
    {"FrFX", "frameFXMulti", "stroke", true, LayerEffectKind::Stroke},
    {"patternFill", "", "pattern overlay", false, LayerEffectKind::ColourOverlay},
    {"IrGl", "", "inner glow", false, LayerEffectKind::ColourOverlay},
    {"ebbl", "", "bevel and emboss", false, LayerEffectKind::ColourOverlay},
    {"ChFX", "", "satin", false, LayerEffectKind::ColourOverlay},
};

// The effects' blend-mode enumeration ('BlnM') against the layer records' keys.
std::uint32_t BlendKeyOf(std::string_view mode)
{
    static constexpr std::pair<std::string_view, const char*> kModes[] = {
        {"Nrml", "norm"},        {"Dslv", "diss"},
        {"Drkn", "dark"},        {"Mltp", "mul "},
        {"CBrn", "idiv"},        {"linearBurn", "lbrn"},
        {"darkerColor", "dkCl"}, {"Lghn", "lite"},
        {"Scrn", "scrn"},        {"CDdg", "div "},
        {"linearDodge", "lddg"}, {"lighterColor", "lgCl"},
        {"Ovrl", "over"},        {"SftL", "sLit"},
        {"HrdL", "hLit"},        {"vividLight", "vLit"},
        {"linearLight", "lLit"}, {"pinLight", "pLit"},
        {"hardMix", "hMix"},     {"Dfrn", "diff"},
        {"Xclu", "smud"},        {"blendSubtraction", "fsub"},
        {"blendDivide", "fdiv"}, {"H   ", "hue "},
        {"Strt", "sat "},        {"Clr ", "colr"},
        {"Lmns", "lum "}};
    std::string_view key = "norm";
    for (const auto& [name, layerKey] : kModes)
        if (name == mode) key = layerKey;
    std::uint32_t word = 0;
    for (char c : key) word = (word << 8) | static_cast<std::uint8_t>(c);
    return word;
}

double Clamped(double value, double low, double high)
{
    return std::isfinite(value) ? std::clamp(value, low, high) : low;
}

std::uint8_t Byte(double value)
{
    return static_cast<std::uint8_t>(std::lround(Clamped(value, 0, 255)));
}

// A colour object in RGB, from the colour spaces the editor writes effects in. False for one
// the studio does not convert (Lab, or a book colour).
bool ReadColour(const CDescriptorValue* colour, std::uint8_t rgb[3])
{
    if (colour == nullptr || colour->type != DescriptorType::Object) return false;
    const std::string& space = colour->classId;
    if (space == "RGBC") {
        rgb[0] = Byte(colour->NumberOr("Rd  ", 0));
        rgb[1] = Byte(colour->NumberOr("Grn ", 0));
        rgb[2] = Byte(colour->NumberOr("Bl  ", 0));
        return true;
    }
    if (space == "Grsc") {  // "Gry " is the percentage of black ink
        rgb[0] = rgb[1] = rgb[2] = Byte(255.0 * (1.0 - Clamped(colour->NumberOr("Gry ", 0), 0, 100) / 100.0));
        return true;
    }
    if (space == "CMYC") {  // percentages of ink, combined without a profile
        const double k = 1.0 - Clamped(colour->NumberOr("Blck", 0), 0, 100) / 100.0;
        const char* inks[] = {"Cyn ", "Mgnt", "Ylw "};
        for (int c = 0; c < 3; ++c)
            rgb[c] = Byte(255.0 * k * (1.0 - Clamped(colour->NumberOr(inks[c], 0), 0, 100) / 100.0));
        return true;
    }
    if (space == "HSBC") {  // hue in degrees, saturation and brightness in percent
        const double h = std::fmod(Clamped(colour->NumberOr("H   ", 0), 0, 360), 360.0) / 60.0;
        const double s = Clamped(colour->NumberOr("Strt", 0), 0, 100) / 100.0;
        const double v = Clamped(colour->NumberOr("Brgh", 0), 0, 100) / 100.0;
        const int sector = static_cast<int>(h);
        const double f = h - sector;
        const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
        const double table[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
        for (int c = 0; c < 3; ++c) rgb[c] = Byte(255.0 * table[sector % 6][c]);
        return true;
    }
    return false;
}

// Whether a contour ("TrnS") is the straight line the studio draws every effect with.
bool IsLinearContour(const CDescriptorValue* contour)
{
    if (contour == nullptr || contour->type != DescriptorType::Object) return true;
    const CDescriptorValue* curve = contour->Find("Crv ");
    if (curve == nullptr || curve->type != DescriptorType::List) return true;
    if (curve->list.size() != 2) return false;
    const CDescriptorValue& first = curve->list[0];
    const CDescriptorValue& last = curve->list[1];
    return first.NumberOr("Hrzn", -1) == 0 && first.NumberOr("Vrtc", -1) == 0 && last.NumberOr("Hrzn", -1) == 255 &&
           last.NumberOr("Vrtc", -1) == 255;
}

void Note(std::vector<std::string>& notDrawn, const std::string& what)
{
    const std::string line = "layer effect: " + what;
    if (std::find(notDrawn.begin(), notDrawn.end(), line) == notDrawn.end()) notDrawn.push_back(line);
}

// Reads one enabled effect of a kind the studio draws; what it leaves out goes to notDrawn.
void ReadEffect(const CDescriptorValue& fx, const CEffectKey& key, CPsdLayerEffects& effects,
                std::vector<std::string>& notDrawn)
{
    const std::string name(key.name);
    CLayerEffect effect;
    effect.kind = key.kind;
    effect.blendKey = BlendKeyOf(fx.EnumOr("Md  "));
    effect.opacity = Clamped(fx.NumberOr("Opct", 100), 0, 100) / 100.0;
    const bool shadow = key.kind == LayerEffectKind::DropShadow || key.kind == LayerEffectKind::InnerShadow;
    const bool soft = shadow || key.kind == LayerEffectKind::OuterGlow;
    if (key.kind == LayerEffectKind::Stroke) {
        const std::string_view paint = fx.EnumOr("PntT");
        if (!paint.empty() && paint != "SClr") {
            Note(notDrawn, name + (paint == "GrFl" ? " in a gradient" : " in a pattern"));
            return;
        }
        const std::string_view style = fx.EnumOr("Styl");
        effect.position = style == "InsF"   ? StrokePosition::Inside
                          : style == "CtrF" ? StrokePosition::Centre
                                            : StrokePosition::Outside;
        effect.size = Clamped(fx.NumberOr("Sz  ", 0), 0, CPsdLayerLimits::kMaxEffectSize);
    }
    if (key.kind == LayerEffectKind::GradientOverlay) {
        std::string why;
        if (ReadGradientFill(fx, effect.gradient, why))
            effects.drawn.push_back(effect);
        else
            Note(notDrawn, name + ": " + why);
        return;
    }
    if (!ReadColour(fx.Find("Clr "), effect.colour)) {
        Note(notDrawn,
             name + (fx.Find("Clr ") ? " in a colour space other than RGB, grey, CMYK or HSB" : " in a gradient"));
        return;
    }
    if (soft) {
        effect.size = Clamped(fx.NumberOr("blur", 0), 0, CPsdLayerLimits::kMaxEffectSize);
        effect.spread = Clamped(fx.NumberOr("Ckmt", 0), 0, 100);
        if (Clamped(fx.NumberOr("Nose", 0), 0, 100) > 0) Note(notDrawn, name + " noise");
        if (!IsLinearContour(fx.Find("TrnS"))) Note(notDrawn, name + " contour (drawn linear)");
    }
    if (shadow) {
        effect.useGlobalLight = fx.NumberOr("uglg", 1) != 0;
        effect.angle = Clamped(fx.NumberOr("lagl", 120), -360, 360);
        effect.distance = Clamped(fx.NumberOr("Dstn", 0), 0, CPsdLayerLimits::kMaxEffectDistance);
        effect.knockedOut = fx.NumberOr("layerConceals", 1) != 0;
    }
    effects.drawn.push_back(effect);
}

// On in the dialog, and part of the style at all ("present" is false for an entry the style only keeps).
bool Enabled(const CDescriptorValue& fx)
{
    return fx.type == DescriptorType::Object && fx.NumberOr("enab", 1) != 0 && fx.NumberOr("present", 1) != 0;
}

}  // namespace

int CPsdLayerEffects::Reach() const
{
    double reach = 0;
    for (const CLayerEffect& effect : drawn) {
        switch (effect.kind) {
        case LayerEffectKind::DropShadow:
            reach = std::max(reach, effect.distance + effect.size + 2);
            break;
        case LayerEffectKind::OuterGlow:
            reach = std::max(reach, effect.size + 2);
            break;
        case LayerEffectKind::Stroke:
            reach = std::max(reach, effect.size + 2);
            break;
        case LayerEffectKind::InnerShadow:  // inside the coverage, but it reads beyond by its offset
            reach = std::max(reach, effect.distance + effect.size + 2);
            break;
        case LayerEffectKind::ColourOverlay:
        case LayerEffectKind::GradientOverlay:
            break;
        }
    }
    return static_cast<int>(std::ceil(reach));
}

std::int64_t CPsdLayerEffects::FloatsFor(std::int64_t width, std::int64_t height) const
{
    if (drawn.empty()) return 0;
    const std::int64_t reach = Reach();
    // Each side is at most the layer limit plus twice the largest reach, so the product fits.
    const std::int64_t pixels = (width + 2 * reach) * (height + 2 * reach);
    // A plane per effect, the coverage, two planes of distances and two of scratch for blurs.
    return pixels * (static_cast<std::int64_t>(drawn.size()) + 5);
}

void CPsdLayerEffects::SetAside(std::vector<std::string>& notDrawn, const std::string& why)
{
    for (const CLayerEffect& effect : drawn)
        for (const CEffectKey& key : kEffectKeys)
            if (key.drawn && key.kind == effect.kind) Note(notDrawn, std::string(key.name) + " " + why);
    drawn.clear();
}

bool ReadLayerEffects(std::span<const std::uint8_t> block, CPsdLayerEffects& effects,
                      std::vector<std::string>& notDrawn, std::string& reason)
{
    effects = CPsdLayerEffects{};
    if (block.size() < 4) {
        reason = "layer effects shorter than their version";
        return false;
    }
    if (block[0] != 0 || block[1] != 0 || block[2] != 0 || block[3] != 0) {
        reason = "layer effects of an unknown version";
        return false;
    }
    CDescriptorValue root;
    if (!ReadVersionedDescriptor(block.subspan(4), root, reason)) return false;
    effects.scale = Clamped(root.NumberOr("Scl ", 100), 1, 100000);
    if (root.NumberOr("masterFXSwitch", 1) == 0) return true;
    int count = 0;
    for (const CEffectKey& key : kEffectKeys) {
        std::vector<const CDescriptorValue*> found;
        const CDescriptorValue* list = key.multi.empty() ? nullptr : root.Find(key.multi);
        if (list != nullptr && list->type == DescriptorType::List) {
            for (const CDescriptorValue& fx : list->list) found.push_back(&fx);
        } else if (const CDescriptorValue* fx = root.Find(key.single)) {
            found.push_back(fx);
        }
        // The dialog lists the topmost of a kind first; the studio draws from the bottom up.
        std::reverse(found.begin(), found.end());
        for (const CDescriptorValue* fx : found) {
            if (!Enabled(*fx)) continue;
            if (++count > CPsdLayerLimits::kMaxLayerEffects) {
                Note(notDrawn, "more than " + std::to_string(CPsdLayerLimits::kMaxLayerEffects) + " effects");
                return true;
            }
            if (key.drawn)
                ReadEffect(*fx, key, effects, notDrawn);
            else
                Note(notDrawn, std::string(key.name));
        }
    }
    return true;
}

}  // namespace vantrel::studio::psd
