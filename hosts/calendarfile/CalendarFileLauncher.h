#pragma once

#include "hostapi/CalendarApi.h"
#include "hosts/calendarfile/CalendarFile.h"
#include "hosts/calendarfile/CalendarFileApplication.h"

#include <filesystem>
#include <memory>
#include <string>

namespace zelvant {

// Reaches the calendar in one iCalendar file. There is never an application running before the
// program comes, so the program always starts one and quits it again, which writes the file.
class CalendarFileLauncher : public CalendarLauncher {
public:
    /// A launcher for the file at `path`, presenting times in `timeZone`.
    explicit CalendarFileLauncher(std::filesystem::path path,
                                  std::string timeZone = CalendarFile::systemTimeZone());

    /// Always nullptr: nothing else has the file open for us.
    CalendarApplication* running() override { return nullptr; }
    /// Loads the file into a new application, or returns the one still open; throws FileError
    /// (a HostError) when the file cannot be read or is broken, HostError for an unknown zone.
    CalendarApplication& start() override;

    /// The most recent application, quit or not, or nullptr before the first start.
    CalendarFileApplication* application() { return application_.get(); }

private:
    std::filesystem::path path_;
    std::string timeZone_;
    std::unique_ptr<CalendarFileApplication> application_;
};

} // namespace zelvant
