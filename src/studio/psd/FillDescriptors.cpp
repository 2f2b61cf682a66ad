#include "studio/psd/FillDescriptors.h"

#include <algorithm>
#include <cmath>

#include "studio/psd/PsdDescriptor.h"
#include "studio/psd/PsdLayerRecords.h"

namespace vantrel::studio::psd {

namespace {

// A number of the descriptor, never NaN or infinite, within [low, high].
double Bounded(double value, double low, double high)
{
    return std::isfinite(value) ? std::clamp(value, low, high) : low;
}

std::uint16_t Sixteen(double fraction)
{
    return static_cast<std::uint16_t>(std::lround(Bounded(fraction, 0, 1) * 65535.0));
}

// A colour object ("Clr " of a stop) in the spaces the studio converts; false for others.
bool ReadColour(const CDescriptorValue& colour, CFillColour& out)
{
    if (colour.type != DescriptorType::Object) return false;
    const std::string& space = colour.classId;
    if (space == "RGBC") {
        out.rgb = true;
        if (colour.Find("Rd  ") == nullptr && colour.Find("redFloat") != nullptr) {
            out.red = Bounded(colour.NumberOr("redFloat", 0), 0, 1) * 255.0;
            out.green = Bounded(colour.NumberOr("greenFloat", 0), 0, 1) * 255.0;
            out.blue = Bounded(colour.NumberOr("blueFloat", 0), 0, 1) * 255.0;
        } else {
            out.red = Bounded(colour.NumberOr("Rd  ", 0), 0, 255);
            out.green = Bounded(colour.NumberOr("Grn ", 0), 0, 255);
            out.blue = Bounded(colour.NumberOr("Bl  ", 0), 0, 255);
        }
        return true;
    }
    out.rgb = false;
    std::uint16_t* c = out.other.components;
    if (space == "HSBC") {
        out.other.space = 1;  // hue in 1/65536ths of a turn, the others in 1/65535ths
        const double hue = std::fmod(Bounded(colour.NumberOr("H   ", 0), -1e6, 1e6), 360.0);
        c[0] =
            static_cast<std::uint16_t>(std::min(65535.0, std::floor((hue < 0 ? hue + 360.0 : hue) / 360.0 * 65536.0)));
        c[1] = Sixteen(colour.NumberOr("Strt", 0) / 100.0);
        c[2] = Sixteen(colour.NumberOr("Brgh", 0) / 100.0);
    } else if (space == "CMYC") {
        out.other.space = 2;  // stored inverted, as a document's channels are
        const char* inks[4] = {"Cyn ", "Mgnt", "Ylw ", "Blck"};
        for (int i = 0; i < 4; ++i) c[i] = Sixteen(1.0 - colour.NumberOr(inks[i], 0) / 100.0);
    } else if (space == "LbCl") {
        out.other.space = 7;  // L in hundredths, a and b signed hundredths
        c[0] = static_cast<std::uint16_t>(std::lround(Bounded(colour.NumberOr("Lmnc", 0), 0, 100) * 100.0));
        c[1] = static_cast<std::uint16_t>(
            static_cast<std::int16_t>(std::lround(Bounded(colour.NumberOr("A   ", 0), -128, 127) * 100.0)));
        c[2] = static_cast<std::uint16_t>(
            static_cast<std::int16_t>(std::lround(Bounded(colour.NumberOr("B   ", 0), -128, 127) * 100.0)));
    } else if (space == "Grsc") {
        out.other.space = 8;  // 0..10000 of black ink
        c[0] = static_cast<std::uint16_t>(std::lround(Bounded(colour.NumberOr("Gry ", 0), 0, 100) * 100.0));
    } else {
        return false;
    }
    return true;
}

double Location(const CDescriptorValue& stop)
{
    return Bounded(stop.NumberOr("Lctn", 0) / 4096.0, 0, 1);
}
double Midpoint(const CDescriptorValue& stop)
{
    return Bounded(stop.NumberOr("Mdpn", 50) / 100.0, 0, 1);
}

template <typename Stop>
void SortByLocation(std::vector<Stop>& stops)
{
    std::stable_sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) { return a.location < b.location; });
}

}  // namespace

