#pragma once

// Which times an appointment should show for a stretch of its task. The plan and the calendar
// describe the same work in their own ways: a task made from an all-day appointment runs from
// 08:00 to 17:00, a task made from a meeting at 07:30 starts when the working day does. As long
// as both sides still say the same thing the appointment keeps its own times, so a run with
// nothing new to say writes nothing.

#include "hostapi/DateTime.h"

#include <functional>

namespace zelvant {

struct Span {
    DateTime start{};
    DateTime end{};
    bool operator==(const Span&) const = default;
};

// Working minutes between two moments, on the calendar the task is scheduled by.
using WorkBetween = std::function<Minutes(DateTime from, DateTime to)>;

// True when scheduling a task from `appointment` gives exactly `stretch`: the stretch starts at
// the appointment's first working moment and holds as much working time as the appointment.
bool saysTheSame(const Span& appointment, const Span& stretch, const WorkBetween& workBetween);

// A calendar entry needs a length: a stretch without one (a milestone, a zero-length part) lasts
// a minute from its start, past midnight if need be. Any other stretch is its own span.
Span withEntryLength(const Span& stretch);

// The calendar days a stretch touches, as an all-day appointment holds them: from the first
// day's midnight to the midnight after the last day. A stretch that ends at a midnight does not
// touch the day that begins there.
Span wholeDays(const Span& stretch);

// The times to give an appointment now showing `current` so that it stands for `stretch`:
// its own times while they say the same; else the stretch, as whole days for an all-day
// appointment, and at least a minute long for a timed one (a calendar entry needs a length).
Span appointmentSpanFor(const Span& current, bool allDay, const Span& stretch,
                        const WorkBetween& workBetween);

} // namespace zelvant
