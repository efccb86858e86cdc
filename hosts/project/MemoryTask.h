#pragma once

#include "hostapi/ProjectApi.h"
#include "hosts/common/FaultInjector.h"

#include <map>
#include <string>
#include <vector>

namespace zelvant {

class MemoryProject;
class WorkCalendar;

// A task of a MemoryProject. Scheduling writes reschedule the task on its calendar the way the
// plan does for a task without links: only a must-start-on constraint (or a typed start) moves it,
// other constraint types are kept but do not move it. A summary task takes its dates from its
// subtasks and refuses scheduling writes. The builder members (below the interface) store values
// as given, so a loader can reproduce a saved plan exactly.
// Interface members report injected failures under the plan's member names ("SetStart", ...).
class MemoryTask : public Task {
public:
    // A new task of `project`: ASAP, fixed units, one working day long at the project's start,
    // with the project's start as its constraint date.
    MemoryTask(MemoryProject& project, int id, int uniqueId);

    int id() const override { return id_; }
    int uniqueId() const override { return uniqueId_; }

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

    // Builder and test access ------------------------------------------------------------------

    // The failures a test wants this task's interface members to report.
    FaultInjector& faults() { return faults_; }

    // The task's level in the outline: 1 at the top; a task followed by deeper ones is a summary.
    int outlineLevel() const { return outlineLevel_; }
    // Sets the outline level (1 or more).
    void setOutlineLevel(int level);
    // Gives the task a calendar of the project ("" = none, the base calendar applies).
    void setCalendar(const std::string& calendarName);
    // Sets the resource names as the plan shows them, joined by ";".
    void setResourceNames(std::string names);
    // Stores a schedule as a file holds it; one part [start, finish], none for duration 0.
    void assignSchedule(DateTime start, DateTime finish, Minutes duration);
    // Stores a constraint without moving the task.
    void assignConstraint(ConstraintType type, DateTime date);
    // Sets the split parts; start and finish follow them, the duration is their working time.
    void assignSplitParts(std::vector<SplitPart> parts);
    // The calendar the task is scheduled on: its own, else the project's base calendar.
    const WorkCalendar& workCalendar() const;

private:
    friend class MemoryProject; // renumbers the rows after one it removes

    // The working time of each part and the working time between neighbouring parts.
    struct Layout {
        std::vector<Minutes> work;
        std::vector<Minutes> gaps;
    };

    bool summary() const;
    SplitPart summarySpan() const;
    void requireLeaf(const char* what) const;
    Layout layout() const;
    void applyLayout(DateTime anchor, const Layout& layout);
    void moveTo(DateTime anchor);
    void changeDuration(Minutes duration);
    void mergeParts();
    void followParts();
    void touch();

    MemoryProject& project_;
    FaultInjector faults_;
    int id_;
    int uniqueId_;
    int outlineLevel_ = 1;
    std::string name_;
    DateTime start_;
    DateTime finish_;
    Minutes duration_{0};
    ConstraintType constraintType_ = ConstraintType::AsSoonAsPossible;
    DateTime constraintDate_;
    TaskType type_ = TaskType::FixedUnits;
    std::string calendar_;
    std::string resourceNames_;
    std::vector<SplitPart> parts_; // sorted, separated by working time; empty for a milestone
    std::map<int, std::string> fields_;
};

} // namespace zelvant
