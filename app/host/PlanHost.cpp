#include "app/host/PlanHost.h"

namespace zelvant {

PlanHost::PlanHost() = default;

PlanHost::~PlanHost() = default;

Project& PlanHost::activeProject()
{
    return current().activeProject();
}

std::vector<Task*> PlanHost::activeSelectionTasks()
{
    return current().activeSelectionTasks();
}

void PlanHost::setHostSwitch(bool on)
{
    hostSwitch_ = on;
    if (switchListener_)
        switchListener_(on);
}

void PlanHost::fileSave()
{
    struct Tell {
        const std::function<void()>& listener;
        ~Tell()
        {
            if (listener)
                listener();
        }
    } tell{saveListener_};
    if (saveGuard_ && !saveGuard_())
        return;
    current().fileSave();
}

Minutes PlanHost::dateDifference(DateTime start, DateTime finish, const std::string& calendar)
{
    return current().dateDifference(start, finish, calendar);
}

void PlanHost::openFile(const std::filesystem::path& path)
{
    std::unique_ptr<ProjectFile> file = ProjectFile::load(path); // the old plan stays when this throws
    closePlan();
    file_ = std::move(file);
}

void PlanHost::newPlan(const std::string& name, DateTime start)
{
    closePlan();
    unsavedPlan_ = std::make_unique<MemoryProjectApplication>(std::make_unique<MemoryProject>(name, start));
    ProjectFile::refuseSavingWithoutFile(*unsavedPlan_);
}

void PlanHost::closePlan()
{
    file_.reset();
    unsavedPlan_.reset();
}

MemoryProject* PlanHost::project()
{
    return current().project();
}

std::optional<std::filesystem::path> PlanHost::file() const
{
    if (file_)
        return file_->path();
    return std::nullopt;
}

void PlanHost::select(std::vector<int> ids)
{
    current().select(std::move(ids));
}

MemoryProjectApplication& PlanHost::current()
{
    if (file_)
        return file_->application();
    if (unsavedPlan_)
        return *unsavedPlan_;
    return none_;
}

} // namespace zelvant
