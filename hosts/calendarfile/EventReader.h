#pragma once

// Reads one VEVENT's properties into what the calendar model presents, and remembers how the
// file wrote its times so that a changed event is written back in the same style.

#include "hosts/calendar/MemoryAppointment.h"
#include "hosts/calendarfile/ContentLine.h"
#include "hosts/calendarfile/ZoneTable.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zelvant {

// How a DTSTART or DTEND was written.
struct IcsTime {
    enum class Kind { Missing, Date, Floating, Utc, Zoned };
    Kind kind = Kind::Missing;
    std::string tzid;                      // for Zoned
    const ZoneTable::Zone* zone = nullptr; // for Zoned
};

// How the file says that an event covers whole days.
enum class AllDayStyle {
    None,      // it does not, or only the user's zone shows midnights (written like any time)
    Dates,     // DTSTART;VALUE=DATE, DTEND exclusive
    Midnights, // Exchange: midnights of the event's own zone and X-MICROSOFT-CDO-ALLDAYEVENT:TRUE
};

// What an event says, as presented to the user, and how it says it.
struct EventFacts {
    AppointmentData data; // times in the user's zone; entryId empty when the event has no UID
    IcsTime start;
    IcsTime end; // Missing when the event has no DTEND
    bool hasDuration = false;
    bool isOverride = false; // carries a RECURRENCE-ID: one changed occurrence of a series
    AllDayStyle allDayStyle = AllDayStyle::None;
    long sequence = 0; // SEQUENCE; an event without one is at 0
    // Why the event's times cannot be read (German), and the line that says so; empty when they
    // can. Such an event is kept as the file has it and never written.
    std::string problem;
    int problemLine = 0;
};

class EventReader {
public:
    /// A reader resolving TZIDs through `zones`.
    explicit EventReader(ZoneTable& zones) : zones_(zones) {}

    /// The facts of the event whose content lines (BEGIN:VEVENT to END:VEVENT) are given. A value
    /// that cannot be read, lies out of range or names a zone nobody knows leaves the times
    /// unread and says why in `problem`; subject, UID and user properties are read all the same.
    EventFacts read(const std::vector<ContentLine>& lines) const;

    /// The user property a line stands for ("" when it is none): X-ZELVANT-NAME or the X-name's tail.
    static std::string userPropertyName(const ContentLine& line);
    /// The X-property name for a user property ("Link" -> "X-ZELVANT-LINK").
    static std::string xNameFor(const std::string& userPropertyName);
    /// True for the properties Microsoft clients mark all-day events with.
    static bool isAllDayFlag(const ContentLine& line);

    /// The years an event may lie in. Anything outside is a broken or hostile value: taking it
    /// would send later date arithmetic over centuries.
    static constexpr int kFirstYear = 1600;
    static constexpr int kLastYear = 2200;
    /// The longest DURATION taken, in days (a hundred years).
    static constexpr long kMaxDurationDays = 36525;

private:
    struct Moment {
        DateTime wall{}; // as written, in the moment's own zone
        IcsTime how;
    };
    struct Duration {
        long days = 0;
        long seconds = 0;
    };

    void readTimes(EventFacts& facts, const ContentLine* dtstart, const ContentLine* dtend,
                   const ContentLine* duration, bool allDayFlag) const;
    Moment readMoment(const ContentLine& line) const;
    DateTime presented(const Moment& moment) const;
    DateTime endFromDuration(const Moment& start, const Duration& duration) const;
    static Duration readDuration(const ContentLine& line);
    static long readSequence(const ContentLine& line);
    static BusyStatus busyStatus(const std::vector<const ContentLine*>& properties);

    ZoneTable& zones_;
};

/// The lines that belong to the event itself, not to a component inside it (a VALARM).
std::vector<const ContentLine*> ownProperties(const std::vector<ContentLine>& lines);

} // namespace zelvant
