#include "hosts/calendar/MemoryCalendarApplication.h"

#include "hostapi/HostError.h"

namespace zelvant {

MemoryCalendarApplication::MemoryCalendarApplication()
    : owned_(std::make_unique<MemoryCalendar>()), calendar_(owned_.get())
{
}

MemoryCalendarApplication::MemoryCalendarApplication(MemoryCalendar& calendar) : calendar_(&calendar) {}

void MemoryCalendarApplication::ensureRunning() const
{
    if (isQuit())
        throw HostError("the calendar application was closed");
}

CalendarNamespace& MemoryCalendarApplication::getNamespace(const std::string& type)
{
    ensureRunning();
    if (type != "MAPI")
        throw HostError("unknown namespace: " + type);
    return *this;
}

CalendarFolder& MemoryCalendarApplication::getDefaultFolder(int folder)
{
    ensureRunning();
    if (folder != kCalendarFolder)
        throw HostError("no such default folder: " + std::to_string(folder));
    return *calendar_;
}

AppointmentPtr MemoryCalendarApplication::createItem(int itemType)
{
    ensureRunning();
    if (itemType != kAppointmentItem)
        throw HostError("cannot create items of type " + std::to_string(itemType));
    return calendar_->createItem();
}

void MemoryCalendarApplication::quit()
{
    const bool wasQuit = isQuit();
    ++quitCount_;
    if (wasQuit)
        throw HostError("the calendar application was closed");
}

} // namespace zelvant
