#include "ZylmidiPortMatch.h"

#include <cctype>
#include <regex>

namespace {

std::string removeAll(const std::string& text, const std::regex& pattern) {
    return std::regex_replace(text, pattern, "");
}

std::string collapseSpaces(const std::string& text) {
    std::string collapsed;
    for (char c : text) {
        const bool space = std::isspace(static_cast<unsigned char>(c)) != 0;
        if (space && (collapsed.empty() || collapsed.back() == ' '))
            continue;
        collapsed += space ? ' ' : c;
    }
    if (!collapsed.empty() && collapsed.back() == ' ')
        collapsed.pop_back();
    return collapsed;
}

} // namespace

std::string stablePortName(const std::string& name) {
    // Client:port numbers as a whole token, so "midi_00" or "v1:2a" keep their digits.
    static const std::regex clientPort("(^|[^[:alnum:]_])[0-9]+:[0-9]+(?![[:alnum:]_])");
    static const std::regex bracketedNumber("\\s*[\\[(][0-9]*[\\])]");
    const std::string withoutNumbers = std::regex_replace(name, clientPort, "$1");
    return collapseSpaces(removeAll(withoutNumbers, bracketedNumber));
}

int findPortByName(const std::vector<std::string>& names, const std::string& storedName) {
    if (storedName.empty())
        return -1;
    for (size_t index = 0; index < names.size(); ++index)
        if (names[index] == storedName)
            return static_cast<int>(index);
    const std::string stored = stablePortName(storedName);
    if (stored.empty())
        return -1;
    for (size_t index = 0; index < names.size(); ++index)
        if (stablePortName(names[index]) == stored)
            return static_cast<int>(index);
    return -1;
}
