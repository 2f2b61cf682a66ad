#include "studio/render/VectorMaskCoverage.h"

#include <algorithm>
#include <cmath>

using vantrel::studio::psd::CPsdPathKnot;
using vantrel::studio::psd::CPsdSubpath;
using vantrel::studio::psd::CPsdVectorMask;
using vantrel::studio::psd::CPsdVectorStroke;
using vantrel::studio::psd::PathOperation;
using vantrel::studio::psd::StrokeAlignment;

namespace vantrel::studio::render {

namespace {

// Flattening keeps every line within a tenth of a pixel of its curve, in at most 64 lines.
constexpr double kFlatness = 0.1;
constexpr int kMaxCurveLines = 64;
// The editor's feather goes to 1000 pixels.
constexpr double kMaxFeather = 1000.0;
// Floats a feathered mask may blur over for one band of rows, margins included (16 MB).
constexpr std::size_t kFeatherFloats = std::size_t{1} << 22;
// Rows one call may ask for: the compositor's bands are no taller.
constexpr int kRowsAsked = 64;
// Lines one call flattens the path into: each may cross every sub-row, so this bounds the work
// of a row to a few times that of the widest canvas.
constexpr std::size_t kMaxEdges = std::size_t{1} << 16;

struct CPoint {
    double x, y;
};

// Three box blurs of radius r have the variance of a Gaussian of sigma sqrt(r (r + 1)).
double SigmaOfBoxes(int radius) { return std::sqrt(static_cast<double>(radius) * (radius + 1)); }

// One pass of a box blur along count values spaced step apart; beyond the ends the end values repeat.
void BoxBlur(float* values, std::size_t count, std::size_t step, int radius, std::vector<float>& line)
{
    line.resize(count);
    for (std::size_t i = 0; i < count; ++i) line[i] = values[i * step];
    const auto at = [&](std::ptrdiff_t i) {
        return line[static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(i, 0, static_cast<std::ptrdiff_t>(count) - 1))];
    };
    double sum = 0;
    for (int i = -radius; i <= radius; ++i) sum += at(i);
    const double scale = 1.0 / (2 * radius + 1);
    for (std::size_t i = 0; i < count; ++i) {
        values[i * step] = static_cast<float>(sum * scale);
        const auto here = static_cast<std::ptrdiff_t>(i);
        sum += at(here + radius + 1) - at(here - radius);
    }
}

}  // namespace

void MixStrokeColour(const CPsdVectorStroke& stroke, const float* share, float* const* colour, int planes,
                     std::size_t count)
{
    for (int p = 0; p < planes; ++p) {
        const float value = planes == 3 ? stroke.rgb[p] / 255.0f
                                        : (stroke.rgb[0] * 0.3f + stroke.rgb[1] * 0.59f + stroke.rgb[2] * 0.11f) / 255.0f;
        for (std::size_t x = 0; x < count; ++x) colour[p][x] += (value - colour[p][x]) * share[x];
    }
}

void ApplyMaskDensity(std::uint8_t* mask, std::size_t count, std::uint8_t density)
{
    for (std::size_t i = 0; i < count; ++i) mask[i] = static_cast<std::uint8_t>(255 - (density * (255 - mask[i]) + 127) / 255);
}

CVectorMaskCoverage::CVectorMaskCoverage(const CPsdVectorMask& mask, int canvasWidth, int canvasHeight)
    : mask_(mask), density_(mask.density / 255.0f), width_(canvasWidth), height_(canvasHeight)
{
    // The editor's feather radius taken as the Gaussian's sigma; a band blurs over margins of
    // three box radii on every side, which the memory for one band bounds.
    const double feather = std::isfinite(mask.feather) ? std::clamp(mask.feather, 0.0, kMaxFeather) : 0.0;
    int radius = static_cast<int>(std::lround((std::sqrt(4 * feather * feather + 1) - 1) / 2));
    const auto floats = [&](int r) {
        return (static_cast<std::size_t>(kRowsAsked) + 6u * static_cast<std::size_t>(r)) *
               (static_cast<std::size_t>(std::max(canvasWidth, 0)) + 6u * static_cast<std::size_t>(r));
    };
    while (radius > 0 && floats(radius) > kFeatherFloats) radius = radius * 3 / 4;
    boxRadius_ = radius;
    feather_ = radius > 0 ? SigmaOfBoxes(radius) : 0.0;
}

