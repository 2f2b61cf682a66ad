#pragma once

#include <string_view>

namespace vantrel::studio {

// What the studio needs to know about a colour mode it can show.
struct CColorMode {
    int code;             // the colour-mode code in the document header
    std::string_view name;  // as a document window's title shows it
    int depth;            // the one sample depth read for this mode
    int colourChannels;   // leading channels that carry colour; later ones are alpha or spot
    int outputPlanes;     // 1 when the document is grey, 3 for red, green and blue
};

// The mode for a header's code, or null when the studio cannot show documents of that mode.
const CColorMode* FindReadableColorMode(int code);

}  // namespace vantrel::studio
