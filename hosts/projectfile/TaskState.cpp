#include "hosts/projectfile/TaskState.h"

namespace zelvant {

TaskState TaskState::of(const Task& task, const std::vector<int>& fieldIds)
{
    TaskState state;
    state.name = task.name();
    state.start = task.start();
    state.finish = task.finish();
    state.duration = task.duration();
    state.constraintType = task.constraintType();
    state.constraintDate = task.constraintDate();
    state.type = task.type();
    const int partCount = task.splitPartCount();
    for (int i = 1; i <= partCount; ++i)
        state.parts.push_back(task.splitPart(i));
    for (const int fieldId : fieldIds)
        if (std::string value = task.getField(fieldId); !value.empty())
            state.fields.emplace(fieldId, std::move(value));
    return state;
}

} // namespace zelvant
