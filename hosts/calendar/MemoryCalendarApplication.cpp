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
        throw HostError("Die Kalenderanwendung wurde geschlossen.");
}

CalendarNamespace& MemoryCalendarApplication::getNamespace(const std::string& type)
{
    ensureRunning();
    if (type != "MAPI")
        throw HostError("Unbekannter Namensraum: " + type);
    return *this;
}

CalendarFolder& MemoryCalendarApplication::getDefaultFolder(int folder)
{
    ensureRunning();
    if (folder != kCalendarFolder)
        throw HostError("Keinen Standardordner " + std::to_string(folder) + ".");
    return *calendar_;
}

AppointmentPtr MemoryCalendarApplication::createItem(int itemType)
{
    ensureRunning();
    if (itemType != kAppointmentItem)
        throw HostError("Elemente vom Typ " + std::to_string(itemType) +
                        " k\u00F6nnen nicht angelegt werden.");
    return calendar_->createItem();
}

void MemoryCalendarApplication::quit()
{
    const bool wasQuit = isQuit();
    ++quitCount_;
    if (wasQuit)
        throw HostError("Die Kalenderanwendung wurde geschlossen.");
}

} // namespace zelvant
