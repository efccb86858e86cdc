#include "hosts/calendar/MemoryAppointment.h"

#include "hostapi/HostError.h"
#include "hosts/calendar/MemoryCalendar.h"

namespace zelvant {

MemoryAppointment::MemoryAppointment(std::weak_ptr<MemoryCalendar*> calendar, AppointmentData data,
                                     bool created)
    : calendar_(std::move(calendar)), properties_(*this), created_(created), stored_(false)
{
    for (const auto& [name, value] : data.userProperties)
        properties_.put(name, value);
    data.userProperties.clear();
    data_ = std::move(data);
}

void MemoryAppointment::enter(const char* call) const
{
    faults_.check(call);
    if (deleted_)
        throw HostError(std::string("the appointment was deleted (") + call + ")");
}

MemoryCalendar& MemoryAppointment::calendar() const
{
    const auto handle = calendar_.lock();
    if (!handle)
        throw HostError("the calendar of this appointment is closed");
    return **handle;
}

DateTime MemoryAppointment::start() const
{
    enter("Start");
    return data_.start;
}

void MemoryAppointment::setStart(DateTime start)
{
    enter("SetStart");
    data_.start = start;
    markChanged();
}

DateTime MemoryAppointment::end() const
{
    enter("End");
    return data_.end;
}

void MemoryAppointment::setEnd(DateTime end)
{
    enter("SetEnd");
    data_.end = end;
    markChanged();
}

std::string MemoryAppointment::subject() const
{
    enter("Subject");
    return data_.subject;
}

void MemoryAppointment::setSubject(const std::string& subject)
{
    enter("SetSubject");
    data_.subject = subject;
    markChanged();
}

BusyStatus MemoryAppointment::busyStatus() const
{
    enter("BusyStatus");
    return data_.busyStatus;
}

void MemoryAppointment::setBusyStatus(BusyStatus status)
{
    enter("SetBusyStatus");
    data_.busyStatus = status;
    markChanged();
}

std::string MemoryAppointment::categories() const
{
    enter("Categories");
    std::string joined;
    for (std::size_t i = 0; i < data_.categories.size(); ++i)
        joined += (i == 0 ? "" : "; ") + data_.categories[i];
    return joined;
}

std::string MemoryAppointment::entryId() const
{
    enter("EntryID");
    return data_.entryId;
}

UserProperties& MemoryAppointment::userProperties()
{
    enter("UserProperties");
    return properties_;
}

void MemoryAppointment::save()
{
    enter("Save");
    if (!stored_)
        calendar().store(shared_from_this());
    markChanged();
}

void MemoryAppointment::remove()
{
    enter("Delete");
    if (stored_)
        calendar().discard(*this);
    deleted_ = true;
}

AppointmentData MemoryAppointment::snapshot() const
{
    AppointmentData data = data_;
    for (const auto& property : properties_.all())
        data.userProperties.emplace_back(property->name(), property->rawValue());
    return data;
}

} // namespace zelvant
