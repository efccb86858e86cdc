#include "hosts/calendarfile/ZoneTable.h"

#include "hostapi/HostError.h"

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

// The zones Windows and Exchange name in TZIDs, mapped to the IANA zone they stand for
// (the zone for the territory "001" in the usual Windows-to-IANA table).
const std::pair<const char*, const char*> kWindowsZones[] = {
    {"W. Europe Standard Time", "Europe/Berlin"},
    {"Romance Standard Time", "Europe/Paris"},
    {"Central Europe Standard Time", "Europe/Budapest"},
    {"Central European Standard Time", "Europe/Warsaw"},
    {"GMT Standard Time", "Europe/London"},
    {"Greenwich Standard Time", "Atlantic/Reykjavik"},
    {"E. Europe Standard Time", "Europe/Chisinau"},
    {"FLE Standard Time", "Europe/Kiev"},
    {"GTB Standard Time", "Europe/Bucharest"},
    {"Russian Standard Time", "Europe/Moscow"},
    {"Turkey Standard Time", "Europe/Istanbul"},
    {"Israel Standard Time", "Asia/Jerusalem"},
    {"Jordan Standard Time", "Asia/Amman"},
    {"Egypt Standard Time", "Africa/Cairo"},
    {"South Africa Standard Time", "Africa/Johannesburg"},
    {"W. Central Africa Standard Time", "Africa/Lagos"},
    {"Morocco Standard Time", "Africa/Casablanca"},
    {"Arab Standard Time", "Asia/Riyadh"},
    {"Arabian Standard Time", "Asia/Dubai"},
    {"Iran Standard Time", "Asia/Tehran"},
    {"Pakistan Standard Time", "Asia/Karachi"},
    {"India Standard Time", "Asia/Calcutta"},
    {"SE Asia Standard Time", "Asia/Bangkok"},
    {"China Standard Time", "Asia/Shanghai"},
    {"Singapore Standard Time", "Asia/Singapore"},
    {"Taipei Standard Time", "Asia/Taipei"},
    {"Tokyo Standard Time", "Asia/Tokyo"},
    {"Korea Standard Time", "Asia/Seoul"},
    {"W. Australia Standard Time", "Australia/Perth"},
    {"Cen. Australia Standard Time", "Australia/Adelaide"},
    {"E. Australia Standard Time", "Australia/Brisbane"},
    {"AUS Eastern Standard Time", "Australia/Sydney"},
    {"New Zealand Standard Time", "Pacific/Auckland"},
    {"Hawaiian Standard Time", "Pacific/Honolulu"},
    {"Alaskan Standard Time", "America/Anchorage"},
    {"Pacific Standard Time", "America/Los_Angeles"},
    {"US Mountain Standard Time", "America/Phoenix"},
    {"Mountain Standard Time", "America/Denver"},
    {"Central Standard Time", "America/Chicago"},
    {"Central Standard Time (Mexico)", "America/Mexico_City"},
    {"Canada Central Standard Time", "America/Regina"},
    {"Central America Standard Time", "America/Guatemala"},
    {"Eastern Standard Time", "America/New_York"},
    {"SA Pacific Standard Time", "America/Bogota"},
    {"Atlantic Standard Time", "America/Halifax"},
    {"Newfoundland Standard Time", "America/St_Johns"},
    {"Pacific SA Standard Time", "America/Santiago"},
    {"E. South America Standard Time", "America/Sao_Paulo"},
    {"Argentina Standard Time", "America/Buenos_Aires"},
};

bool isUtcName(const std::string& name)
{
    return name == "UTC" || name == "Etc/UTC" || name == "GMT" || name == "Etc/GMT" || name == "Z";
}

// A zone of the system's zone database, by IANA name or libical's own TZID; nullptr if unknown.
icaltimezone* builtinZone(const std::string& name)
{
    if (isUtcName(name))
        return icaltimezone_get_utc_timezone();
    if (icaltimezone* zone = icaltimezone_get_builtin_timezone(name.c_str()))
        return zone;
    return icaltimezone_get_builtin_timezone_from_tzid(name.c_str());
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
    : utc_(std::make_unique<Zone>(icaltimezone_get_utc_timezone(), false))
{
    icaltimezone* zone = builtinZone(userZone);
    if (!zone)
        throw HostError("Unbekannte Zeitzone \u201E" + userZone + "\u201C (nicht in der Zeitzonen-Datenbank).");
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
    icaltimezone* zone = builtinZone(tzid);
    if (!zone) {
        const std::string iana = ianaForWindowsName(tzid);
        if (!iana.empty())
            zone = builtinZone(iana);
    }
    auto& slot = zones_[tzid];
    if (zone)
        slot = std::make_unique<Zone>(zone, false);
    return slot.get();
}

const ZoneTable::Zone* ZoneTable::utc() const { return utc_.get(); }

const ZoneTable::Zone* ZoneTable::user() const { return user_.get(); }

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

std::string ZoneTable::ianaForWindowsName(const std::string& windowsName)
{
    for (const auto& [windows, iana] : kWindowsZones)
        if (windowsName == windows)
            return iana;
    return {};
}

} // namespace zelvant
