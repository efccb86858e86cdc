#include "hosts/calendarfile/ZoneTable.h"

#include "hostapi/HostError.h"
#include "hosts/calendarfile/ContentLine.h"
#include "hosts/calendarfile/WindowsZoneNames.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

#include <libical/ical.h>

namespace zelvant {

struct ZoneTable::Zone {
    icaltimezone* zone = nullptr;
    bool owned = false; // built from a VTIMEZONE; builtin zones belong to libical

    Zone(icaltimezone* z, bool own) : zone(z), owned(own) {}
    Zone(const Zone&) = delete;
    Zone& operator=(const Zone&) = delete;
    ~Zone()
    {
        if (owned)
            icaltimezone_free(zone, 1);
    }
};

namespace {

using namespace std::chrono;

bool isUtcName(const std::string& name)
{
    return name == "UTC" || name == "Etc/UTC" || name == "GMT" || name == "Etc/GMT" || name == "Z";
}

// True for a name that may be a path in the zone database ("America/Argentina/Buenos_Aires",
// "Etc/GMT+5"). libical opens the file of that name, so nothing else is handed to it: not a
// display name, and never a path that could leave the database.
bool looksLikeZoneName(const std::string& name)
{
    if (name.empty() || name.front() == '/' || name.find("..") != std::string::npos)
        return false;
    for (const char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' ||
              c == '_' || c == '-' || c == '+'))
            return false;
    return true;
}

// A zone of the system's zone database, by IANA name or libical's own TZID; nullptr if unknown.
icaltimezone* builtinZone(const std::string& name)
{
    if (name.empty())
        return nullptr;
    if (isUtcName(name))
        return icaltimezone_get_utc_timezone();
    if (looksLikeZoneName(name))
        if (icaltimezone* zone = icaltimezone_get_builtin_timezone(name.c_str()))
            return zone;
    return name.front() == '/' ? icaltimezone_get_builtin_timezone_from_tzid(name.c_str()) : nullptr;
}

// The zone database's zone for a TZID that no VTIMEZONE of the file defines, tried in the order
// clients write them: an IANA name, a Windows zone ID, a Windows display name, and a zone name
// behind a vendor prefix ("/mozilla.org/20070129_1/Europe/Berlin"). nullptr when none fits.
icaltimezone* databaseZone(const std::string& tzid)
{
    if (tzid.empty())
        return nullptr;
    if (icaltimezone* zone = builtinZone(tzid))
        return zone;
    std::string iana = ianaZoneForWindowsId(tzid);
    if (iana.empty())
        if (const std::string windowsId = windowsIdForDisplayName(tzid); !windowsId.empty())
            iana = ianaZoneForWindowsId(windowsId);
    if (!iana.empty())
        return builtinZone(iana);
    for (std::size_t slash = tzid.find('/'); slash != std::string::npos; slash = tzid.find('/', slash + 1)) {
        const std::string rest = tzid.substr(slash + 1);
        if (rest.find('/') != std::string::npos && looksLikeZoneName(rest))
            if (icaltimezone* zone = icaltimezone_get_builtin_timezone(rest.c_str()))
                return zone;
    }
    return nullptr;
}

icaltimetype toIcal(DateTime time)
{
    const auto day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss<seconds> clock{time - day};
    icaltimetype result = icaltime_null_time();
    result.year = int(date.year());
    result.month = int(unsigned(date.month()));
    result.day = int(unsigned(date.day()));
    result.hour = int(clock.hours().count());
    result.minute = int(clock.minutes().count());
    result.second = int(clock.seconds().count());
    result.is_date = 0;
    return result;
}

DateTime fromIcal(const icaltimetype& time)
{
    const local_days date{year{time.year} / month{unsigned(time.month)} / day{unsigned(time.day)}};
    return date + hours{time.hour} + minutes{time.minute} + seconds{time.second};
}

// The zone name at the end of a path into the zone database ("/usr/share/zoneinfo/Europe/Berlin").
std::string zoneFromPath(const std::string& path)
{
    const std::string marker = "zoneinfo/";
    const std::size_t at = path.find(marker);
    return at == std::string::npos ? std::string{} : path.substr(at + marker.size());
}

} // namespace

ZoneTable::ZoneTable(const std::string& userZone)
    : utc_(std::make_unique<Zone>(icaltimezone_get_utc_timezone(), false)), userName_(userZone)
{
    icaltimezone* zone = builtinZone(userZone);
    if (!zone)
        throw HostError("Unbekannte Zeitzone \u201E" + userZone +
                        "\u201C (nicht in der Zeitzonen-Datenbank).");
    user_ = std::make_unique<Zone>(zone, false);
}

