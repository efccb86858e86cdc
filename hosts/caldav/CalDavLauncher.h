#pragma once

// The calendar application over a server's collection, and a launcher that reaches the user's
// calendar wherever it is: on a server for an http(s) address, else in a file.

#include "hostapi/CalendarApi.h"
#include "hosts/caldav/CalDavCalendar.h"
#include "hosts/calendar/MemoryCalendarApplication.h"

#include <functional>
#include <memory>
#include <string>

namespace zelvant {

// Items live in the collection read at start; quitting writes what the run changed. When some
// appointments could not be written, quit() throws HostError naming them, after the others
// were written: the run's report then shows the calendar's failure.
class CalDavApplication : public CalendarApplication {
public:
    // Told of each resource a quit wrote, so that the run can be undone.
    using WrittenSink = std::function<void(const CalDavCalendar::Written&)>;

    explicit CalDavApplication(std::unique_ptr<CalDavCalendar> server, WrittenSink written = {});

    CalendarNamespace& getNamespace(const std::string& type) override;
    AppointmentPtr createItem(int itemType) override;
    void quit() override;

    CalDavCalendar& server() { return *server_; }

private:
    std::unique_ptr<CalDavCalendar> server_; // first: the application refers to its calendar
    MemoryCalendarApplication application_;
    WrittenSink written_;
};

class CalDavLauncher : public CalendarLauncher {
public:
    explicit CalDavLauncher(CalDavCalendar::Options options, CalDavApplication::WrittenSink written = {})
        : options_(std::move(options)), written_(std::move(written))
    {
    }
    CalendarApplication* running() override { return nullptr; }
    // Reads the collection into a new application; throws HostError as CalDavCalendar::open.
    CalendarApplication& start() override;

private:
    CalDavCalendar::Options options_;
    CalDavApplication::WrittenSink written_;
    std::unique_ptr<CalDavApplication> application_;
};

/// True when `location` names a calendar on a server (http:// or https://), not a file.
bool isServerCalendar(const std::string& location);

/// Where a server's collection is kept between runs: $XDG_CACHE_HOME/zelvant, else ~/.cache/zelvant.
std::filesystem::path serverCacheFolder();

/// A launcher for the calendar at `location`: a server's collection or an iCalendar file.
std::unique_ptr<CalendarLauncher> launcherFor(const std::string& location, const std::string& timeZone,
                                              CalDavApplication::WrittenSink written = {});

} // namespace zelvant
