#pragma once

#include <string_view>

namespace vantrel::studio::psd {

// The sample depths a document may have, as bits of a set.
constexpr unsigned kDepth1 = 1u << 0;
constexpr unsigned kDepth8 = 1u << 1;
constexpr unsigned kDepth16 = 1u << 2;
constexpr unsigned kDepth32 = 1u << 3;

// What the studio needs to know about a colour mode it can show.
struct CColorMode {
    int code;               // the colour-mode code in the document header
    std::string_view name;  // as a document window's title shows it
    unsigned depths;        // the depths (kDepth bits) a document of this mode may have
    int colourChannels;     // leading channels that carry colour; 0: every channel is an ink
};

// The mode for a header's code, or null when the studio cannot show documents of that mode.
const CColorMode* FindReadableColorMode(int code);

// Whether a document of this mode may have samples of this many bits.
bool AllowsDepth(const CColorMode& mode, int depth);

}  // namespace vantrel::studio::psd