ZoneTable::~ZoneTable() = default;

bool ZoneTable::define(const std::string& tzid, const std::string& vtimezoneText)
{
    icalcomponent* component = icalparser_parse_string(vtimezoneText.c_str());
    if (!component)
        return false;
    if (icalcomponent_isa(component) != ICAL_VTIMEZONE_COMPONENT) {
        icalcomponent_free(component);
        return false;
    }
    icaltimezone* zone = icaltimezone_new();
    if (!icaltimezone_set_component(zone, component)) {
        icalcomponent_free(component);
        icaltimezone_free(zone, 1);
        return false;
    }
    zones_[tzid] = std::make_unique<Zone>(zone, true);
    return true;
}

const ZoneTable::Zone* ZoneTable::find(const std::string& tzid)
{
    const auto known = zones_.find(tzid);
    if (known != zones_.end())
        return known->second.get();
    icaltimezone* zone = databaseZone(tzid);
    // A TZID parameter written with TEXT escapes ("Kuala Lumpur\, Singapore") means the same
    // zone as its unescaped spelling, which is how a VTIMEZONE's TZID is kept.
    if (!zone && tzid.find('\\') != std::string::npos)
        if (const Zone* unescaped = find(unescapeText(tzid)))
            zone = unescaped->zone;
    auto& slot = zones_[tzid];
    if (zone)
        slot = std::make_unique<Zone>(zone, false);
    return slot.get();
}

const ZoneTable::Zone* ZoneTable::utc() const
{
    return utc_.get();
}

const ZoneTable::Zone* ZoneTable::user() const
{
    return user_.get();
}

const ZoneTable::Zone* ZoneTable::userAsWritten() const
{
    const auto defined = zones_.find(userName_);
    return defined != zones_.end() && defined->second ? defined->second.get() : user_.get();
}

bool ZoneTable::userIsUtc() const
{
    return user_->zone == utc_->zone;
}

std::string ZoneTable::userZoneDefinition(const std::string& newline) const
{
    if (userIsUtc())
        return {};
    icalcomponent* source = icaltimezone_get_component(user_->zone);
    if (!source)
        return {};
    icalcomponent* component = icalcomponent_new_clone(source);
    // The zone's history since 1970 is what calendars use; older rules would only lengthen it.
    icaltimetype since = icaltime_from_string("19700101T000000Z");
    since.zone = icaltimezone_get_utc_timezone();
    icaltimezone_truncate_vtimezone(component, since, icaltime_null_time(), 0);
    if (icalproperty* tzid = icalcomponent_get_first_property(component, ICAL_TZID_PROPERTY))
        icalproperty_set_tzid(tzid, userName_.c_str());
    // libical's hint for its own readers; the TZID names the zone plainly already.
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_X_PROPERTY); p;) {
        icalproperty* next = icalcomponent_get_next_property(component, ICAL_X_PROPERTY);
        if (std::string(icalproperty_get_x_name(p)) == "X-LIC-LOCATION") {
            icalcomponent_remove_property(component, p);
            icalproperty_free(p);
        }
        p = next;
    }
    char* serialised = icalcomponent_as_ical_string_r(component);
    icalcomponent_free(component);
    std::string text;
    for (const ContentLine& line : scanContentLines(serialised ? serialised : ""))
        text += foldLine(line.head + ":" + line.value, newline);
    std::free(serialised);
    return text;
}

DateTime ZoneTable::convert(DateTime time, const Zone* from, const Zone* to) const
{
    icaltimezone* fromZone = (from ? from : user_.get())->zone;
    icaltimezone* toZone = (to ? to : user_.get())->zone;
    if (fromZone == toZone)
        return time;
    icaltimetype value = toIcal(time);
    icaltimezone_convert_time(&value, fromZone, toZone);
    return fromIcal(value);
}

std::string ZoneTable::systemZoneName()
{
    if (const char* tz = std::getenv("TZ"); tz && *tz) {
        std::string name = tz[0] == ':' ? tz + 1 : tz;
        if (!name.empty() && name.front() == '/')
            name = zoneFromPath(name);
        if (!name.empty())
            return name;
    }
    std::error_code error;
    const auto target = std::filesystem::read_symlink("/etc/localtime", error);
    if (!error && !zoneFromPath(target.string()).empty())
        return zoneFromPath(target.string());
    std::ifstream file("/etc/timezone");
    std::string name;
    if (std::getline(file, name) && !name.empty())
        return name;
    return "UTC";
}

} // namespace zelvant
