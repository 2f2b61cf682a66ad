#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
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
    // The same eight bytes at a time, for megabytes of pixels: eight times quicker, and a shift
    // mixes each word's high bits down, which a multiply alone never does. Another hash than
    // Add's, so one kind of data always takes the same one.
    void AddWords(std::string_view bytes)
    {
        std::size_t i = 0;
        for (std::uint64_t word; i + sizeof word <= bytes.size(); i += sizeof word) {
            std::memcpy(&word, bytes.data() + i, sizeof word);
            state = (state ^ word) * 1099511628211ull;
            state ^= state >> 29;
        }
        Add(bytes.substr(i));
    }
    std::string Hex() const
    {
        char text[17];
        std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(state));
        return text;
    }
};

}  // namespace vantrel::cli::batch
