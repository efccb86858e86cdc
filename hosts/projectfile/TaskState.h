#pragma once

#include "hostapi/ProjectApi.h"

#include <map>
#include <string>
#include <vector>

namespace zelvant {

// The values of a task that a save can write, taken when the file was read or last written,
// so that a save touches only the tasks and values a run changed.
struct TaskState {
    std::string name;
    DateTime start;
    DateTime finish;
    Minutes duration{0};
    ConstraintType constraintType = ConstraintType::AsSoonAsPossible;
    DateTime constraintDate;
    TaskType type = TaskType::FixedUnits;
    std::vector<SplitPart> parts;
    std::map<int, std::string> fields; // only fields with a value

    // The state of `task`, with the custom fields among `fieldIds` that hold a value.
    static TaskState of(const Task& task, const std::vector<int>& fieldIds);

    // True when start, finish and duration are the same.
    bool sameSchedule(const TaskState& other) const
    {
        return start == other.start && finish == other.finish && duration == other.duration;
    }

    bool operator==(const TaskState&) const = default;
};

} // namespace zelvant
