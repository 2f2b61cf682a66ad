#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantrel::studio::psd {

// The kinds of value an action descriptor holds (the editor's settings for fill layers, layer
// effects and the like are stored this way).
enum class DescriptorType {
    Object, List, Double, UnitDouble, Integer, LargeInteger, Boolean, Enumerated, Text, Class, Reference, Alias,
    RawData
};

struct CDescriptorValue {
    DescriptorType type = DescriptorType::Object;
    double number = 0;     // Double, UnitDouble, Integer, LargeInteger, Boolean (0 or 1)
    std::string unit;      // UnitDouble: "#Ang", "#Prc", "#Pxl", "#Pnt", "#Nne" ...
    std::string text;      // Text as UTF-8, an Enumerated value, a Class id
    std::string enumType;  // Enumerated: its type ("GrdT", "BlnM" ...)
    std::string classId;   // Object: its class ("Grdn", "RGBC" ...)
    std::vector<std::pair<std::string, CDescriptorValue>> items;  // Object: members as stored
    std::vector<CDescriptorValue> list;                          // List: elements

    // Defined where the type is complete: clang's library checks pair's members inside the class.
    CDescriptorValue();
    CDescriptorValue(const CDescriptorValue&);
    CDescriptorValue(CDescriptorValue&&) noexcept;
    CDescriptorValue& operator=(const CDescriptorValue&);
    CDescriptorValue& operator=(CDescriptorValue&&) noexcept;
    ~CDescriptorValue();

    // A member by its key as stored ("Clr ", "Angl", "gradientsInterpolationMethod"); null when absent.
    const CDescriptorValue* Find(std::string_view key) const;
    // The member's number when present and numeric, else fallback.
    double NumberOr(std::string_view key, double fallback) const;
    // The member's Enumerated value or Text when present, else "".
    std::string_view EnumOr(std::string_view key) const;
};

// Reads a descriptor that begins with its version word (16), as layer blocks store them. Keys
// are kept as stored: four-character ids with their trailing spaces ("Rd  "), longer ids as
// their text. Nesting and the number of values are bounded; false with a one-line reason when
// the bytes are not a descriptor within those bounds.
bool ReadVersionedDescriptor(std::span<const std::uint8_t> data, CDescriptorValue& out, std::string& reason);
// The same for a descriptor without the version word (it begins with its name).
bool ReadDescriptor(std::span<const std::uint8_t> data, CDescriptorValue& out, std::string& reason);

}  // namespace vantrel::studio::psd
