#include "services/StrTools.h"

#include "hostapi/Text.h"

#include <array>

namespace zelvant {

bool StrToBool(std::string_view text)
{
    static constexpr std::array<std::string_view, 6> kWords{"ja", "an", "true", "wahr", "yes", "on"};
    if (text == "1")
        return true;
    const std::string lower = lowerAscii(text);
    for (std::string_view word : kWords)
        if (lower == word)
            return true;
    return false;
}

std::string trimBlanks(std::string_view text)
{
    return std::string(trimmed(text, " "));
}

std::vector<std::string> SplitToCollection(std::string_view text, std::string_view delimiter)
{
    std::vector<std::string> parts;
    if (delimiter.empty() || text.find(delimiter) == std::string_view::npos) {
        // A single name keeps its blanks; only a blank text gives nothing.
        if (!trimBlanks(text).empty())
            parts.emplace_back(text);
        return parts;
    }
    std::string_view rest = text;
    for (auto p = rest.find(delimiter); p != std::string_view::npos; p = rest.find(delimiter)) {
        parts.push_back(trimBlanks(rest.substr(0, p)));
        rest = rest.substr(p + delimiter.size());
    }
    if (!rest.empty())
        parts.push_back(trimBlanks(rest));
    return parts;
}

} // namespace zelvant
