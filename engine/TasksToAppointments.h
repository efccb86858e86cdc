#pragma once

#include "engine/EngineInputs.h"
#include "engine/LinkKeys.h"

#include <array>
#include <vector>

namespace zelvant {

// The busy states the wizard's list offers, by list index.
inline constexpr std::array<const char*, 4> kBusyStatusNames{"Frei", "Mit Vorbehalt", "Gebucht", "Abwesend"};
// The list's preselected entry, "Gebucht".
inline constexpr int kDefaultBusyIndex = 2;

// The busy status of a list index; an index outside the list gives the default, busy.
BusyStatus busyStatusFromIndex(int index);

// Creates appointments for the chosen tasks that are not linked yet: one per split part (subject
// "Name (i)" when there are several), or one from start to finish for a task without parts, each
// with the given busy status and the task's link value. A zero-length task or part lasts one
// minute. A name longer than 200 characters is shortened in the plan first. The task's link
// field is written only after its appointment was saved, and ends with the value of its last
// appointment. New keys never repeat one already used in the plan or the calendar.
// Progress runs from 5 to 95, then 98.
void LinkTasksToAppointments(const EngineInputs& inputs, const std::vector<Task*>& chosen, BusyStatus busy,
                             LinkKeyGenerator& keys, const RunContext& context);

} // namespace zelvant
