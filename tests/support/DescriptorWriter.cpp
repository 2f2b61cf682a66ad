#include "DescriptorWriter.h"

#include <cstring>

namespace vantrel::testing {

namespace {

void U32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void F64(std::vector<std::uint8_t>& out, double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 56; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(bits >> shift));
}

void Id(std::vector<std::uint8_t>& out, const std::string& id)
{
    U32(out, id.size() == 4 ? 0 : static_cast<std::uint32_t>(id.size()));
    out.insert(out.end(), id.begin(), id.end());
}

void Text16(std::vector<std::uint8_t>& out, const std::u16string& text)
{
    U32(out, static_cast<std::uint32_t>(text.size()));
    for (char16_t unit : text) {
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    }
}

}  // namespace

CDescriptorBytes::CDescriptorBytes(const std::string& classId) : classId_(classId) {}

std::vector<std::uint8_t>& CDescriptorBytes::Member(const std::string& key, const char* type)
{
    ++count_;
    Id(members_, key);
    members_.insert(members_.end(), type, type + 4);
    return members_;
}

CDescriptorBytes& CDescriptorBytes::Double(const std::string& key, double value)
{
    F64(Member(key, "doub"), value);
    return *this;
}

CDescriptorBytes& CDescriptorBytes::UnitDouble(const std::string& key, const std::string& unit, double value)
{
    auto& out = Member(key, "UntF");
    out.insert(out.end(), unit.begin(), unit.end());
    F64(out, value);
    return *this;
}

CDescriptorBytes& CDescriptorBytes::Integer(const std::string& key, std::int32_t value)
{
    U32(Member(key, "long"), static_cast<std::uint32_t>(value));
    return *this;
}

CDescriptorBytes& CDescriptorBytes::Boolean(const std::string& key, bool value)
{
    Member(key, "bool").push_back(value ? 1 : 0);
    return *this;
}

CDescriptorBytes& CDescriptorBytes::Enumerated(const std::string& key, const std::string& type, const std::string& value)
{
    auto& out = Member(key, "enum");
    Id(out, type);
    Id(out, value);
    return *this;
}

CDescriptorBytes& CDescriptorBytes::Text(const std::string& key, const std::u16string& value)
{
    Text16(Member(key, "TEXT"), value);
    return *this;
}

CDescriptorBytes& CDescriptorBytes::Object(const std::string& key, const CDescriptorBytes& value)
{
    const std::vector<std::uint8_t> bytes = value.Bytes();
    auto& out = Member(key, "Objc");
    out.insert(out.end(), bytes.begin(), bytes.end());
    return *this;
}

CDescriptorBytes& CDescriptorBytes::ObjectList(const std::string& key, const std::vector<CDescriptorBytes>& values)
{
    auto& out = Member(key, "VlLs");
    U32(out, static_cast<std::uint32_t>(values.size()));
    for (const CDescriptorBytes& value : values) {
        const std::vector<std::uint8_t> bytes = value.Bytes();
        out.insert(out.end(), {'O', 'b', 'j', 'c'});
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return *this;
}

CDescriptorBytes& CDescriptorBytes::RgbColour(const std::string& key, double red, double green, double blue)
{
    return Object(key, CDescriptorBytes("RGBC").Double("Rd  ", red).Double("Grn ", green).Double("Bl  ", blue));
}

std::vector<std::uint8_t> CDescriptorBytes::Bytes() const
{
    std::vector<std::uint8_t> out;
    Text16(out, u"");
    Id(out, classId_);
    U32(out, count_);
    out.insert(out.end(), members_.begin(), members_.end());
    return out;
}

std::vector<std::uint8_t> CDescriptorBytes::Versioned() const
{
    std::vector<std::uint8_t> out;
    U32(out, 16);
    const std::vector<std::uint8_t> bytes = Bytes();
    out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
}

}  // namespace vantrel::testing
