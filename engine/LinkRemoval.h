#pragma once

#include "engine/EngineInputs.h"

#include <string>
#include <vector>

namespace zelvant {

// One row of the removal page: a linked task as the page listed it.
struct LinkRow {
    int taskId = 0;        // the task's row number in the plan
    std::string linkValue; // the task's link value when the page was filled
    bool ticked = true;    // left ticked by the user: the link goes
};

// Unlinks the tasks of the ticked rows: their appointments, in folder order, lose their link
// value (up to the task's part count + 1 of them), then the task's link field is emptied.
// Nothing is deleted. When an appointment cannot be saved, the task keeps its link so the
// removal can be repeated; the report names both. Unticked rows only advance the progress,
// which runs from 5 to 95.
void RemoveLinks(const EngineInputs& inputs, const std::vector<LinkRow>& rows, const RunContext& context);

} // namespace zelvant
