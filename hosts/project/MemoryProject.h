#pragma once

#include "hostapi/ProjectApi.h"
#include "hosts/common/FaultInjector.h"
#include "hosts/project/MemoryTask.h"
#include "hosts/project/WorkCalendar.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zelvant {

// A plan held in memory: calendars, and rows of tasks numbered from 1 in plan order, where a
// blank row takes a number but holds no task. Starts with the "Standard" calendar as its base
// calendar and counts as unsaved until markSaved(). New tasks go to the top outline level.
// Interface members report injected failures as "Name", "Tasks", "TaskCount", "TaskById",
// "AddTask", "Text", "SetText", "Saved" and "BaseCalendar".
class MemoryProject : public Project {
public:
    // An empty project whose new tasks start at `startDate`.
    MemoryProject(std::string name, DateTime startDate);

    std::string name() const override;
    std::vector<Task*> tasks() override;
    int taskCount() const override;
    MemoryTask& taskById(int id) override;
    MemoryTask& addTask() override;
    void removeAddedTask(Task& task) override;
    std::string text() const override;
    void setText(const std::string& text) override;
    bool saved() const override;
    std::string baseCalendar() const override;

    // Builder and test access ------------------------------------------------------------------

    // The failures a test wants this project's interface members to report.
    FaultInjector& faults() { return faults_; }

    // Renames the project.
    void setName(std::string name);
    // The moment new tasks start at.
    DateTime startDate() const { return startDate_; }
    // Sets the moment new tasks start at.
    void setStartDate(DateTime startDate);
    // The working minutes of one day, the length of a new task.
    int minutesPerDay() const { return minutesPerDay_; }
    // Sets the working minutes of one day (more than 0).
    void setMinutesPerDay(int minutes);

    // Adds a calendar, replacing one of the same name.
    void addCalendar(WorkCalendar calendar);
    // True when the project has a calendar of that name.
    bool hasCalendar(const std::string& name) const;
    // The calendar of that name; throws HostError when there is none.
    const WorkCalendar& calendar(const std::string& name) const;
    // Makes an existing calendar the base calendar.
    void setBaseCalendar(const std::string& name);

    // Appends a task with a chosen unique ID; throws HostError when the ID is taken or not positive.
    MemoryTask& addTask(int uniqueId);
    // Appends a blank row: it takes the next row number but holds no task.
    void addBlankRow();
    // Rows in the plan, blank ones included: the highest row number.
    int rowCount() const { return static_cast<int>(rows_.size()); }
    // The task with that unique ID, or nullptr.
    MemoryTask* taskByUniqueId(int uniqueId);

    // The tasks below `task` in the outline, in plan order.
    std::vector<const MemoryTask*> subtasksOf(const MemoryTask& task) const;
    // True when the task has subtasks, i.e. is a summary task.
    bool hasSubtasks(const MemoryTask& task) const;

    // Takes a task out of the plan; the rows after it move up by one. For tasks nothing outside
    // the model knows yet (one a run added and must take back).
    void removeTask(MemoryTask& task);

    // Records that the project has no unsaved changes.
    void markSaved() { saved_ = true; }
    // Records a change: the project now has unsaved changes.
    void touch() { saved_ = false; }

private:
    const MemoryTask* nextTaskAfter(int id) const;

    FaultInjector faults_;
    std::string name_;
    std::string text_;
    DateTime startDate_;
    int minutesPerDay_ = 480;
    bool saved_ = false;
    std::string baseCalendar_;
    std::map<std::string, WorkCalendar> calendars_;
    std::vector<std::unique_ptr<MemoryTask>> rows_; // index = row number - 1; nullptr = blank row
    std::map<int, MemoryTask*> byUniqueId_;
};

} // namespace zelvant