void CVectorMaskCoverage::BuildEdges(double top, double bottom, double reach)
{
    const double width = width_;
    const double height = height_;
    const auto at = [&](const CPsdPathKnot& knot, int point) {
        return CPoint{knot.x[point] * width, knot.y[point] * height};
    };
    // A curve lies within its control points: only those that reach the rows are flattened,
    // in no more lines all together than kMaxEdges.
    const auto reaches = [&](const CPsdPathKnot& from, const CPsdPathKnot& to) {
        const double ys[4] = {from.y[1], from.y[2], to.y[0], to.y[1]};
        return std::max({ys[0], ys[1], ys[2], ys[3]}) * height + reach >= top &&
               std::min({ys[0], ys[1], ys[2], ys[3]}) * height - reach < bottom;
    };
    const auto curvesOf = [](const CPsdSubpath& subpath) {
        const std::size_t count = subpath.knots.size();
        return count < 2 ? 0 : subpath.closed ? count : count - 1;
    };
    std::size_t reaching = 0;
    for (const CPsdSubpath& subpath : mask_.subpaths)
        for (std::size_t i = 0; i < curvesOf(subpath); ++i)
            reaching += reaches(subpath.knots[i], subpath.knots[(i + 1) % subpath.knots.size()]);
    const double maxLines =
        std::clamp(static_cast<double>(kMaxEdges) / static_cast<double>(std::max<std::size_t>(reaching, 1)), 1.0,
                   static_cast<double>(kMaxCurveLines));

    components_.clear();
    for (const CPsdSubpath& subpath : mask_.subpaths) {
        // A stroke is one shape of every subpath, whatever their operations.
        if (components_.empty() || (!subpath.joinsPrevious && reach == 0))
            components_.push_back(CComponent{reach > 0 ? PathOperation::Combine : subpath.operation, {}, 0, {}});
        std::vector<CEdge>& edges = components_.back().edges;
        const auto addLine = [&](const CPoint& a, const CPoint& b) {
            if (a.y == b.y) return;
            const bool down = b.y > a.y;
            const CPoint& upper = down ? a : b;
            const CPoint& lower = down ? b : a;
            if (lower.y < top || upper.y >= bottom) return;
            edges.push_back({upper.y, lower.y, upper.x, (lower.x - upper.x) / (lower.y - upper.y), down ? 1 : -1});
        };
        // Polygons of one orientation, so that the non-zero rule gives their union.
        const auto addPolygon = [&](const CPoint* corners, int count) {
            double area = 0;
            for (int i = 0; i < count; ++i) {
                const CPoint& a = corners[i];
                const CPoint& b = corners[(i + 1) % count];
                area += a.x * b.y - b.x * a.y;
            }
            for (int i = 0; i < count; ++i) {
                const CPoint& a = corners[area >= 0 ? i : count - 1 - i];
                const CPoint& b = corners[area >= 0 ? (i + 1) % count : (2 * count - 2 - i) % count];
                addLine(a, b);
            }
        };
        // A stroke's round end or join: an octagon about the point.
        const auto addJoin = [&](const CPoint& at) {
            CPoint corners[8];
            for (int i = 0; i < 8; ++i)
                corners[i] = {at.x + reach * std::cos(i * 0.785398163397448), at.y + reach * std::sin(i * 0.785398163397448)};
            addPolygon(corners, 8);
        };
        // A line of the path: as it is for a fill, a band reach either side of it for a stroke.
        const auto emit = [&](const CPoint& a, const CPoint& b) {
            if (reach == 0) {
                addLine(a, b);
                return;
            }
            const double length = std::hypot(b.x - a.x, b.y - a.y);
            if (length > 0) {
                const double nx = -(b.y - a.y) / length * reach, ny = (b.x - a.x) / length * reach;
                const CPoint band[4] = {{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}};
                addPolygon(band, 4);
            }
            addJoin(a);
        };
        const std::size_t count = subpath.knots.size();
        const std::size_t curves = curvesOf(subpath);
        for (std::size_t i = 0; i < curves; ++i) {
            const CPsdPathKnot& from = subpath.knots[i];
            const CPsdPathKnot& to = subpath.knots[(i + 1) % count];
            const CPoint p0 = at(from, 1), p1 = at(from, 2), p2 = at(to, 0), p3 = at(to, 1);
            if (!reaches(from, to)) continue;
            // The second differences bound how far the curve strays from its chords.
            const double bend = std::max(std::hypot(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y),
                                         std::hypot(p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y));
            const int lines = static_cast<int>(std::clamp(std::ceil(std::sqrt(0.75 * bend / kFlatness)), 1.0, maxLines));
            CPoint previous = p0;
            for (int j = 1; j <= lines; ++j) {
                const double t = static_cast<double>(j) / lines, u = 1 - t;
                const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
                const CPoint next{a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y};
                emit(previous, next);
                previous = next;
            }
        }
        // An open subpath is filled as if its ends were joined by a line; its stroke ends.
        if (!subpath.closed && count >= 2 && reach == 0) addLine(at(subpath.knots[count - 1], 1), at(subpath.knots[0], 1));
        if (!subpath.closed && count >= 2 && reach > 0) addJoin(at(subpath.knots[count - 1], 1));
    }
    for (CComponent& component : components_)
        std::sort(component.edges.begin(), component.edges.end(),
                  [](const CEdge& a, const CEdge& b) { return a.top < b.top; });
}

