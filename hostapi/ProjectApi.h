#pragma once

// The plan side as the engine sees it: the host application, its active project, the
// project's tasks and their split parts. Every call may throw HostError.

#include "hostapi/DateTime.h"

#include <string>
#include <vector>

namespace zelvant {

// Scheduling values the engine writes (the numbering of the plan's own file format).
enum class ConstraintType : int {
    AsSoonAsPossible = 0,
    AsLateAsPossible = 1,
    MustStartOn = 2,
    MustFinishOn = 3,
    StartNoEarlierThan = 4,
    StartNoLaterThan = 5,
    FinishNoEarlierThan = 6,
    FinishNoLaterThan = 7,
};

enum class TaskType : int { FixedUnits = 0, FixedDuration = 1, FixedWork = 2 };

// The name a task reports when it has no calendar of its own.
inline constexpr const char* kNoTaskCalendar = "Ohne";

// One stretch of work of a task; an unsplit task has exactly one.
struct SplitPart {
    DateTime start;
    DateTime finish;
    bool operator==(const SplitPart&) const = default;
};

class Task {
public:
    virtual ~Task() = default;

    virtual int id() const = 0;       // the row number shown in the plan
    virtual int uniqueId() const = 0; // stable across moves and renumbering

    virtual std::string name() const = 0;
    virtual void setName(const std::string& name) = 0;

    virtual DateTime start() const = 0;
    virtual void setStart(DateTime start) = 0;
    virtual DateTime finish() const = 0;
    virtual void setFinish(DateTime finish) = 0;

    // Working time of the task, split gaps excluded.
    virtual Minutes duration() const = 0;
    virtual void setDuration(Minutes duration) = 0;

    virtual ConstraintType constraintType() const = 0;
    virtual void setConstraintType(ConstraintType type) = 0;
    virtual DateTime constraintDate() const = 0;
    virtual void setConstraintDate(DateTime date) = 0;

    virtual TaskType type() const = 0;
    virtual void setType(TaskType type) = 0;

    // The task's own calendar, or kNoTaskCalendar.
    virtual std::string calendarName() const = 0;
    virtual bool isSummary() const = 0;
    // Names of the assigned resources joined by ";", as the plan shows them.
    virtual std::string resourceNames() const = 0;

    // Split parts, addressed from 1. A milestone and a summary task have none.
    virtual int splitPartCount() const = 0;
    virtual SplitPart splitPart(int index) const = 0;
    // Adds working time from start to finish; overlapping parts merge.
    virtual void addSplitPart(DateTime start, DateTime finish) = 0;
    // Removes a part; the parts after it move down by one.
    virtual void deleteSplitPart(int index) = 0;

    // Custom fields by the plan's field identifier (see GetFieldId); an unset field reads "".
    virtual std::string getField(int fieldId) const = 0;
    virtual void setField(int fieldId, const std::string& value) = 0;
};

class Project {
public:
    virtual ~Project() = default;

    // The project's name; reading it proves that a project is open.
    virtual std::string name() const = 0;

    // Tasks in plan order; blank rows are not tasks.
    virtual std::vector<Task*> tasks() = 0;
    virtual int taskCount() const = 0;
    // The task with this row number; throws HostError when there is none.
    virtual Task& taskById(int id) = 0;
    // Appends an unnamed task at the end of the plan.
    virtual Task& addTask() = 0;
    // Takes back the task addTask appended last, when it could not be made what it was meant to
    // be; throws HostError for any other task.
    virtual void removeAddedTask(Task& task) = 0;

    // A free text of the project, read and written back by the entry commands.
    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;

    // True when the project has no unsaved changes.
    virtual bool saved() const = 0;

    // Name of the project's base calendar, as DateDifference takes it.
    virtual std::string baseCalendar() const = 0;
};

class ProjectApplication {
public:
    virtual ~ProjectApplication() = default;

    // The open project; throws HostError when none is open.
    virtual Project& activeProject() = 0;
    // The tasks of the user's current selection; throws HostError when it cannot be read.
    virtual std::vector<Task*> activeSelectionTasks() = 0;
    // The host switch: turns the host's screen refreshing and events off and on, in pairs.
    virtual void setHostSwitch(bool on) = 0;
    // Saves the active project; afterwards the caller reads Project::saved().
    virtual void fileSave() = 0;
    // Working minutes between two moments on the named calendar of the active project.
    virtual Minutes dateDifference(DateTime start, DateTime finish, const std::string& calendar) = 0;
};

} // namespace zelvant
