#include "hosts/calendar/MemoryCalendarLauncher.h"

#include "hostapi/HostError.h"

namespace zelvant {

CalendarApplication* MemoryCalendarLauncher::running()
{
    return openApplication();
}

CalendarApplication& MemoryCalendarLauncher::start()
{
    ++startCount_;
    if (startFails_)
        throw HostError("Der Kalender ist nicht erreichbar.");
    return runApplication();
}

MemoryCalendarApplication& MemoryCalendarLauncher::runApplication()
{
    if (MemoryCalendarApplication* open = openApplication())
        return *open;
    return *applications_.emplace_back(std::make_unique<MemoryCalendarApplication>(calendar_));
}

MemoryCalendarApplication* MemoryCalendarLauncher::application()
{
    return applications_.empty() ? nullptr : applications_.back().get();
}

MemoryCalendarApplication* MemoryCalendarLauncher::openApplication()
{
    MemoryCalendarApplication* latest = application();
    return latest && !latest->isQuit() ? latest : nullptr;
}

} // namespace zelvant
