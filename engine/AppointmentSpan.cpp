#include "engine/AppointmentSpan.h"

namespace zelvant {

using namespace std::chrono;

bool saysTheSame(const Span& appointment, const Span& stretch, const WorkBetween& workBetween)
{
    if (appointment == stretch)
        return true; // every appointment the last run wrote: no arithmetic needed
    // Scheduled from the appointment, the task starts at its first working moment and carries
    // its working time.
    if (appointment.start > stretch.start)
        return false;
    if (appointment.start != stretch.start && workBetween(appointment.start, stretch.start) != Minutes{0})
        return false;
    return workBetween(appointment.start, appointment.end) == workBetween(stretch.start, stretch.end);
}

Span withEntryLength(const Span& stretch)
{
    return stretch.end > stretch.start ? stretch : Span{stretch.start, stretch.start + Minutes{1}};
}

Span wholeDays(const Span& stretch)
{
    const DateTime first{dateOf(stretch.start)};
    const DateTime lastMoment = stretch.end > stretch.start ? stretch.end - seconds{1} : stretch.start;
    return {first, DateTime{dateOf(lastMoment)} + days{1}};
}

Span appointmentSpanFor(const Span& current, bool allDay, const Span& stretch, const WorkBetween& workBetween)
{
    if (saysTheSame(current, stretch, workBetween))
        return current;
    if (allDay)
        return wholeDays(stretch);
    return withEntryLength(stretch);
}

} // namespace zelvant
