#include "hosts/calendarfile/CalendarFileApplication.h"

#include "hostapi/HostError.h"

namespace zelvant {

CalendarFileApplication::CalendarFileApplication(std::unique_ptr<CalendarFile> file)
    : file_(std::move(file)), application_(file_->calendar())
{
}

CalendarNamespace& CalendarFileApplication::getNamespace(const std::string& type)
{
    return application_.getNamespace(type);
}

AppointmentPtr CalendarFileApplication::createItem(int itemType)
{
    return application_.createItem(itemType);
}

void CalendarFileApplication::quit()
{
    if (!application_.isQuit())
        file_->save();
    application_.quit();
}

bool CalendarFileApplication::save()
{
    if (application_.isQuit())
        throw HostError("Die Kalenderanwendung wurde geschlossen.");
    return file_->save();
}

} // namespace zelvant
