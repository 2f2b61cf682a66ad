#include "studio/psd/PsdDescriptor.h"

#include <cmath>
#include <cstring>

#include "studio/io/SpanReader.h"
#include "studio/psd/FourCharKey.h"
#include "studio/psd/PsdLayerRecords.h"

namespace vantrel::studio::psd {

using studio::io::CSpanReader;

namespace {

constexpr std::uint32_t kDescriptorVersion = 16;

void AppendUtf8(std::string& out, std::uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

class CDescriptorReader {
public:
    explicit CDescriptorReader(std::span<const std::uint8_t> data) : in_(data.data(), data.size()) {}

    bool Versioned(CDescriptorValue& out)
    {
        std::uint32_t version = 0;
        if (!in_.U32(version)) return Fail("no descriptor version");
        if (version != kDescriptorVersion) return Fail("descriptor version " + std::to_string(version) + " is not 16");
        return Descriptor(out, 0);
    }

    bool Descriptor(CDescriptorValue& out, int depth)
    {
        if (depth > CPsdLayerLimits::kMaxDescriptorDepth) return Fail("descriptor nested too deeply");
        std::string name;
        if (!UnicodeText(name) || !Id(out.classId)) return false;
        out.type = DescriptorType::Object;
        std::uint32_t count = 0;
        if (!in_.U32(count)) return Fail("descriptor cut short");
        for (std::uint32_t i = 0; i < count; ++i) {
            std::string key;
            if (!Id(key)) return false;
            CDescriptorValue value;
            if (!Value(value, depth)) return false;
            out.items.emplace_back(std::move(key), std::move(value));
        }
        return true;
    }

    const std::string& Reason() const { return reason_; }

private:
    bool Fail(std::string reason)
    {
        if (reason_.empty()) reason_ = std::move(reason);
        return false;
    }

    bool Key(std::uint32_t& key) { return in_.U32(key) || Fail("descriptor cut short"); }

    // A class or key id: a length, then that many characters, or four when the length is 0.
    bool Id(std::string& id)
    {
        std::uint32_t length = 0;
        if (!in_.U32(length)) return Fail("descriptor cut short");
        if (length == 0) length = 4;
        if (length > in_.Left()) return Fail("descriptor id runs past its block");
        id.assign(reinterpret_cast<const char*>(in_.Here()), length);
        in_.Skip(length);
        return true;
    }

    // UTF-16 code units after their count; a lone surrogate becomes U+FFFD and a final NUL goes.
    bool UnicodeText(std::string& text)
    {
        std::uint32_t units = 0;
        if (!in_.U32(units)) return Fail("descriptor cut short");
        if (units > in_.Left() / 2) return Fail("descriptor text runs past its block");
        text.clear();
        const std::uint8_t* p = in_.Here();
        for (std::uint32_t i = 0; i < units; ++i) {
            std::uint32_t code = (std::uint32_t{p[2 * i]} << 8) | p[2 * i + 1];
            if (code >= 0xD800 && code < 0xDC00 && i + 1 < units) {
                const std::uint32_t low = (std::uint32_t{p[2 * i + 2]} << 8) | p[2 * i + 3];
                if (low >= 0xDC00 && low < 0xE000) {
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                } else {
                    code = 0xFFFD;
                }
            } else if (code >= 0xD800 && code < 0xE000) {
                code = 0xFFFD;
            }
            if (code == 0 && i + 1 == units) break;
            AppendUtf8(text, code);
        }
        in_.Skip(std::uint64_t{units} * 2);
        return true;
    }

    bool Double(double& value)
    {
        std::uint64_t bits = 0;
        if (!in_.Unsigned(8, bits)) return Fail("descriptor cut short");
        std::memcpy(&value, &bits, sizeof value);
        // Settings are finite; a NaN or infinity would poison every sum drawn from it.
        if (!std::isfinite(value)) value = 0;
        return true;
    }

    bool Sized(std::string& bytes)
    {
        std::uint32_t length = 0;
        if (!in_.U32(length)) return Fail("descriptor cut short");
        if (length > in_.Left()) return Fail("descriptor data runs past its block");
        bytes.assign(reinterpret_cast<const char*>(in_.Here()), length);
        in_.Skip(length);
        return true;
    }

    // A reference is read to step over it; nothing the studio draws is given by one.
    bool Reference()
    {
        std::uint32_t count = 0;
        if (!in_.U32(count)) return Fail("descriptor cut short");
        for (std::uint32_t i = 0; i < count; ++i) {
            if (!Counted()) return false;
            std::uint32_t form = 0;
            if (!Key(form)) return false;
            std::string skip;
            std::uint32_t word = 0;
            if (form == FourCharKey("prop")) {
                if (!UnicodeText(skip) || !Id(skip) || !Id(skip)) return false;
            } else if (form == FourCharKey("Clss")) {
                if (!UnicodeText(skip) || !Id(skip)) return false;
            } else if (form == FourCharKey("Enmr")) {
                if (!UnicodeText(skip) || !Id(skip) || !Id(skip) || !Id(skip)) return false;
            } else if (form == FourCharKey("rele")) {
                if (!UnicodeText(skip) || !Id(skip) || !in_.U32(word)) return Fail("descriptor cut short");
            } else if (form == FourCharKey("Idnt") || form == FourCharKey("indx")) {
                if (!in_.U32(word)) return Fail("descriptor cut short");
            } else if (form == FourCharKey("name")) {
                if (!UnicodeText(skip) || !Id(skip) || !UnicodeText(skip)) return false;
            } else {
                return Fail("descriptor reference of an unknown form");
            }
        }
        return true;
    }

    bool Counted()
    {
        if (++values_ > CPsdLayerLimits::kMaxDescriptorValues) return Fail("descriptor holds too many values");
        return true;
    }

    bool Value(CDescriptorValue& value, int depth)
    {
        if (!Counted()) return false;
        std::uint32_t type = 0;
        if (!Key(type)) return false;
        std::uint64_t word = 0;
        switch (type) {
        case FourCharKey("Objc"):
        case FourCharKey("GlbO"):
            return Descriptor(value, depth + 1);
        case FourCharKey("VlLs"): {
            value.type = DescriptorType::List;
            std::uint32_t count = 0;
            if (!in_.U32(count)) return Fail("descriptor cut short");
            if (depth + 1 > CPsdLayerLimits::kMaxDescriptorDepth) return Fail("descriptor nested too deeply");
            for (std::uint32_t i = 0; i < count; ++i) {
                CDescriptorValue element;
                if (!Value(element, depth + 1)) return false;
                value.list.push_back(std::move(element));
            }
            return true;
        }
        case FourCharKey("doub"):
            value.type = DescriptorType::Double;
            return Double(value.number);
        case FourCharKey("UntF"):
            value.type = DescriptorType::UnitDouble;
            if (in_.Left() < 4) return Fail("descriptor cut short");
            value.unit.assign(reinterpret_cast<const char*>(in_.Here()), 4);
            in_.Skip(4);
            return Double(value.number);
        case FourCharKey("UnFl"): {
            // A unit and a list of numbers, kept as a list of unit doubles.
            value.type = DescriptorType::List;
            std::string unit(4, ' ');
            std::uint32_t count = 0;
            if (in_.Left() < 8) return Fail("descriptor cut short");
            unit.assign(reinterpret_cast<const char*>(in_.Here()), 4);
            in_.Skip(4);
            in_.U32(count);
            if (count > in_.Left() / 8) return Fail("descriptor list runs past its block");
            for (std::uint32_t i = 0; i < count; ++i) {
                if (!Counted()) return false;
                CDescriptorValue element;
                element.type = DescriptorType::UnitDouble;
                element.unit = unit;
                Double(element.number);
                value.list.push_back(std::move(element));
            }
            return true;
        }
        case FourCharKey("TEXT"):
            value.type = DescriptorType::Text;
            return UnicodeText(value.text);
        case FourCharKey("enum"):
            value.type = DescriptorType::Enumerated;
            return Id(value.enumType) && Id(value.text);
        case FourCharKey("long"):
            value.type = DescriptorType::Integer;
            if (!in_.Unsigned(4, word)) return Fail("descriptor cut short");
            value.number = static_cast<std::int32_t>(static_cast<std::uint32_t>(word));
            return true;
        case FourCharKey("comp"):
            value.type = DescriptorType::LargeInteger;
            if (!in_.Unsigned(8, word)) return Fail("descriptor cut short");
            value.number = static_cast<double>(static_cast<std::int64_t>(word));
            return true;
        case FourCharKey("bool"):
            value.type = DescriptorType::Boolean;
            if (!in_.Unsigned(1, word)) return Fail("descriptor cut short");
            value.number = word != 0 ? 1 : 0;
            return true;
        case FourCharKey("type"):
        case FourCharKey("GlbC"): {
            value.type = DescriptorType::Class;
            std::string name;
            return UnicodeText(name) && Id(value.text);
        }
        case FourCharKey("obj "):
            value.type = DescriptorType::Reference;
            return Reference();
        case FourCharKey("alis"):
        case FourCharKey("Pth "):
            value.type = DescriptorType::Alias;
            return Sized(value.text);
        case FourCharKey("tdta"):
            value.type = DescriptorType::RawData;
            return Sized(value.text);
        default:
            return Fail("descriptor value of an unknown type");
        }
    }

    CSpanReader in_;
    int values_ = 0;
    std::string reason_;
};

}  // namespace

CDescriptorValue::CDescriptorValue() = default;
CDescriptorValue::CDescriptorValue(const CDescriptorValue&) = default;
CDescriptorValue::CDescriptorValue(CDescriptorValue&&) noexcept = default;
CDescriptorValue& CDescriptorValue::operator=(const CDescriptorValue&) = default;
CDescriptorValue& CDescriptorValue::operator=(CDescriptorValue&&) noexcept = default;
CDescriptorValue::~CDescriptorValue() = default;

const CDescriptorValue* CDescriptorValue::Find(std::string_view key) const
{
    for (const auto& [name, value] : items)
        if (name == key) return &value;
    return nullptr;
}

double CDescriptorValue::NumberOr(std::string_view key, double fallback) const
{
    const CDescriptorValue* value = Find(key);
    if (value == nullptr) return fallback;
    switch (value->type) {
    case DescriptorType::Double:
    case DescriptorType::UnitDouble:
    case DescriptorType::Integer:
    case DescriptorType::LargeInteger:
    case DescriptorType::Boolean:
        return value->number;
    default:
        return fallback;
    }
}

std::string_view CDescriptorValue::EnumOr(std::string_view key) const
{
    const CDescriptorValue* value = Find(key);
    if (value == nullptr) return {};
    if (value->type == DescriptorType::Enumerated || value->type == DescriptorType::Text) return value->text;
    return {};
}

bool ReadVersionedDescriptor(std::span<const std::uint8_t> data, CDescriptorValue& out, std::string& reason)
{
    CDescriptorReader reader(data);
    out = CDescriptorValue{};
    if (reader.Versioned(out)) return true;
    reason = reader.Reason();
    return false;
}

bool ReadDescriptor(std::span<const std::uint8_t> data, CDescriptorValue& out, std::string& reason)
{
    CDescriptorReader reader(data);
    out = CDescriptorValue{};
    if (reader.Descriptor(out, 0)) return true;
    reason = reader.Reason();
    return false;
}

}  // namespace vantrel::studio::psd
