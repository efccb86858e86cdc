#pragma once

#include "hostapi/ProjectApi.h"
#include "hosts/common/FaultInjector.h"
#include "hosts/project/MemoryProject.h"

#include <functional>
#include <memory>
#include <vector>

namespace zelvant {

// The plan application over a MemoryProject. Saving goes through an exchangeable save function
// so that a project backed by a file can write it, and one without a file can stay unsaved.
class MemoryProjectApplication : public ProjectApplication {
public:
    using SaveFunction = std::function<void(MemoryProject&)>;

    // An application with no project open.
    MemoryProjectApplication() = default;
    // An application with `project` open.
    explicit MemoryProjectApplication(std::unique_ptr<MemoryProject> project);

    MemoryProject& activeProject() override;
    std::vector<Task*> activeSelectionTasks() override;
    void setHostSwitch(bool on) override;
    void fileSave() override;
    Minutes dateDifference(DateTime start, DateTime finish, const std::string& calendar) override;

    // Builder and test access ------------------------------------------------------------------

    // The failures a test wants the application's members to report.
    FaultInjector& faults() { return faults_; }
    // The open project, or nullptr.
    MemoryProject* project() { return project_.get(); }
    // Opens a project in place of the current one.
    void open(std::unique_ptr<MemoryProject> project);
    // Closes the open project and hands it back.
    std::unique_ptr<MemoryProject> close();

    // Selects the tasks with these row numbers; they are looked up when the selection is read.
    void select(std::vector<int> ids) { selection_ = std::move(ids); }
    // The last state the host switch was set to (on at start).
    bool hostSwitch() const { return hostSwitch_; }
    // How often the host switch was set.
    int hostSwitchCalls() const { return hostSwitchCalls_; }
    // Replaces what fileSave() does; by default it marks the project saved.
    void setSaveFunction(SaveFunction save) { save_ = std::move(save); }

private:
    FaultInjector faults_;
    std::unique_ptr<MemoryProject> project_;
    std::vector<int> selection_;
    bool hostSwitch_ = true;
    int hostSwitchCalls_ = 0;
    SaveFunction save_ = [](MemoryProject& project) { project.markSaved(); };
};

} // namespace zelvant
