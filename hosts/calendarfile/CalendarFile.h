#pragma once

// An iCalendar file behind the calendar model. Loading fills a MemoryCalendar with the file's
// events; saving writes the file once, changing only the events this run changed, added or
// deleted: every other byte of the file stays as it was.
//
// Times: every event is presented as wall-clock time in the user's zone. libical's zone code
// converts (icaltimezone): the file's VTIMEZONEs first, then the system's zone database for
// IANA names, libical's own TZIDs and Windows zone names. A TZID that neither knows makes the
// load fail; it is never taken as floating time.

#include "hosts/calendar/MemoryCalendar.h"

#include <filesystem>
#include <memory>
#include <string>

namespace zelvant {

class CalendarFile {
public:
    /// Reads the file into a new calendar presented in `timeZone` (an IANA name). Throws FileError
    /// (German, with file name, line and problem) for a missing, unreadable or broken file, and
    /// HostError for an unknown time zone.
    static std::unique_ptr<CalendarFile> load(const std::filesystem::path& path,
                                              const std::string& timeZone = systemTimeZone());
    ~CalendarFile();
    CalendarFile(const CalendarFile&) = delete;
    CalendarFile& operator=(const CalendarFile&) = delete;

    /// The calendar the file was loaded into; changes made to it are what save() writes.
    MemoryCalendar& calendar();
    /// The file's path.
    const std::filesystem::path& path() const;
    /// The zone times are presented in.
    const std::string& timeZone() const;

    /// The text save() would write now.
    std::string render() const;
    /// True when the calendar holds changes the file does not have yet.
    bool hasChanges() const;
    /// Writes the changes, if any, through an atomic replace that keeps NAME.bak; returns whether
    /// it wrote. Throws FileConflictError when the file changed on disk since it was read
    /// (the run's content is then in NAME.zelvant-conflict), FileError when writing fails.
    bool save();

    /// The system's time zone: TZ if set, else the zone /etc/localtime points to, else "UTC".
    static std::string systemTimeZone();

private:
    struct State;
    struct Plan;

    CalendarFile();
    void fillCalendar();
    Plan plan() const;
    std::string compose(const Plan& plan) const;
    void adopt(Plan&& plan, const std::string& written);

    std::unique_ptr<State> state_;
};

} // namespace zelvant
