#pragma once

// Files for the calendar file tests: the samples, a scratch folder per test, and a line diff
// that shows exactly which lines a save changed.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace zelvant::icstest {

// Every test presents times in this zone, whatever the machine's zone is.
inline const std::string kZone = "Europe/Berlin";

inline std::filesystem::path sample(const std::string& name) { return std::filesystem::path(ZELVANT_ICS_DATA) / name; }

inline const std::vector<std::string> kSamples = {
    "ical4j__EstoniaHolidays.ics",        "ical4j__Session6.ics",
    "icaljs__only_dtstart_time.ics",      "node-ical__event-with-category.ics",
    "node-ical__ms_timezones.ics",        "node-ical__tentative-apple-calendar.ics",
};

inline std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "zelvant-ics-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }
    /// A writable copy of a sample.
    std::filesystem::path copy(const std::string& sampleName) const
    {
        const auto target = file(sampleName);
        writeText(target, readText(sample(sampleName)));
        return target;
    }
    /// A file with the given text.
    std::filesystem::path write(const std::string& name, const std::string& text) const
    {
        writeText(file(name), text);
        return file(name);
    }

private:
    std::filesystem::path path_;
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
    while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
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
