#include "hosts/project/MemoryProjectApplication.h"

#include "hostapi/HostError.h"

namespace zelvant {

MemoryProjectApplication::MemoryProjectApplication(std::unique_ptr<MemoryProject> project)
    : project_(std::move(project))
{
}

MemoryProject& MemoryProjectApplication::activeProject()
{
    faults_.check("ActiveProject");
    if (!project_)
        throw HostError("Es ist kein Projekt ge\u00F6ffnet.");
    return *project_;
}

std::vector<Task*> MemoryProjectApplication::activeSelectionTasks()
{
    faults_.check("ActiveSelection");
    if (!project_)
        throw HostError("Es ist kein Projekt ge\u00F6ffnet.");
    std::vector<Task*> tasks;
    for (const int id : selection_)
        tasks.push_back(&project_->taskById(id));
    return tasks;
}

void MemoryProjectApplication::setHostSwitch(bool on)
{
    faults_.check("HostSwitch");
    hostSwitch_ = on;
    ++hostSwitchCalls_;
}

void MemoryProjectApplication::fileSave()
{
    faults_.check("FileSave");
    if (!project_)
        throw HostError("Es ist kein Projekt ge\u00F6ffnet.");
    save_(*project_);
}

Minutes MemoryProjectApplication::dateDifference(DateTime start, DateTime finish, const std::string& calendar)
{
    faults_.check("DateDifference");
    if (!project_)
        throw HostError("Es ist kein Projekt ge\u00F6ffnet.");
    return project_->calendar(calendar).workingTimeBetween(start, finish);
}

void MemoryProjectApplication::open(std::unique_ptr<MemoryProject> project)
{
    project_ = std::move(project);
    selection_.clear();
}

std::unique_ptr<MemoryProject> MemoryProjectApplication::close()
{
    selection_.clear();
    return std::move(project_);
}

} // namespace zelvant
