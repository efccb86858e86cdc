#pragma once

#include "hostapi/CalendarApi.h"
#include "hosts/calendar/MemoryCalendar.h"
#include "hosts/calendar/MemoryCalendarApplication.h"

#include <memory>
#include <vector>

namespace zelvant {

// Reaches an in-memory calendar application the way the program reaches the real one, so tests
// can show that a caller quits only an application it started. All applications it hands out
// share one calendar, as every run of the real application shows the same user's calendar.
class MemoryCalendarLauncher : public CalendarLauncher {
public:
    /// The application that is open and not quit, or nullptr.
    CalendarApplication* running() override;
    /// Counts the start; throws HostError when starts fail, returns the open application if there
    /// is one (the application runs only once), else a new one.
    CalendarApplication& start() override;

    /// Opens an application as if the user had it running before the program came.
    MemoryCalendarApplication& runApplication();
    /// Makes every later start() fail with "calendar not reachable" (or succeed again).
    void setStartFails(bool fails) { startFails_ = fails; }
    /// How often start() was called.
    int startCount() const { return startCount_; }
    /// The most recent application, quit or not, or nullptr when there was none.
    MemoryCalendarApplication* application();
    /// The calendar every application shows.
    MemoryCalendar& calendar() { return calendar_; }

private:
    MemoryCalendarApplication* openApplication();

    MemoryCalendar calendar_; // declared first: the applications refer to it
    std::vector<std::unique_ptr<MemoryCalendarApplication>> applications_;
    bool startFails_ = false;
    int startCount_ = 0;
};

} // namespace zelvant
