#pragma once

// Files for the calendar file tests: the samples, a fixed clock and zone, and a line diff that
// shows exactly which lines a save changed.

#include "hosts/calendarfile/CalendarFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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

// The moment every test run happens at, and how stamps then read.
inline const std::chrono::sys_seconds kRunTime = std::chrono::sys_days{std::chrono::year{2027} / 1 / 20} +
                                                 std::chrono::hours{7} + std::chrono::minutes{30};
inline const std::string kRunStamp = "20270120T073000Z";

// The sample calendar file of that name.
inline std::filesystem::path sample(const std::string& name)
{
    return std::filesystem::path(ZELVANT_ICS_DATA) / name;
}

inline const std::vector<std::string> kSamples = {
    "ical4j__EstoniaHolidays.ics",           "ical4j__Session6.ics",
    "icaljs__only_dtstart_time.ics",         "node-ical__Office-2012-owa.ics",
    "node-ical__event-with-category.ics",    "node-ical__exchange_whole_day_moved_recurrence.ics",
    "node-ical__ms_timezones.ics",           "node-ical__tentative-apple-calendar.ics",
    "zelvant__outlook2007-kuala-lumpur.ics",
};

// Loads a file in `zone` with the test clock.
inline std::unique_ptr<CalendarFile> loadAt(const std::filesystem::path& path,
                                            const std::string& zone = kZone)
{
    auto file = CalendarFile::load(path, zone);
    file->setClock([] { return kRunTime; });
    return file;
}

// The lines one text lost and the other gained, in order: what lies between their common head and
// tail, less the lines both of them hold there.
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
    std::size_t head = 0, tail = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    LineDiff diff{{a.begin() + long(head), a.end() - long(tail)},
                  {b.begin() + long(head), b.end() - long(tail)}};
    for (auto line = diff.removed.begin(); line != diff.removed.end();) {
        const auto same = std::find(diff.added.begin(), diff.added.end(), *line);
        if (same == diff.added.end()) {
            ++line;
            continue;
        }
        diff.added.erase(same);
        line = diff.removed.erase(line);
    }
    return diff;
}

// True for the lines that mark a new version of an event (DTSTAMP, LAST-MODIFIED, SEQUENCE and
// Outlook's copy of it).
inline bool isStampLine(const std::string& line)
{
    for (const char* name : {"DTSTAMP:", "LAST-MODIFIED:", "SEQUENCE:", "X-MICROSOFT-CDO-APPT-SEQUENCE:"})
        if (line.rfind(name, 0) == 0)
            return true;
    return false;
}

// The diff without the version marks, for tests about the other lines.
inline LineDiff withoutStamps(LineDiff diff)
{
    std::erase_if(diff.removed, isStampLine);
    std::erase_if(diff.added, isStampLine);
    return diff;
}

/// A calendar file around the given event lines (each without line break), CRLF-separated.
inline std::string calendarWith(const std::vector<std::string>& lines)
{
    std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Zelvant tests//DE\r\n";
    for (const auto& line : lines)
        text += line + "\r\n";
    return text + "END:VCALENDAR\r\n";
}

// What the tests of a calendar file share: a scratch folder, files made of event lines or copied
// from the samples, and what a save changed.
class IcsFileTest : public ::testing::Test {
protected:
    TempDir dir;

    std::unique_ptr<CalendarFile> loadText(const std::vector<std::string>& lines,
                                           const std::string& zone = kZone)
    {
        return loadAt(dir.write("test.ics", calendarWith(lines)), zone);
    }
    std::unique_ptr<CalendarFile> loadSample(const std::string& name)
    {
        return loadAt(dir.copyOf(sample(name)));
    }
    static std::shared_ptr<MemoryAppointment> item(CalendarFile& file, std::size_t index)
    {
        return file.calendar().appointments().at(index);
    }
    static void create(CalendarFile& file, DateTime start, DateTime end)
    {
        auto created = file.calendar().createItem();
        created->setStart(start);
        created->setEnd(end);
        created->save();
    }
    // What a save writes, as lines changed against the file's current text, leaving out the
    // version marks every changed event gets (their own test checks them).
    static LineDiff saveAndDiff(CalendarFile& file)
    {
        const std::string before = readText(file.path());
        EXPECT_TRUE(file.save());
        return withoutStamps(diffLines(before, readText(file.path())));
    }
};

} // namespace zelvant::icstest
