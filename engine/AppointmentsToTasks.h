#pragma once

#include "engine/EngineInputs.h"
#include "engine/LinkKeys.h"

#include <vector>

namespace zelvant {

// Appends one new task per chosen appointment, in their order, and links the two: the task must
// start on the appointment's start, lasts the working time from start to end on the project's
// base calendar and takes the subject (shortened to 200 characters on the appointment too) as its
// name. The appointment is saved with its link value first; when no task can be made for it, the
// value is taken back so it is offered again. Seconds are dropped throughout.
// Progress runs from 5 to 95, then 98.
void LinkAppointmentsToTasks(const EngineInputs& inputs, const std::vector<AppointmentPtr>& chosen,
                             LinkKeyGenerator& keys, const RunContext& context);

} // namespace zelvant
