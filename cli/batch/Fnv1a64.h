#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace vantrel::cli::batch {

// FNV-1a over 64 bits: enough to tell one key, key folder or hand-in from another, and stable
// across builds and machines, unlike std::hash.
struct CFnv1a64 {
    std::uint64_t state = 14695981039346656037ull;
    void Add(std::string_view bytes)
    {
        for (unsigned char c : bytes) state = (state ^ c) * 1099511628211ull;
    }
    std::string Hex() const
    {
        char text[17];
        std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(state));
        return text;
    }
};

}  // namespace vantrel::cli::batch
