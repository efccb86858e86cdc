#include "hosts/projectfile/PlanProject.h"

#include "hostapi/HostError.h"

namespace zelvant {

MemoryTask& PlanProject::addTask()
{
    faults().check("AddTask");
    const int uid = freeNumber(highest_, [this](int candidate) {
        return rowUids_.count(candidate) > 0 || taskByUniqueId(candidate) != nullptr;
    });
    if (uid == 0)
        throw HostError("Der Projektplan hat keine freie eindeutige Vorgangsnummer (UID) mehr.");
    noteUid(uid, false);
    return addTask(uid);
}

void PlanProject::noteUid(int uid, bool row)
{
    if (row)
        rowUids_.insert(uid);
    highest_ = std::max(highest_, uid);
}

} // namespace zelvant
