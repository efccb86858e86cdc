#pragma once

// Writes events: a changed event by rewriting only the lines of the fields that changed, so
// everything else in it stays byte for byte as the file had it; a new event from scratch.

#include "hosts/calendar/MemoryAppointment.h"
#include "hosts/calendarfile/EventReader.h"
#include "hosts/calendarfile/ZoneTable.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace zelvant {

// An event's new text, and whether it names the user's zone by TZID (the file then needs a
// VTIMEZONE of that name).
struct WrittenEvent {
    std::string text;
    bool usesUserZone = false;
};

class EventWriter {
public:
    /// A writer converting from the user's zone through `zones`, ending lines with `newline`.
    EventWriter(const ZoneTable& zones, std::string newline) : zones_(zones), newline_(std::move(newline)) {}

    /// The event's text with each field that differs between `facts.data` and `now` rewritten
    /// in the style `facts` recorded, and a UID line added when `addUid`; other lines stay as
    /// they are. With a `stamp`, the event is marked as a new version of itself: DTSTAMP and
    /// LAST-MODIFIED become the stamp, SEQUENCE goes up by one.
    WrittenEvent patch(std::string_view text, const EventFacts& facts, const AppointmentData& now,
                       bool addUid, std::optional<std::chrono::sys_seconds> stamp) const;
    /// A new VEVENT for `now`, its times in the user's zone, stamped with `stamp`.
    WrittenEvent create(const AppointmentData& now, std::chrono::sys_seconds stamp) const;

    /// "yyyymmddThhmmss" of a wall-clock time.
    static std::string formatDateTime(DateTime time);

private:
    class Patch;

    bool writeTimes(Patch& edit, const EventFacts& facts, const AppointmentData& now) const;
    std::string timeLine(const std::string& name, DateTime userTime, const IcsTime& how, bool asWritten,
                         const ContentLine* keepHead) const;
    IcsTime calendarZone() const;
    std::string line(std::string_view unfolded) const;
    std::string userPropertyLine(const std::string& name, const std::string& value) const;
    static std::string formatDuration(std::chrono::seconds length, bool inDays);
    static std::string busyValue(BusyStatus status);

    const ZoneTable& zones_;
    std::string newline_;
};

} // namespace zelvant
