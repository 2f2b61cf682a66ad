#pragma once

#include <string_view>
#include <vector>

namespace vantrel::text {

// The word of a list that a typo most likely meant: the one fewest single-character edits
// (insert, delete, replace, swap of neighbours) away, at most two and fewer than the word's
// length; empty when none is that near or the word is one of them.
std::string_view NearestWord(std::string_view word, const std::vector<std::string_view>& words);

}  // namespace vantrel::text
