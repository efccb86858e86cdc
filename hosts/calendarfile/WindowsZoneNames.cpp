#include "hosts/calendarfile/WindowsZoneNames.h"

#include "hostapi/Text.h"

#include <string>
#include <unordered_map>
#include <utility>

#include <unicode/ucal.h>
#include <unicode/ustring.h>

namespace zelvant {

namespace {

// Display names and the Windows zone ID each stands for, as the zone lists of Windows and
// Exchange showed them over the years (built from data/windows-zone-display-names.json).
const std::pair<const char*, const char*> kDisplayNames[] = {
#include "WindowsZoneDisplayNames.inc"
};

// "(UTC+01:00) Amsterdam, Berlin" -> "Amsterdam, Berlin"; the offset is left out because the
// same places were listed as "(GMT+01:00)" before 2010 and as "(UTC+01:00)" after.
std::string_view places(std::string_view name)
{
    name = trimmed(name, " ");
    if (name.size() > 4 && name[0] == '(' && (name.substr(1, 3) == "UTC" || name.substr(1, 3) == "GMT")) {
        const std::size_t close = name.find(')');
        if (close != std::string_view::npos)
            name.remove_prefix(close + 1);
    }
    return trimmed(name, " ");
}

const std::unordered_map<std::string, std::string>& byPlaces()
{
    static const std::unordered_map<std::string, std::string> table = [] {
        std::unordered_map<std::string, std::string> map;
        for (const auto& [display, id] : kDisplayNames)
            map.emplace(std::string(places(display)), id);
        return map;
    }();
    return table;
}

} // namespace

std::string ianaZoneForWindowsId(std::string_view windowsId)
{
    constexpr int kCapacity = 128;
    if (windowsId.empty() || windowsId.size() >= kCapacity)
        return {};
    UChar id[kCapacity];
    int32_t idLength = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(id, kCapacity, &idLength, windowsId.data(), int32_t(windowsId.size()), &status);
    if (U_FAILURE(status))
        return {};
    UChar zone[kCapacity];
    const int32_t zoneLength =
        ucal_getTimeZoneIDForWindowsID(id, idLength, nullptr, zone, kCapacity, &status);
    if (U_FAILURE(status) || zoneLength <= 0)
        return {};
    char utf8[kCapacity * 3];
    int32_t utf8Length = 0;
    u_strToUTF8(utf8, int32_t(sizeof utf8), &utf8Length, zone, zoneLength, &status);
    if (U_FAILURE(status))
        return {};
    return std::string(utf8, std::size_t(utf8Length));
}

std::string windowsIdForDisplayName(std::string_view displayName)
{
    const std::string_view key = places(displayName);
    if (key.empty())
        return {};
    const auto& table = byPlaces();
    const auto found = table.find(std::string(key));
    return found == table.end() ? std::string{} : found->second;
}

} // namespace zelvant
