// Loading and saving a large iCalendar file against the floor of bare libical doing the same
// file: parse and serialise. Both read the file from disk and write it back; ours also keeps the
// backup and flushes to disk, as every real save does.
// (the calendar half of zelvant_bench_files)

#include "bench/FileBench.h"
#include "hosts/calendarfile/CalendarFile.h"
#include "hosts/common/FileStore.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <libical/ical.h>
#include <sys/resource.h>

using namespace zelvant;

namespace {

constexpr int kEvents = 20000;
constexpr int kRuns = 3;

const char* const kZone = "BEGIN:VTIMEZONE\r\nTZID:W. Europe Standard Time\r\nBEGIN:STANDARD\r\n"
                          "DTSTART:16010101T030000\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\n"
                          "RRULE:FREQ=YEARLY;INTERVAL=1;BYDAY=-1SU;BYMONTH=10\r\nEND:STANDARD\r\n"
                          "BEGIN:DAYLIGHT\r\nDTSTART:16010101T020000\r\nTZOFFSETFROM:+0100\r\n"
                          "TZOFFSETTO:+0200\r\nRRULE:FREQ=YEARLY;INTERVAL=1;BYDAY=-1SU;BYMONTH=3\r\n"
                          "END:DAYLIGHT\r\nEND:VTIMEZONE\r\n";

// One event in the mix an Outlook export has: mostly zoned times, some UTC, all-day and floating.
std::string event(int i)
{
    char times[160];
    const int day = 1 + i % 28, month = 1 + (i / 28) % 12, hour = 7 + i % 10;
    switch (i % 10) {
    case 0:
        std::snprintf(times, sizeof times,
                      "DTSTART;VALUE=DATE:2024%02d%02d\r\nDTEND;VALUE=DATE:2024%02d%02d\r\n", month, day,
                      month, day + 1);
        break;
    case 1:
    case 2:
        std::snprintf(times, sizeof times,
                      "DTSTART:2024%02d%02dT%02d0000Z\r\nDTEND:2024%02d%02dT%02d3000Z\r\n", month, day, hour,
                      month, day, hour);
        break;
    case 3:
        std::snprintf(times, sizeof times, "DTSTART:2024%02d%02dT%02d0000\r\nDURATION:PT45M\r\n", month, day,
                      hour);
        break;
    default:
        std::snprintf(times, sizeof times,
                      "DTSTART;TZID=W. Europe Standard Time:2024%02d%02dT%02d0000\r\n"
                      "DTEND;TZID=W. Europe Standard Time:2024%02d%02dT%02d3000\r\n",
                      month, day, hour, month, day, hour);
    }
    std::string text = "BEGIN:VEVENT\r\nUID:bench-" + std::to_string(i) + "@example.com\r\n";
    text += "DTSTAMP:20240101T000000Z\r\n";
    text += times;
    text += "SUMMARY:Vorgang " + std::to_string(i) +
            " \xC3\x84nderung\\, Pr\xC3\xBC"
            "fung\r\n";
    text += "DESCRIPTION:Besprechung im Raum " + std::to_string(i % 40) + "\\nZweite Zeile\r\n";
    text += "CATEGORIES:Projekt,Team " + std::to_string(i % 7) + "\r\n";
    text += i % 3 == 0 ? "TRANSP:TRANSPARENT\r\nX-MICROSOFT-CDO-BUSYSTATUS:FREE\r\n"
                       : "TRANSP:OPAQUE\r\nX-MICROSOFT-CDO-BUSYSTATUS:BUSY\r\n";
    if (i % 2 == 0)
        text += "X-ZELVANT-LINK;X-ZELVANT-NAME=Link:" + std::to_string(100000000 + i) + "202401010800\r\n";
    if (i % 50 == 0)
        text += "RRULE:FREQ=WEEKLY;COUNT=10\r\n";
    return text + "END:VEVENT\r\n";
}

void writeFile(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

double seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// Our load, a run's worth of changes (one event in a hundred moved or renamed), and the save.
double ours(const std::filesystem::path& path)
{
    const auto begin = std::chrono::steady_clock::now();
    auto file = CalendarFile::load(path, "Europe/Berlin");
    const auto& items = file->calendar().appointments();
    for (std::size_t i = 0; i < items.size(); i += 100) {
        items[i]->setStart(items[i]->start() + std::chrono::hours{1});
        items[i]->setEnd(items[i]->end() + std::chrono::hours{1});
        items[i + 1]->setSubject("Umbenannt");
    }
    file->save();
    return seconds(std::chrono::steady_clock::now() - begin);
}

// The two halves of a run that changes nothing: the load, and the save that must find nothing to
// write. The save may only read: a backup or a new modification time would mean it wrote.
struct Unchanged {
    double load = 0;
    double save = 0;
};

Unchanged unchanged(const std::filesystem::path& path)
{
    const auto stamp = std::filesystem::last_write_time(path);
    const auto begin = std::chrono::steady_clock::now();
    auto file = CalendarFile::load(path, "Europe/Berlin");
    const auto loaded = std::chrono::steady_clock::now();
    const bool wrote = file->save();
    const auto saved = std::chrono::steady_clock::now();
    if (wrote || std::filesystem::exists(path.string() + ".bak") ||
        std::filesystem::last_write_time(path) != stamp)
        std::fprintf(stderr, "calendar: a save without a change wrote the file\n");
    return {seconds(loaded - begin), seconds(saved - loaded)};
}

// Bare libical: read, parse, serialise, write.
double floor(const std::filesystem::path& path, const std::filesystem::path& out)
{
    const auto begin = std::chrono::steady_clock::now();
    const std::string text = readWholeFile(path);
    icalcomponent* calendar = icalparser_parse_string(text.c_str());
    char* serialised = icalcomponent_as_ical_string_r(calendar);
    writeFile(out, serialised);
    std::free(serialised);
    icalcomponent_free(calendar);
    return seconds(std::chrono::steady_clock::now() - begin);
}

} // namespace

std::string generateCalendar(int events)
{
    std::string text = "BEGIN:VCALENDAR\r\nPRODID:-//Zelvant bench//DE\r\nVERSION:2.0\r\n";
    text += kZone;
    for (int i = 0; i < events; ++i)
        text += event(i);
    return text + "END:VCALENDAR\r\n";
}

FileBenchResult benchCalendarFile()
{
    const auto dir = std::filesystem::temp_directory_path() / "zelvant-bench-calendar";
    std::filesystem::create_directories(dir);
    const auto path = dir / "bench.ics";
    const std::string text = generateCalendar(kEvents);

    double best = 1e9, bestFloor = 1e9, bestLoad = 1e9, bestSave = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        writeFile(path, text);
        std::filesystem::remove(path.string() + ".bak");
        const Unchanged quiet = unchanged(path);
        bestLoad = std::min(bestLoad, quiet.load);
        bestSave = std::min(bestSave, quiet.save);
        best = std::min(best, ours(path));
        writeFile(path, text);
        bestFloor = std::min(bestFloor, floor(path, dir / "floor.ics"));
    }
    std::filesystem::remove_all(dir);
    std::printf("calendar events=%d load=%.3f unchanged_save=%.4f changed_run=%.3f\n", kEvents, bestLoad,
                bestSave, best);
    return {best, bestFloor, double(text.size()) / (1024.0 * 1024.0)};
}
