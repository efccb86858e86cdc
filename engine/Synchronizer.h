#pragma once

#include "engine/EngineInputs.h"

#include <functional>
#include <stdexcept>
#include <vector>

namespace zelvant {

// How many linked tasks a run would take appointments or links from, out of how many.
struct MassChange {
    int tasks = 0;
    int linkedTasks = 0;
};

// A run stops before a change this large, unless the caller's question says go ahead.
bool isMassChange(const MassChange& change);
// The German question (and, once refused, the message) that names the numbers.
std::string describeMassChange(const MassChange& change);

// Thrown by SyncTasks when the caller refused a mass change: nothing was written.
class MassChangeStopped : public std::runtime_error {
public:
    explicit MassChangeStopped(const MassChange& change);
    MassChange change;
};

struct SyncOptions {
    // Tasks whose appointments are all gone get new ones (else they lose their link).
    bool recreateDeleted = false;
    // The busy status of appointments made for a task that has no appointment left to copy it from.
    BusyStatus busyForNew = BusyStatus::Busy;
    // Asked before a run that would delete appointments of, or remove the links of, more than half
    // of the linked tasks (and at least 5): a wrong calendar must not unlink a whole plan. Empty:
    // the run goes ahead.
    std::function<bool(const MassChange&)> confirmMassChange = {};
};

// Brings each given linked task and its appointments into agreement, task by task, all or
// nothing per task: either every change of a task lands (its appointments, then its link value)
// or what was made is taken back and the failure is in the report. Per task one side wins: the
// appointments when anything about them changed in the calendar since the last run (moved,
// deleted, added); otherwise the task, whose parts are written to the appointments. A subject
// changed in the calendar renames the task. The decisions are those of SyncRules.h. Afterwards
// runs VerifyTasks over the same tasks. Progress runs from 5 to 50.
// Afterwards every task's link value claims exactly the appointments that carry its key, with
// part indexes 0..n-1. Throws MassChangeStopped, before writing anything, when a mass change was
// refused.
void SyncTasks(const EngineInputs& inputs, const std::vector<Task*>& tasks, const SyncOptions& options,
               const RunContext& context);
// The same without a question before mass changes.
void SyncTasks(const EngineInputs& inputs, const std::vector<Task*>& tasks, bool recreateDeleted,
               const RunContext& context);

// The same pass once more, reporting from 50 to 95 ("überprüft"): dates the plan recalculated
// after the first pass flow back to the appointments, and appointments made by it are matched.
void VerifyTasks(const EngineInputs& inputs, const std::vector<Task*>& tasks, const SyncOptions& options,
                 const RunContext& context);

} // namespace zelvant
