#pragma once

#include "hostapi/CalendarApi.h"
#include "hosts/calendar/MemoryCalendar.h"

#include <memory>
#include <string>

namespace zelvant {

// The calendar application and its "MAPI" namespace over one MemoryCalendar. After quit()
// every call throws HostError, as a closed application no longer answers.
class MemoryCalendarApplication : public CalendarApplication, public CalendarNamespace {
public:
    /// An application with its own, empty calendar.
    MemoryCalendarApplication();
    /// An application over a calendar someone else owns (it must outlive the application).
    explicit MemoryCalendarApplication(MemoryCalendar& calendar);

    /// This object for "MAPI"; throws HostError for any other namespace.
    CalendarNamespace& getNamespace(const std::string& type) override;
    /// The calendar for folder 9; throws HostError for any other folder.
    CalendarFolder& getDefaultFolder(int folder) override;
    /// A new unsaved appointment for item type 1; throws HostError for any other type.
    AppointmentPtr createItem(int itemType) override;
    /// Closes the application; counts every call, and a second one throws like any call after quit.
    void quit() override;

    /// The calendar behind the default folder.
    MemoryCalendar& calendar() { return *calendar_; }
    /// How often quit() was called.
    int quitCount() const { return quitCount_; }
    /// True once quit() was called.
    bool isQuit() const { return quitCount_ > 0; }

private:
    void ensureRunning() const;

    std::unique_ptr<MemoryCalendar> owned_;
    MemoryCalendar* calendar_;
    int quitCount_ = 0;
};

} // namespace zelvant
