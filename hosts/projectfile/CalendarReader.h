#pragma once

// The working-time calendars of a plan file. A base calendar stands on its own; a resource's
// calendar derives from a base calendar and states only what differs: weekdays it lists replace
// the base's, its exceptions come on top of the base's.

#include "hosts/project/WorkCalendar.h"

#include <pugixml.hpp>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zelvant {

// One calendar of the file, resolved against its base.
struct FileCalendar {
    int uid = 0;
    std::string name;
    bool isBase = true;
    WorkCalendar calendar;
};

class CalendarReader {
public:
    // Reads every Calendar below `calendars` (the Calendars element; may be empty).
    // Throws ContentError for working times that overlap or cannot be read.
    static std::vector<FileCalendar> read(pugi::xml_node calendars);

private:
    using Intervals = WorkCalendar::Intervals;

    // A calendar as the file states it, before its base fills in the rest.
    struct Stated {
        int uid = 0;
        std::string name;
        bool isBase = true;
        int baseUid = -1;
        std::array<std::optional<Intervals>, 7> weekdays; // by weekday::c_encoding(), Sunday = 0
        std::map<std::chrono::local_days, Intervals> workWeekDays;
        std::map<std::chrono::local_days, Intervals> exceptions;
    };

    static Stated readStated(pugi::xml_node calendar);
    static Intervals readDay(pugi::xml_node day);
    static void readLegacyException(pugi::xml_node day, Stated& stated);
    static void readException(pugi::xml_node exception, Stated& stated);
    static void readWorkWeek(pugi::xml_node week, Stated& stated);
    static WorkCalendar resolve(const Stated& stated, const std::map<int, Stated>& all);
};

} // namespace zelvant
