#include "engine/SyncRules.h"

namespace zelvant {

namespace {

using S = SyncSituation;
using A = SyncAction;

// Calendar changes win over plan changes; nothing is decided on what could not be read, and two
// tasks that claim the same appointments would overwrite each other's work, so both wait until
// the user unlinks one of them.
const std::vector<SyncRule> kRules = {
    {"ein Termin oder der Vorgang ist nicht lesbar", [](const S& s) { return s.unreadable; }, A::Leave},
    {"dieselbe Verkn\u00FCpfung steht an mehreren Vorg\u00E4ngen", [](const S& s) { return s.keyShared; },
     A::Leave},
    {"mehr als 1000 Teile", [](const S& s) { return s.tooManyParts; }, A::Leave},
    {"alle Termine im Kalender gel\u00F6scht",
     [](const S& s) { return s.appointments == 0 && !s.recreateDeleted; }, A::Unlink},
    {"alle Termine im Kalender gel\u00F6scht, neu angelegt",
     [](const S& s) { return s.appointments == 0 && s.recreateDeleted; }, A::Recreate},
    {"im Kalender verschoben, gel\u00F6scht oder hinzugef\u00FCgt",
     [](const S& s) { return s.calendarChanged; }, A::CalendarWins},
    {"im Kalender unver\u00E4ndert", [](const S&) { return true; }, A::PlanWins},
};

} // namespace

const std::vector<SyncRule>& syncRules()
{
    return kRules;
}

const SyncRule& decide(const SyncSituation& situation)
{
    for (const SyncRule& rule : kRules)
        if (rule.applies(situation))
            return rule;
    return kRules.back();
}

} // namespace zelvant
