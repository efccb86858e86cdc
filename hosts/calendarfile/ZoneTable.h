#pragma once

// Time zones for one calendar file: the file's own VTIMEZONE definitions, the system's zone
// database for TZIDs the file does not define (IANA names, Windows zone IDs and display names),
// UTC, and the user's zone that every time is presented in. libical does the arithmetic; none
// of its types leave ZoneTable.cpp. Nothing here looks at the process's own zone (TZ): the
// presented times depend on the user's zone alone.

#include "hostapi/DateTime.h"

#include <map>
#include <memory>
#include <string>

namespace zelvant {

class ZoneTable {
public:
    struct Zone; // one libical zone

    /// A table presenting times in `userZone` (an IANA name); throws HostError when it is unknown.
    explicit ZoneTable(const std::string& userZone);
    ~ZoneTable();
    ZoneTable(const ZoneTable&) = delete;
    ZoneTable& operator=(const ZoneTable&) = delete;

    /// Takes a VTIMEZONE's text as the zone its TZID (unescaped) names; false when libical cannot use it.
    bool define(const std::string& tzid, const std::string& vtimezoneText);
    /// The zone a TZID names: the file's definition first, else the system's zone database by
    /// IANA name, Windows zone ID or Windows display name; nullptr when none of them knows it.
    const Zone* find(const std::string& tzid);
    /// The UTC zone.
    const Zone* utc() const;
    /// The user's zone.
    const Zone* user() const;
    /// The zone that times written under the user's zone name are read back in: the file's own
    /// definition of that name when it has one (every reader of the file goes by it), else the
    /// user's zone.
    const Zone* userAsWritten() const;
    /// The user's zone as it was named, e.g. "Europe/Berlin".
    const std::string& userName() const { return userName_; }
    /// True when the user's zone is UTC: times are then written with "Z" and need no VTIMEZONE.
    bool userIsUtc() const;
    /// The same moment as wall-clock time in `to`; nullptr on either side means floating time,
    /// which is taken as the user's wall clock.
    DateTime convert(DateTime time, const Zone* from, const Zone* to) const;

    /// A VTIMEZONE for the user's zone from the system's zone database, its TZID the plain zone
    /// name, its lines ended by `newline`; "" when the user's zone is UTC.
    std::string userZoneDefinition(const std::string& newline) const;

    /// The system's zone: TZ if it names one, else /etc/localtime's target, else "UTC".
    static std::string systemZoneName();

private:
    // Every TZID asked for or defined; a null entry remembers that the TZID is unknown.
    std::map<std::string, std::unique_ptr<Zone>> zones_;
    std::unique_ptr<Zone> utc_;
    std::unique_ptr<Zone> user_;
    std::string userName_;
};

} // namespace zelvant
