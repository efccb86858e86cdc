#pragma once

#include "hostapi/ProjectApi.h"
#include "hosts/project/MemoryProjectApplication.h"
#include "hosts/projectfile/ProjectFile.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zelvant {

// The plan application of the host shell: the plan open in the window (read from a plan file,
// new without a file, or none), the table rows the user selected, and the host switch, which the
// window follows by turning the table's refreshing off and on.
class PlanHost : public ProjectApplication {
public:
    // A host with no plan open.
    PlanHost();
    ~PlanHost() override;

    Project& activeProject() override;
    std::vector<Task*> activeSelectionTasks() override;
    void setHostSwitch(bool on) override;
    void fileSave() override;
    Minutes dateDifference(DateTime start, DateTime finish, const std::string& calendar) override;

    // Opens the plan file at `path` in place of the current plan; throws as ProjectFile::load.
    void openFile(const std::filesystem::path& path);
    // Opens a new, empty plan without a file: saving it fails and leaves it unsaved.
    void newPlan(const std::string& name, DateTime start);
    // Closes the plan; the host then has none.
    void closePlan();

    // The open plan, or nullptr.
    MemoryProject* project();
    // The plan's file; nothing for a new plan or none.
    std::optional<std::filesystem::path> file() const;
    // Makes the tasks with these row numbers the active selection.
    void select(std::vector<int> ids);
    // The last state the host switch was set to (on at start).
    bool hostSwitch() const { return hostSwitch_; }
    // Called with every new state of the host switch.
    void setSwitchListener(std::function<void(bool)> listener) { switchListener_ = std::move(listener); }
    // Asked at every fileSave() before anything is written; false: the plan is not saved.
    void setSaveGuard(std::function<bool()> guard) { saveGuard_ = std::move(guard); }
    // Called after every fileSave(), whether it wrote, found nothing to write or failed.
    void setSaveListener(std::function<void()> listener) { saveListener_ = std::move(listener); }

private:
    MemoryProjectApplication& current();

    std::unique_ptr<ProjectFile> file_;
    std::unique_ptr<MemoryProjectApplication> unsavedPlan_;
    MemoryProjectApplication none_;
    bool hostSwitch_ = true;
    std::function<void(bool)> switchListener_;
    std::function<void()> saveListener_;
    std::function<bool()> saveGuard_;
};

} // namespace zelvant
