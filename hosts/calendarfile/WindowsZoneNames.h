#pragma once

// The names Windows gives time zones, as Outlook and Exchange write them into TZIDs, often with
// no VTIMEZONE beside them: zone IDs ("W. Europe Standard Time") and the display names of the
// zone list ("(UTC-05:00) Eastern Time (US & Canada)", before 2010 "(GMT+10:00) Canberra,
// Melbourne, Sydney").

#include <string>
#include <string_view>

namespace zelvant {

/// The IANA zone a Windows zone ID stands for (ICU's Windows-to-IANA table, the zone of the
/// territory "001"), or "" when it is no Windows zone ID.
std::string ianaZoneForWindowsId(std::string_view windowsId);

/// The Windows zone ID of a display name, with or without its "(UTC+hh:mm)" / "(GMT+hh:mm)"
/// prefix, or "" when the name is not one Windows used.
std::string windowsIdForDisplayName(std::string_view displayName);

} // namespace zelvant
