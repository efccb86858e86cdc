#pragma once

// Files for the calendar file tests: the samples, a fixed clock and zone, and a line diff that
// shows exactly which lines a save changed.

#include "hosts/calendarfile/CalendarFile.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
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

// Sets the process's TZ for the life of the object, as a user's shell would, and puts it back.
class ScopedTz {
public:
    explicit ScopedTz(const std::string& zone) : had_(std::getenv("TZ") != nullptr)
    {
        saved_ = had_ ? std::getenv("TZ") : "";
        ::setenv("TZ", zone.c_str(), 1);
        ::tzset();
    }
    ~ScopedTz()
    {
        had_ ? ::setenv("TZ", saved_.c_str(), 1) : ::unsetenv("TZ");
        ::tzset();
    }

private:
    bool had_;
    std::string saved_;
};

// The lines one text lost and the other gained, in order (a longest common subsequence).
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
    const std::size_t n = a.size() - head - tail, m = b.size() - head - tail;
    // common[i][j]: the longest common run of a[head+i..] and b[head+j..]
    std::vector<std::vector<std::size_t>> common(n + 1, std::vector<std::size_t>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            common[i][j] = a[head + i] == b[head + j] ? common[i + 1][j + 1] + 1
                                                      : std::max(common[i + 1][j], common[i][j + 1]);
    LineDiff diff;
    std::size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[head + i] == b[head + j]) {
            ++i;
            ++j;
        } else if (j == m || (i < n && common[i + 1][j] >= common[i][j + 1])) {
            diff.removed.push_back(a[head + i++]);
        } else {
            diff.added.push_back(b[head + j++]);
        }
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

} // namespace zelvant::icstest
