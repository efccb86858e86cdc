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

// What an event says, as presented to the user, and how it says it.
struct EventFacts {
    AppointmentData data;   // times in the user's zone; entryId empty when the event has no UID
    IcsTime start;
    IcsTime end;            // Missing when the event has no DTEND
    bool hasDuration = false;
    bool isOverride = false; // carries a RECURRENCE-ID: one changed occurrence of a series
};

class EventReader {
public:
    /// A reader resolving TZIDs through `zones`; errors name `path`.
    EventReader(ZoneTable& zones, std::filesystem::path path) : zones_(zones), path_(std::move(path)) {}

    /// The facts of the event whose content lines (BEGIN:VEVENT to END:VEVENT) are given;
    /// throws FileError with the line for a value that cannot be read or a zone nobody knows.
    EventFacts read(const std::vector<ContentLine>& lines) const;

    /// The user property a line stands for ("" when it is none): X-ZELVANT-NAME or the X-name's tail.
    static std::string userPropertyName(const ContentLine& line);
    /// The X-property name for a user property ("Link" -> "X-ZELVANT-LINK").
    static std::string xNameFor(const std::string& userPropertyName);

private:
    struct Moment {
        DateTime wall{};
        IcsTime how;
    };

    Moment readMoment(const ContentLine& line) const;
    DateTime presented(const Moment& moment) const;
    DateTime endFromDuration(const Moment& start, const ContentLine& line) const;
    static BusyStatus busyStatus(const std::vector<const ContentLine*>& properties);
    [[noreturn]] void fail(const ContentLine& line, const std::string& problem) const;

    ZoneTable& zones_;
    std::filesystem::path path_;
};

/// The lines that belong to the event itself, not to a component inside it (a VALARM).
std::vector<const ContentLine*> ownProperties(const std::vector<ContentLine>& lines);

} // namespace zelvant
