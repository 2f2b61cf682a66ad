#pragma once

#include <cstddef>
#include <vector>

namespace vantrel::studio::psd {

// Room for count elements in a scratch buffer that only grows: channels and layers of
// different sizes take turns with it, and shrinking then growing a vector would zero the
// difference every time. What the room holds is whatever was there before.
template <typename T>
T* AtLeast(std::vector<T>& scratch, std::size_t count)
{
    if (scratch.size() < count) scratch.resize(count);
    return scratch.data();
}

}  // namespace vantrel::studio::psd
