#include "studio/psd/PsdVectorMask.h"

#include "studio/io/SpanReader.h"
#include "studio/psd/PsdLayerRecords.h"

using vantrel::studio::io::CSpanReader;

namespace vantrel::studio::psd {

namespace {

constexpr std::size_t kRecordBytes = 26;

enum Selector : std::uint64_t {
    kClosedLength = 0,
    kClosedKnotLinked = 1,
    kClosedKnotUnlinked = 2,
    kOpenLength = 3,
    kOpenKnotLinked = 4,
    kOpenKnotUnlinked = 5,
    kPathFillRule = 6,
    kClipboard = 7,
    kInitialFillRule = 8,
};

// A signed 8.24 fixed-point fraction.
double Fixed(std::uint64_t word) { return static_cast<double>(static_cast<std::int32_t>(word)) / 16777216.0; }

PathOperation OperationOf(std::int16_t word)
{
    switch (word) {
    case 0: return PathOperation::Exclude;
    case 2: return PathOperation::Subtract;
    case 3: return PathOperation::Intersect;
    default: return PathOperation::Combine;
    }
}

}  // namespace

VectorMaskProblem ReadPsdVectorMask(const std::uint8_t* data, std::size_t size, CPsdVectorMask& mask)
{
    CSpanReader reader(data, size);
    std::uint32_t version = 0;
    std::uint32_t flags = 0;
    if (!reader.U32(version) || !reader.U32(flags)) return VectorMaskProblem::Truncated;
    mask.inverted = (flags & 1) != 0;
    mask.notLinked = (flags & 2) != 0;
    mask.disabled = (flags & 4) != 0;
    mask.subpaths.clear();
    std::size_t knots = 0;
    std::uint64_t knotsLeft = 0;  // knots the current subpath still claims
    // Writers pad the block; fewer than a record's bytes at the end are that padding.
    while (reader.Left() >= kRecordBytes) {
        CSpanReader record(reader.Here(), kRecordBytes);
        reader.Skip(kRecordBytes);
        std::uint64_t selector = 0;
        record.Unsigned(2, selector);
        switch (selector) {
        case kClosedLength:
        case kOpenLength: {
            std::uint64_t count = 0;
            std::uint64_t operation = 0;
            record.Unsigned(2, count);
            record.Unsigned(2, operation);
            CPsdSubpath subpath;
            subpath.closed = selector == kClosedLength;
            subpath.joinsPrevious = static_cast<std::int16_t>(operation) == -1 && !mask.subpaths.empty();
            subpath.operation = subpath.joinsPrevious ? mask.subpaths.back().operation
                                                      : OperationOf(static_cast<std::int16_t>(operation));
            mask.subpaths.push_back(std::move(subpath));
            knotsLeft = count;
            break;
        }
        case kClosedKnotLinked:
        case kClosedKnotUnlinked:
        case kOpenKnotLinked:
        case kOpenKnotUnlinked: {
            // A knot outside any subpath, or past the count its subpath gave, belongs to nothing.
            if (mask.subpaths.empty() || knotsLeft == 0) break;
            if (++knots > static_cast<std::size_t>(CPsdLayerLimits::kMaxPathKnots))
                return VectorMaskProblem::TooManyKnots;
            CPsdPathKnot knot;
            for (int point = 0; point < 3; ++point) {
                std::uint64_t y = 0;
                std::uint64_t x = 0;
                record.Unsigned(4, y);
                record.Unsigned(4, x);
                knot.y[point] = Fixed(y);
                knot.x[point] = Fixed(x);
            }
            mask.subpaths.back().knots.push_back(knot);
            --knotsLeft;
            break;
        }
        case kInitialFillRule: {
            std::uint64_t rule = 0;
            record.Unsigned(2, rule);
            mask.startsFilled = rule == 1;
            break;
        }
        case kPathFillRule:
        case kClipboard: break;
        default: return VectorMaskProblem::UnknownRecord;
        }
    }
    return VectorMaskProblem::None;
}

}  // namespace vantrel::studio::psd