CVectorMaskCoverage::~CVectorMaskCoverage() = default;

void CVectorMaskCoverage::CoverComponent(CComponent& component, int firstRow, int rowCount, int left, int width,
                                         float* out)
{
    const auto columns = static_cast<std::size_t>(width);
    rowDelta_.resize(columns + 1);
    constexpr float weight = 1.0f / kSubRows;
    component.nextEdge = 0;
    component.active.clear();
    for (int row = 0; row < rowCount; ++row) {
        // Edges come in as the rows reach them and leave once the rows are past them.
        const int y0 = firstRow + row;
        while (component.nextEdge < component.edges.size() && component.edges[component.nextEdge].top < y0 + 1)
            component.active.push_back(component.nextEdge++);
        std::erase_if(component.active, [&](std::size_t e) { return component.edges[e].bottom <= y0; });
        float* cover = out + static_cast<std::size_t>(row) * columns;
        std::fill_n(cover, columns, 0.0f);
        std::fill(rowDelta_.begin(), rowDelta_.end(), 0.0f);
        for (int sub = 0; sub < kSubRows; ++sub) {
            const double y = firstRow + row + (sub + 0.5) / kSubRows;
            crossings_.clear();
            for (std::size_t e : component.active) {
                const CEdge& edge = component.edges[e];
                if (edge.top <= y && y < edge.bottom)
                    crossings_.emplace_back(edge.x + (y - edge.top) * edge.slope - left, edge.winding);
            }
            std::sort(crossings_.begin(), crossings_.end());
            int winding = 0;
            double start = 0;
            for (const auto& [x, direction] : crossings_) {
                const int before = winding;
                winding += direction;
                if (before == 0 && winding != 0) start = x;
                if (before == 0 || winding != 0) continue;
                // A span [start, x) inside the path: partial pixels at its ends, whole ones between.
                const double a = std::clamp(start, 0.0, static_cast<double>(width));
                const double b = std::clamp(x, 0.0, static_cast<double>(width));
                if (b <= a) continue;
                const auto ia = static_cast<std::size_t>(a);
                const auto ib = static_cast<std::size_t>(b);
                if (ia == ib) {
                    cover[ia] += static_cast<float>(b - a) * weight;
                    continue;
                }
                cover[ia] += static_cast<float>(ia + 1 - a) * weight;
                rowDelta_[ia + 1] += weight;
                rowDelta_[ib] -= weight;
                if (ib < columns) cover[ib] += static_cast<float>(b - ib) * weight;
            }
        }
        float whole = 0;
        for (std::size_t x = 0; x < columns; ++x) {
            whole += rowDelta_[x];
            cover[x] = std::clamp(cover[x] + whole, 0.0f, 1.0f);
        }
    }
}

