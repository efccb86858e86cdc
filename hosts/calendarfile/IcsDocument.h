#pragma once

// The component structure of an iCalendar file: where its events are, its time zone
// definitions, and where new events go. Checks that the file is an iCalendar file whose
// components are all closed; reading the events' properties is left to EventReader.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zelvant {

class IcsDocument {
public:
    // A VEVENT directly inside a VCALENDAR: bytes [begin, end) of the text.
    struct EventRange {
        std::size_t begin = 0;
        std::size_t end = 0;
        int lineNumber = 0; // of its BEGIN:VEVENT
    };
    // A VTIMEZONE and its TZID.
    struct ZoneDefinition {
        std::string tzid;
        std::string text;
    };

    /// Scans the text; throws FileError naming `path`, the line and the problem when the
    /// structure is broken (no BEGIN:VCALENDAR, unclosed or crossed components, stray lines).
    static IcsDocument scan(std::string_view text, const std::filesystem::path& path);

    /// The events in file order.
    const std::vector<EventRange>& events() const { return events_; }
    /// The time zone definitions in file order.
    const std::vector<ZoneDefinition>& zones() const { return zones_; }
    /// Where new events go: the start of the last END:VCALENDAR line.
    std::size_t insertAt() const { return insertAt_; }
    /// The line break the file uses ("\r\n" unless its first line ends in a bare "\n").
    const std::string& newline() const { return newline_; }

private:
    std::vector<EventRange> events_;
    std::vector<ZoneDefinition> zones_;
    std::size_t insertAt_ = 0;
    std::string newline_ = "\r\n";
};

} // namespace zelvant
