#pragma once

// The plan host over its automation objects: the application the host hands the add-in, its
// active project, tasks and split parts, all called late-bound by member name.

#include "hostapi/ProjectApi.h"
#include "windows/com/Com.h"

#include <map>
#include <memory>

namespace zelvant {

class ComProject;

class ComTask : public Task {
public:
    explicit ComTask(Dispatch task) : task_(std::move(task)) {}

    int id() const override;
    int uniqueId() const override;
    std::string name() const override;
    void setName(const std::string& name) override;
    DateTime start() const override;
    void setStart(DateTime start) override;
    DateTime finish() const override;
    void setFinish(DateTime finish) override;
    Minutes duration() const override;
    void setDuration(Minutes duration) override;
    ConstraintType constraintType() const override;
    void setConstraintType(ConstraintType type) override;
    DateTime constraintDate() const override;
    void setConstraintDate(DateTime date) override;
    TaskType type() const override;
    void setType(TaskType type) override;
    std::string calendarName() const override;
    bool isSummary() const override;
    std::string resourceNames() const override;
    int splitPartCount() const override;
    SplitPart splitPart(int index) const override;
    void addSplitPart(DateTime start, DateTime finish) override;
    void deleteSplitPart(int index) override;
    std::string getField(int fieldId) const override;
    void setField(int fieldId, const std::string& value) override;

    const Dispatch& object() const { return task_; }

private:
    DateTime dateOf(const char* member) const;
    Dispatch task_;
};

class ComProject : public Project {
public:
    explicit ComProject(Dispatch project) : project_(std::move(project)) {}

    std::string name() const override;
    std::vector<Task*> tasks() override;
    int taskCount() const override;
    Task& taskById(int id) override;
    Task& addTask() override;
    void removeAddedTask(Task& task) override;
    std::string text() const override;
    void setText(const std::string& text) override;
    bool saved() const override;
    std::string baseCalendar() const override;

    // The adapter of a task object of this project; the same one every time for the same task.
    Task& adapterFor(Dispatch task);
    // True when this adapter stands for that project object.
    bool isObject(IDispatch* object) const { return sameObject(project_.get(), object); }

private:
    Dispatch project_;
    std::map<int, std::unique_ptr<ComTask>> tasks_; // by unique ID
    int lastAdded_ = 0;                             // unique ID of the task addTask appended last
};

class ComProjectApplication : public ProjectApplication {
public:
    explicit ComProjectApplication(Dispatch application) : application_(std::move(application)) {}

    Project& activeProject() override;
    std::vector<Task*> activeSelectionTasks() override;
    void setHostSwitch(bool on) override;
    void fileSave() override;
    Minutes dateDifference(DateTime start, DateTime finish, const std::string& calendar) override;

    const Dispatch& object() const { return application_; }

private:
    Dispatch application_;
    // Every project that was active, the current one last: the engine may still hold task
    // pointers of an earlier one.
    std::vector<std::unique_ptr<ComProject>> projects_;
};

} // namespace zelvant