bool ReadGradientFill(const CDescriptorValue& descriptor, CGradientFill& gradient, std::string& notDrawn)
{
    gradient = CGradientFill{};
    const std::string_view style = descriptor.EnumOr("Type");
    if (style == "Lnr " || style.empty())
        gradient.style = GradientStyle::Linear;
    else if (style == "Rdl ")
        gradient.style = GradientStyle::Radial;
    else if (style == "Angl")
        gradient.style = GradientStyle::Angle;
    else if (style == "Rflc")
        gradient.style = GradientStyle::Reflected;
    else if (style == "Dmnd")
        gradient.style = GradientStyle::Diamond;
    else {
        notDrawn = "gradient of style " + std::string(style);
        return false;
    }
    gradient.reverse = descriptor.NumberOr("Rvrs", 0) != 0;
    gradient.angle = Bounded(descriptor.NumberOr("Angl", 90), -1e6, 1e6);
    gradient.scale = Bounded(descriptor.NumberOr("Scl ", 100) / 100.0, 0.01, 100);
    gradient.alignWithLayer = descriptor.NumberOr("Algn", 1) != 0;
    if (const CDescriptorValue* offset = descriptor.Find("Ofst")) {
        gradient.offsetX = Bounded(offset->NumberOr("Hrzn", 0) / 100.0, -100, 100);
        gradient.offsetY = Bounded(offset->NumberOr("Vrtc", 0) / 100.0, -100, 100);
    }

    const CDescriptorValue* grad = descriptor.Find("Grad");
    if (grad == nullptr || grad->type != DescriptorType::Object) {
        notDrawn = "gradient without its stops";
        return false;
    }
    if (grad->EnumOr("GrdF") == "ClNs") {
        notDrawn = "noise gradient";
        return false;
    }
    gradient.smoothness = Bounded(grad->NumberOr("Intr", 4096) / 4096.0, 0, 1);
    const CDescriptorValue* colours = grad->Find("Clrs");
    const CDescriptorValue* opacities = grad->Find("Trns");
    if (colours == nullptr || colours->type != DescriptorType::List || colours->list.empty()) {
        notDrawn = "gradient without its stops";
        return false;
    }
    const std::size_t stops = colours->list.size() + (opacities ? opacities->list.size() : 0);
    if (stops > static_cast<std::size_t>(CPsdLayerLimits::kMaxGradientStops)) {
        notDrawn = "gradient of more than " + std::to_string(CPsdLayerLimits::kMaxGradientStops) + " stops";
        return false;
    }
    for (const CDescriptorValue& stop : colours->list) {
        CGradientColourStop out{Location(stop), Midpoint(stop), {}};
        const std::string_view kind = stop.EnumOr("Type");
        if (const CDescriptorValue* colour = stop.Find("Clr ")) {
            if (!ReadColour(*colour, out.colour)) {
                notDrawn = "gradient with a colour of class " + colour->classId;
                return false;
            }
        } else if (kind == "BckC") {  // the editor's default background
            out.colour.red = out.colour.green = out.colour.blue = 255;
        }  // the default foreground, black, otherwise
        gradient.colours.push_back(out);
    }
    if (opacities != nullptr && opacities->type == DescriptorType::List)
        for (const CDescriptorValue& stop : opacities->list)
            gradient.opacities.push_back(
                {Location(stop), Midpoint(stop), Bounded(stop.NumberOr("Opct", 100) / 100.0, 0, 1)});
    if (gradient.opacities.empty()) gradient.opacities.push_back({0, 0.5, 1});
    SortByLocation(gradient.colours);
    SortByLocation(gradient.opacities);
    return true;
}

bool ReadPatternFill(const CDescriptorValue& descriptor, CPatternFill& pattern, std::string& notDrawn)
{
    pattern = CPatternFill{};
    const CDescriptorValue* which = descriptor.Find("Ptrn");
    if (which == nullptr || which->Find("Idnt") == nullptr) {
        notDrawn = "pattern fill without its pattern";
        return false;
    }
    pattern.patternId = std::string(which->EnumOr("Idnt"));
    pattern.patternName = std::string(which->EnumOr("Nm  "));
    for (std::string* text : {&pattern.patternId, &pattern.patternName})
        while (!text->empty() && text->back() == '\0') text->pop_back();
    pattern.scale = Bounded(descriptor.NumberOr("Scl ", 100) / 100.0, 0.01, 100);
    pattern.angle = Bounded(descriptor.NumberOr("Angl", 0), -1e6, 1e6);
    if (const CDescriptorValue* phase = descriptor.Find("phase")) {
        pattern.phaseX = Bounded(phase->NumberOr("Hrzn", 0), -1e6, 1e6);
        pattern.phaseY = Bounded(phase->NumberOr("Vrtc", 0), -1e6, 1e6);
    }
    return true;
}

}  // namespace vantrel::studio::psd
