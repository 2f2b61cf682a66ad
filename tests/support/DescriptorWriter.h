#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::testing {

// Builds the bytes of an action descriptor, member by member, as layer blocks store them.
// Keys of four characters are written in the short form, longer ones with their length.
class CDescriptorBytes {
public:
    explicit CDescriptorBytes(const std::string& classId = "null");

    CDescriptorBytes& Double(const std::string& key, double value);
    CDescriptorBytes& UnitDouble(const std::string& key, const std::string& unit, double value);
    CDescriptorBytes& Integer(const std::string& key, std::int32_t value);
    CDescriptorBytes& Boolean(const std::string& key, bool value);
    CDescriptorBytes& Enumerated(const std::string& key, const std::string& type, const std::string& value);
    CDescriptorBytes& Text(const std::string& key, const std::u16string& value);
    CDescriptorBytes& Object(const std::string& key, const CDescriptorBytes& value);
    CDescriptorBytes& ObjectList(const std::string& key, const std::vector<CDescriptorBytes>& values);
    // An RGB colour object under "Clr ", as the editor writes colours.
    CDescriptorBytes& RgbColour(const std::string& key, double red, double green, double blue);

    std::vector<std::uint8_t> Bytes() const;      // name, class, count and members
    std::vector<std::uint8_t> Versioned() const;  // the same after the version word, 16

private:
    std::vector<std::uint8_t>& Member(const std::string& key, const char* type);

    std::string classId_;
    std::uint32_t count_ = 0;
    std::vector<std::uint8_t> members_;
};

}  // namespace vantrel::testing
