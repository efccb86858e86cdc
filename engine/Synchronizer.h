#pragma once

#include "engine/EngineInputs.h"

#include <vector>

namespace zelvant {

// Brings each given linked task and its appointments into agreement. Per task one side wins:
// the appointments, when anything about them changed in the calendar since the last run
// (moved, deleted, added); otherwise the task, whose split parts are written to the
// appointments. A subject changed in the calendar renames the task. A linked task whose
// appointments are all gone gets new ones (recreateDeleted) or loses its link.
// Afterwards runs VerifyTasks over the same tasks. Progress runs from 5 to 50.
void SyncTasks(const EngineInputs& inputs, const std::vector<Task*>& tasks, bool recreateDeleted,
               const RunContext& context);

// The same pass once more, reporting from 50 to 95 ("überprüft"): dates the plan recalculated
// after the first pass flow back to the appointments, and appointments made by it are matched.
void VerifyTasks(const EngineInputs& inputs, const std::vector<Task*>& tasks, bool recreateDeleted,
                 const RunContext& context);

} // namespace zelvant
