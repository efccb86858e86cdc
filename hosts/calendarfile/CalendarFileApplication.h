#pragma once

#include "hostapi/CalendarApi.h"
#include "hosts/calendar/MemoryCalendarApplication.h"
#include "hosts/calendarfile/CalendarFile.h"

#include <memory>
#include <string>

namespace zelvant {

// The calendar application over one iCalendar file: items live in the loaded MemoryCalendar,
// and the file is written once, when the application is quit (or when save() ends an operation).
class CalendarFileApplication : public CalendarApplication {
public:
    /// An application over a loaded file.
    explicit CalendarFileApplication(std::unique_ptr<CalendarFile> file);

    /// The "MAPI" namespace; throws HostError for any other.
    CalendarNamespace& getNamespace(const std::string& type) override;
    /// A new unsaved appointment for item type 1; throws HostError for any other type.
    AppointmentPtr createItem(int itemType) override;
    /// Writes the file if anything changed, then closes. When writing fails the error is thrown
    /// and the application stays open with its changes; a second quit throws HostError.
    void quit() override;

    /// Writes the run's changes now without closing; returns whether it wrote.
    bool save();
    /// True once quit() succeeded.
    bool isQuit() const { return application_.isQuit(); }
    /// The file behind the application.
    CalendarFile& file() { return *file_; }

private:
    std::unique_ptr<CalendarFile> file_; // declared first: the application refers to its calendar
    MemoryCalendarApplication application_;
};

} // namespace zelvant