void CVectorMaskCoverage::Rasterize(int firstRow, int rowCount, int left, int width, float* out)
{
    const std::size_t count = static_cast<std::size_t>(rowCount) * static_cast<std::size_t>(width);
    // A first component that takes away or intersects works on everything, not on nothing.
    BuildEdges(firstRow, firstRow + rowCount);
    const bool firstTakes = !components_.empty() && (components_.front().operation == PathOperation::Subtract ||
                                                     components_.front().operation == PathOperation::Intersect);
    // The initial fill rule fills everything only for a path without subpaths: the editor's
    // own composite of a layer whose record says so shows it cut to its ellipse all the same.
    const bool everything = mask_.startsFilled && components_.empty();
    std::fill_n(out, count, everything || firstTakes ? 1.0f : 0.0f);
    component_.resize(count);
    for (CComponent& component : components_) {
        CoverComponent(component, firstRow, rowCount, left, width, component_.data());
        const float* plane = component_.data();
        switch (component.operation) {
        case PathOperation::Combine:
            for (std::size_t i = 0; i < count; ++i) out[i] = out[i] + plane[i] - out[i] * plane[i];
            break;
        case PathOperation::Subtract:
            for (std::size_t i = 0; i < count; ++i) out[i] = std::max(0.0f, out[i] - plane[i]);
            break;
        case PathOperation::Intersect:
            for (std::size_t i = 0; i < count; ++i) out[i] *= plane[i];
            break;
        case PathOperation::Exclude:
            for (std::size_t i = 0; i < count; ++i) out[i] = out[i] + plane[i] - 2 * out[i] * plane[i];
            break;
        }
    }
}

void CVectorMaskCoverage::BlurBlock(int margin)
{
    const int rows = blockRows_ + 2 * margin;
    const auto stride = static_cast<std::size_t>(width_) + 2u * static_cast<std::size_t>(margin);
    scratch_.resize(static_cast<std::size_t>(rows) * stride);
    Rasterize(blockTop_ - margin, rows, -margin, static_cast<int>(stride), scratch_.data());
    std::vector<float> line;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < rows; ++y)
            BoxBlur(scratch_.data() + static_cast<std::size_t>(y) * stride, stride, 1, boxRadius_, line);
        for (std::size_t x = 0; x < stride; ++x)
            BoxBlur(scratch_.data() + x, static_cast<std::size_t>(rows), stride, boxRadius_, line);
    }
}

