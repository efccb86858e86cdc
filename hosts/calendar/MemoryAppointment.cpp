#include "hosts/calendar/MemoryAppointment.h"

#include "hostapi/HostError.h"
#include "hosts/calendar/MemoryCalendar.h"

namespace zelvant {

MemoryAppointment::MemoryAppointment(Key, std::weak_ptr<MemoryCalendar*> calendar, AppointmentData data,
                                     bool created)
    : calendar_(std::move(calendar)), properties_(*this), created_(created), stored_(false)
{
    for (auto& [name, value] : data.userProperties)
        properties_.put(std::move(name), std::move(value));
    data.userProperties = {}; // its room too: a calendar holds thousands of items
    data_ = std::move(data);
}

void MemoryAppointment::enter(const char* call) const
{
    faults_.check(call);
    if (deleted_)
        throw HostError(std::string("the appointment was deleted (") + call + ")");
}

void MemoryAppointment::enterReadable(const char* call) const
{
    enter(call);
    if (!data_.unreadable.empty())
        throw HostError(data_.unreadable);
}

MemoryCalendar& MemoryAppointment::calendar() const
{
    const auto handle = calendar_.lock();
    if (!handle)
        throw HostError("Der Kalender dieses Termins ist geschlossen.");
    return **handle;
}

namespace {

// An all-day event covers whole days; a time of day on either end makes it an ordinary one for
// good, as in the calendar application, where moving it back to midnights keeps it timed.
bool staysAllDay(bool allDay, DateTime moment)
{
    return allDay && timeOfDay(moment) == Minutes{0};
}

} // namespace

DateTime MemoryAppointment::start() const
{
    enterReadable("Start");
    return data_.start;
}

void MemoryAppointment::setStart(DateTime start)
{
    enterReadable("SetStart");
    data_.start = start;
    data_.allDay = staysAllDay(data_.allDay, start);
    markChanged();
}

DateTime MemoryAppointment::end() const
{
    enterReadable("End");
    return data_.end;
}

bool MemoryAppointment::allDayEvent() const
{
    enterReadable("AllDayEvent");
    return data_.allDay;
}

void MemoryAppointment::setEnd(DateTime end)
{
    enterReadable("SetEnd");
    data_.end = end;
    data_.allDay = staysAllDay(data_.allDay, end);
    markChanged();
}

std::string MemoryAppointment::subject() const
{
    enter("Subject");
    return data_.subject;
}

void MemoryAppointment::setSubject(const std::string& subject)
{
    enterReadable("SetSubject");
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
    enterReadable("SetBusyStatus");
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
    enterReadable("Save");
    if (!stored_)
        calendar().store(shared_from_this());
    markChanged();
}

void MemoryAppointment::remove()
{
    enterReadable("Delete");
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
