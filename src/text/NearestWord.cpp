#include "text/NearestWord.h"

#include <algorithm>
#include <vector>

namespace vantrel::text {

namespace {

constexpr std::size_t kMostEdits = 2;
constexpr std::size_t kLongestWord = 64;  // longer text is no misspelt keyword

// Optimal string alignment distance: Levenshtein with swaps of neighbours.
std::size_t Edits(std::string_view a, std::string_view b)
{
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t replace = d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, replace});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

}  // namespace

std::string_view NearestWord(std::string_view word, const std::vector<std::string_view>& words)
{
    if (word.size() > kLongestWord) return {};
    std::string_view nearest;
    std::size_t fewest = std::min(kMostEdits + 1, word.size());
    for (const std::string_view candidate : words) {
        const std::size_t edits = Edits(word, candidate);
        if (edits == 0) return {};
        if (edits < fewest) fewest = edits, nearest = candidate;
    }
    return nearest;
}

}  // namespace vantrel::text