void CVectorMaskCoverage::CoverRows(int firstRow, int rowCount, float* out)
{
    if (rowCount <= 0 || width_ <= 0) return;
    const std::size_t count = static_cast<std::size_t>(rowCount) * static_cast<std::size_t>(width_);
    const int margin = 3 * boxRadius_;
    if (margin == 0 || rowCount > kRowsAsked) {
        Rasterize(firstRow, rowCount, 0, width_, out);
    } else {
        // Blurred rows are worked out a block at a time, with a margin all round: one band's
        // rows when blocks are not kept, as many as the memory allows when they are.
        const bool inBlock = keepBlocks_ && firstRow >= blockTop_ && firstRow + rowCount <= blockTop_ + blockRows_;
        if (!inBlock) {
            const auto wide = static_cast<std::size_t>(width_) + 2u * static_cast<std::size_t>(margin);
            const int most = static_cast<int>(std::min<std::size_t>(kFeatherFloats / wide, 1u << 20)) - 2 * margin;
            blockTop_ = firstRow;
            blockRows_ = keepBlocks_ ? std::max(rowCount, std::min(most, height_ - firstRow)) : rowCount;
            BlurBlock(margin);
        }
        const auto stride = static_cast<std::size_t>(width_) + 2u * static_cast<std::size_t>(margin);
        for (int y = 0; y < rowCount; ++y)
            std::copy_n(scratch_.data() + static_cast<std::size_t>(y + firstRow - blockTop_ + margin) * stride +
                            static_cast<std::size_t>(margin),
                        width_, out + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_));
    }
    // Density d keeps 1 - d (1 - m): at 0 the mask has no effect.
    for (std::size_t i = 0; i < count; ++i) {
        const float m = mask_.inverted ? 1.0f - out[i] : out[i];
        out[i] = 1.0f - density_ * (1.0f - m);
    }
}

void CVectorMaskCoverage::ScaleMaskRowsWithStroke(const CPsdVectorStroke& stroke, bool fillShown, int firstRow,
                                                   int rowCount, std::uint8_t* rows, float* strokeShare)
{
    if (rowCount <= 0 || width_ <= 0) return;
    const std::size_t count = static_cast<std::size_t>(rowCount) * static_cast<std::size_t>(width_);
    coverage_.resize(count);
    CoverRows(firstRow, rowCount, coverage_.data());
    // The path's own coverage places a stroke inside or outside it.
    std::vector<float> path(count);
    if (stroke.alignment != StrokeAlignment::Center) Rasterize(firstRow, rowCount, 0, width_, path.data());
    std::vector<float> band(count);
    const double reach = stroke.alignment == StrokeAlignment::Center ? stroke.width / 2 : stroke.width;
    if (reach > 0) {
        BuildEdges(firstRow, firstRow + rowCount, reach);
        for (CComponent& component : components_) CoverComponent(component, firstRow, rowCount, 0, width_, band.data());
    }
    const auto opacity = static_cast<float>(stroke.opacity);
    for (std::size_t i = 0; i < count; ++i) {
        const float within = reach > 0 && !components_.empty() ? band[i] : 0.0f;
        const float f = fillShown ? std::clamp(coverage_[i], 0.0f, 1.0f) : 0.0f;
        // Within a pixel the band and the path's side of it overlap as far as the smaller
        // reaches: at the path's anti-aliased edge all that is covered is stroke.
        float s = within, both = 0;
        if (stroke.alignment == StrokeAlignment::Inside) {
            s = std::min(within, path[i]) * opacity;
            both = std::max(s, f);  // the stroke lies within the fill
        } else if (stroke.alignment == StrokeAlignment::Outside) {
            s = std::min(within, 1.0f - path[i]) * opacity;
            both = std::min(1.0f, s + f);  // beside it
        } else {
            s *= opacity;
            both = s + f * (1.0f - s);  // over it
        }
        strokeShare[i] = both > 0 ? s / both : 0.0f;
        rows[i] = static_cast<std::uint8_t>(std::lround(rows[i] * both));
    }
}

void CVectorMaskCoverage::ScaleMaskRows(int firstRow, int rowCount, std::uint8_t* rows)
{
    const std::size_t count = static_cast<std::size_t>(std::max(rowCount, 0)) * static_cast<std::size_t>(width_);
    coverage_.resize(count);
    CoverRows(firstRow, rowCount, coverage_.data());
    for (std::size_t i = 0; i < count; ++i)
        rows[i] = static_cast<std::uint8_t>(std::lround(rows[i] * std::clamp(coverage_[i], 0.0f, 1.0f)));
}

}  // namespace vantrel::studio::render
