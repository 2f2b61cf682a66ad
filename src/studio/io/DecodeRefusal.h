#pragma once

#include <concepts>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::studio::io {

// A value a refusal's message names: text as it is, numbers in decimal.
inline std::string RefusalDetail(std::string_view text) { return std::string(text); }
inline std::string RefusalDetail(std::integral auto value) { return std::to_string(value); }

// Each "{}" of pattern replaced by the next detail; missing details leave nothing.
std::string FillMessage(std::string_view pattern, const std::vector<std::string>& details);

// A decoder's refusal: the kind of fault, which callers and tests act on, and the values its
// message names (a side, a count, a library's own words). The family's one message table
// (Table) holds the wording, with "{}" where each value goes in turn, so that the wording can
// change without touching a decoder or a test.
template <typename Kind, const char* (*Table)(Kind)>
struct CDecodeRefusal {
    Kind kind = Kind::None;
    std::vector<std::string> details;

    template <typename... Values>
    static CDecodeRefusal Of(Kind kind, const Values&... values)
    {
        return CDecodeRefusal{kind, {RefusalDetail(values)...}};
    }

    bool operator==(const CDecodeRefusal&) const = default;
    bool Refused() const { return kind != Kind::None; }
    std::string Text() const { return FillMessage(Table(kind), details); }
};

}  // namespace vantrel::studio::io
