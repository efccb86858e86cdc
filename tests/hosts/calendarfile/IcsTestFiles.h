#pragma once

// Files for the calendar file tests: the samples, and a line diff that shows exactly which lines
// a save changed.

#include "tests/support/TempDir.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace zelvant::icstest {

using testing::readText;
using testing::TempDir;
using testing::writeText;

// Every test presents times in this zone, whatever the machine's zone is.
inline const std::string kZone = "Europe/Berlin";

// The sample calendar file of that name.
inline std::filesystem::path sample(const std::string& name)
{
    return std::filesystem::path(ZELVANT_ICS_DATA) / name;
}

inline const std::vector<std::string> kSamples = {
    "ical4j__EstoniaHolidays.ics",   "ical4j__Session6.ics",
    "icaljs__only_dtstart_time.ics", "node-ical__event-with-category.ics",
    "node-ical__ms_timezones.ics",   "node-ical__tentative-apple-calendar.ics",
};

// The lines between the common beginning and the common end of two texts.
struct LineDiff {
    std::vector<std::string> removed;
    std::vector<std::string> added;
};

inline std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

inline LineDiff diffLines(const std::string& before, const std::string& after)
{
    const auto a = splitLines(before), b = splitLines(after);
    std::size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    std::size_t tail = 0;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    return {{a.begin() + long(head), a.end() - long(tail)}, {b.begin() + long(head), b.end() - long(tail)}};
}

/// A calendar file around the given event lines (each without line break), CRLF-separated.
inline std::string calendarWith(const std::vector<std::string>& lines)
{
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Zelvant tests//DE\r\n";
    for (const auto& line : lines)
        text += line + "\r\n";
    return text + "END:VCALENDAR\r\n";
}

} // namespace zelvant::icstest
