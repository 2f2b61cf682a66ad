#include "effects/session/EffectCriterion.h"

#include "text/WhiteSpace.h"

namespace vantrel::effects::session {

namespace {

// The value after key: up to and including the first blank, or to the end of the text.
bool ScanValue(const std::string& text, const char* key, std::string& value)
{
    const std::size_t at = text.find(key);
    if (at == std::string::npos) return false;
    const std::size_t start = at + std::char_traits<char>::length(key);
    if (start >= text.size()) return true;
    const std::size_t blank = text.find(' ', start);
    value = text.substr(start, blank == std::string::npos ? std::string::npos : blank - start + 1);
    return true;
}

}  // namespace

void ParseEffectArguments(std::string& text, std::string& source, std::string& initial)
{
    for (char& c : text)
        if (c == '(' || c == ')') c = ' ';
    text::Trim(text);
    source.clear();
    initial.clear();
    if (!ScanValue(text, "SOURCEFILE=", source)) {
        source = text;
        return;
    }
    ScanValue(text, "INIFILE=", initial);
}

}  // namespace vantrel::effects::session
