#pragma once

#include "hosts/project/MemoryProject.h"

#include <algorithm>
#include <climits>
#include <set>

namespace zelvant {

// The project model of a plan file. A new task takes a unique ID that the file has free: the one
// after the highest, or, when that would not fit in the file's 32-bit numbers, the lowest free
// one. Rows of the file that are no task of the model (blank rows, the project summary) keep
// theirs.
class PlanProject : public MemoryProject {
public:
    using MemoryProject::addTask;
    using MemoryProject::MemoryProject;

    MemoryTask& addTask() override;

    // Notes a unique ID the file uses: by a task of the model, or, when `row` is set, by a row
    // that no task of the model holds.
    void noteUid(int uid, bool row);

private:
    std::set<int> rowUids_;
    int highest_ = 0;
};

// The number after `last` when it fits, else the lowest positive one for which `taken` is false;
// 0 when every positive number is taken.
template <class Taken> int freeNumber(int last, Taken taken)
{
    for (long long candidate = std::max(last, 0) + 1LL; candidate <= INT_MAX; ++candidate)
        if (!taken(int(candidate)))
            return int(candidate);
    for (int candidate = 1; candidate < std::max(last, 1); ++candidate)
        if (!taken(candidate))
            return candidate;
    return 0;
}

} // namespace zelvant
