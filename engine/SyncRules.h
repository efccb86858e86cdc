#pragma once

// What a synchronisation does with a linked task, as a table: each row a situation on the two
// sides and the action it leads to. The first row that fits decides. Everything else in the
// synchronisation reads the two sides, builds the changes an action stands for and applies
// them; what to do is decided here and nowhere else.

#include <vector>

namespace zelvant {

// What the two sides say about one linked task, read before anything is written.
struct SyncSituation {
    bool unreadable = false;      // the task or one of its appointments could not be read
    bool keyShared = false;       // another task of the plan carries the same link key
    bool tooManyParts = false;    // more parts or appointments than a link value can number
    int appointments = 0;         // appointments that carry the task's key
    bool calendarChanged = false; // one of them moved, deleted or added in the calendar
    bool recreateDeleted = false; // the run's choice for tasks whose appointments are all gone
};

enum class SyncAction {
    Leave,        // nothing is written; the situation is reported as a step not done
    Unlink,       // the task loses its link
    Recreate,     // the task gets new appointments, one per part
    CalendarWins, // the task takes its dates and parts from its appointments
    PlanWins,     // the appointments take the task's parts: rewritten, created or deleted
};

struct SyncRule {
    const char* situation; // German, as the report names it
    bool (*applies)(const SyncSituation&);
    SyncAction action;
};

// The whole table, in the order it is read.
const std::vector<SyncRule>& syncRules();

// The first row of the table that fits.
const SyncRule& decide(const SyncSituation& situation);

} // namespace zelvant
