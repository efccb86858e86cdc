#pragma once

// Writes what a run changed in the project model back into the tree of the loaded plan file.
// Only the elements of a changed value are touched, and each edit is recorded in the tree's
// XmlChanges; a task the run did not change, and every element the model knows nothing of, stay
// exactly as they were read. A value the file writes differently but means the same by (a date,
// a duration) is left as the file wrote it.

#include "hosts/project/MemoryProject.h"
#include "hosts/projectfile/PlanIndex.h"
#include "hosts/projectfile/TaskState.h"
#include "hosts/projectfile/XmlEdit.h"

#include <pugixml.hpp>

#include <set>
#include <string>
#include <vector>

namespace zelvant {

class ProjectWriter {
public:
    // A writer of `project` into the file behind `index`, comparing the custom fields in `fieldIds`
    // and recording its edits in `changes`.
    ProjectWriter(MemoryProject& project, PlanIndex& index, const std::vector<int>& fieldIds,
                  XmlChanges& changes);

    // Writes the values of `task` that differ from `before` (its state when last read or written;
    // nullptr for a task new to the file) and returns the task's state now.
    TaskState writeTask(MemoryTask& task, const TaskState* before);
    // Writes the project's free text.
    void writeProjectText(const std::string& text);

private:
    pugi::xml_node taskNode(const MemoryTask& task);
    void writeSchedule(pugi::xml_node node, const TaskState& now, const TaskState* before);
    void writeConstraint(pugi::xml_node node, const TaskState& now);
    void writeFields(pugi::xml_node node, const TaskState& now, const TaskState* before);
    void writeField(pugi::xml_node node, int fieldId, const std::string& value);
    void defineField(int fieldId);
    void writeAssignments(MemoryTask& task, const TaskState& now, bool newTask);
    pugi::xml_node addAssignment(const MemoryTask& task);
    void writeTimephasedWork(pugi::xml_node assignment, const MemoryTask& task, const TaskState& now);
    void setDate(pugi::xml_node node, const char* name, DateTime value, const ElementOrder& order);
    void setDuration(pugi::xml_node node, const char* name, std::chrono::seconds value,
                     const ElementOrder* order);
    int newTaskId(const MemoryTask& task);
    int nextNumber(int& last, int wanted, std::set<int>& used, const char* noneLeft);
    int newAssignmentUid();
    void gatherNumbers();

    MemoryProject& project_;
    PlanIndex& index_;
    const std::vector<int>& fieldIds_;
    XmlEdit edit_;
};

} // namespace zelvant
