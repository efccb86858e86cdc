#include "hosts/projectfile/ProjectWriter.h"

#include "hostapi/HostError.h"
#include "hosts/projectfile/MspdiValues.h"
#include "hosts/projectfile/PlanProject.h"
#include "hosts/projectfile/TextFields.h"
#include "hosts/projectfile/TimephasedWork.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string_view>

namespace zelvant {

using namespace std::chrono;

namespace {

constexpr const char* kNoResource = "-65535";
// An assignment whose work follows its timephased data, which is how the plan keeps splits.
constexpr const char* kContouredWork = "8";
// Duration format of a new task: days, as the plan shows a task it creates.
constexpr const char* kDurationInDays = "7";
// Timephased data of remaining work, in hours.
constexpr const char* kRemainingWork = "1";
constexpr const char* kHours = "2";
// Units beyond this are no resource's: the work written for them would be meaningless.
constexpr double kMostUnits = 1e6;

std::string number(long long value)
{
    return std::to_string(value);
}

std::string_view text(pugi::xml_node parent, const char* name)
{
    return parent.child_value(name);
}

bool isZeroDuration(std::string_view value)
{
    const auto parsed = mspdi::parseDuration(value);
    return !parsed || *parsed == seconds{0};
}

pugi::xml_node fieldValueNode(pugi::xml_node task, int fieldId)
{
    for (pugi::xml_node field : task.children("ExtendedAttribute"))
        if (mspdi::parseInteger(field.child_value("FieldID")) == fieldId)
            return field;
    return {};
}

// The position of a top-level task among the top-level rows, as the plan numbers its outline.
std::string outlineNumber(MemoryProject& project, const MemoryTask& task)
{
    int number = 0;
    for (Task* row : project.tasks())
        if (project.taskById(row->id()).outlineLevel() == 1 && row->id() <= task.id())
            ++number;
    return std::to_string(number);
}

std::vector<pugi::xml_node> remainingWorkOf(pugi::xml_node assignment)
{
    std::vector<pugi::xml_node> data;
    for (pugi::xml_node period : assignment.children("TimephasedData"))
        if (text(period, "Type") == kRemainingWork)
            data.push_back(period);
    return data;
}

} // namespace

ProjectWriter::ProjectWriter(MemoryProject& project, PlanIndex& index, const std::vector<int>& fieldIds,
                             XmlChanges& changes)
    : project_(project), index_(index), fieldIds_(fieldIds), edit_(changes)
{
}

TaskState ProjectWriter::writeTask(MemoryTask& task, const TaskState* before)
{
    TaskState now = TaskState::of(task, fieldIds_);
    if (before && now == *before)
        return now;
    const bool newTask = !index_.tasks.count(task.uniqueId());
    pugi::xml_node node = taskNode(task);
    if (!before || now.name != before->name)
        edit_.setText(node, "Name", now.name, ElementOrder::task());
    if (!before || !now.sameSchedule(*before))
        writeSchedule(node, now, before);
    if (!before || now.constraintType != before->constraintType ||
        now.constraintDate != before->constraintDate)
        writeConstraint(node, now);
    if (!before || now.type != before->type)
        edit_.setText(node, "Type", number(int(now.type)), ElementOrder::task());
    if (!before || now.parts != before->parts || !now.sameSchedule(*before))
        writeAssignments(task, now, newTask);
    writeFields(node, now, before);
    return now;
}

void ProjectWriter::writeProjectText(const std::string& text)
{
    edit_.setText(index_.root, "Title", text, ElementOrder::project());
}

void ProjectWriter::setDate(pugi::xml_node node, const char* name, DateTime value, const ElementOrder& order)
{
    if (mspdi::parseDateTime(node.child_value(name)) == value)
        return; // the file's own way of writing the same moment stays
    edit_.setText(node, name, mspdi::formatDateTime(value), order);
}

void ProjectWriter::setDuration(pugi::xml_node node, const char* name, seconds value,
                                const ElementOrder* order)
{
    if (!order && !node.child(name))
        return;
    if (node.child(name) && mspdi::parseDuration(node.child_value(name)) == value)
        return; // "PT8H" stays "PT8H"
    const std::string formatted = mspdi::formatDuration(value);
    if (order)
        edit_.setText(node, name, formatted, *order);
    else
        edit_.setTextIfPresent(node, name, formatted);
}

void ProjectWriter::gatherNumbers()
{
    if (index_.numbersGathered)
        return;
    for (pugi::xml_node task : index_.root.child("Tasks").children("Task"))
        if (const auto id = mspdi::parseInteger(task.child_value("ID")))
            index_.taskIds.insert(int(*id));
    for (pugi::xml_node assignment : index_.root.child("Assignments").children("Assignment"))
        if (const auto uid = mspdi::parseInteger(assignment.child_value("UID")))
            index_.assignmentUids.insert(int(*uid));
    index_.numbersGathered = true;
}

// The number after `last` (and at least `wanted`) when it fits; only a file whose last number
// leaves no room above it makes the new one take the lowest free number of `used`.
int ProjectWriter::nextNumber(int& last, int wanted, std::set<int>& used, const char* noneLeft)
{
    int number = 0;
    if (last < INT_MAX) {
        number = std::max({last + 1, wanted, 1});
    } else {
        gatherNumbers();
        number = freeNumber(last, [&used](int candidate) { return used.count(candidate) > 0; });
        if (number == 0)
            throw HostError(noneLeft);
    }
    last = std::max(last, number);
    if (index_.numbersGathered)
        used.insert(number);
    return number;
}

int ProjectWriter::newTaskId(const MemoryTask& task)
{
    // A new row goes after the last one.
    return nextNumber(index_.lastTaskId, task.id(), index_.taskIds,
                      "Der Projektplan hat keine freie Vorgangsnummer mehr.");
}

int ProjectWriter::newAssignmentUid()
{
    return nextNumber(index_.lastAssignmentUid, 1, index_.assignmentUids,
                      "Der Projektplan hat keine freie eindeutige Zuordnungsnummer (UID) mehr.");
}

pugi::xml_node ProjectWriter::taskNode(const MemoryTask& task)
{
    if (const auto found = index_.tasks.find(task.uniqueId()); found != index_.tasks.end())
        return found->second;
    // A task new to the file: appended as the last row, under its own unique ID when the file
    // has no row with it (a blank row may hold it), else under the next free one.
    int uid = task.uniqueId();
    if (index_.rowUids.count(uid)) {
        uid = freeNumber(index_.lastTaskUid, [this](int candidate) {
            return index_.rowUids.count(candidate) > 0 || index_.tasks.count(candidate) > 0 ||
                   project_.taskByUniqueId(candidate) != nullptr;
        });
        if (uid == 0)
            throw HostError("Der Projektplan hat keine freie eindeutige Vorgangsnummer (UID) mehr.");
        index_.rowUids.insert(uid); // no task of the model holds it
    }
    index_.lastTaskUid = std::max(index_.lastTaskUid, uid);
    const int id = newTaskId(task);
    pugi::xml_node tasks = edit_.child(index_.root, "Tasks", ElementOrder::project());
    pugi::xml_node node = edit_.insert(tasks, "Task", ElementOrder{"Task"});
    edit_.appendText(node, "UID", number(uid));
    edit_.appendText(node, "ID", number(id));
    edit_.appendText(node, "IsNull", "0");
    if (task.outlineLevel() == 1) {
        const std::string outline = outlineNumber(project_, task);
        edit_.appendText(node, "WBS", outline);
        edit_.appendText(node, "OutlineNumber", outline);
    }
    edit_.appendText(node, "OutlineLevel", number(task.outlineLevel()));
    edit_.appendText(node, "DurationFormat", kDurationInDays);
    edit_.appendText(node, "Summary", "0");
    const auto calendar = index_.calendarUids.find(task.calendarName());
    edit_.appendText(node, "CalendarUID",
                     calendar == index_.calendarUids.end() ? "-1" : number(calendar->second));
    index_.tasks.emplace(task.uniqueId(), node);
    return node;
}

void ProjectWriter::writeSchedule(pugi::xml_node node, const TaskState& now, const TaskState* before)
{
    const seconds duration = now.duration;
    setDate(node, "Start", now.start, ElementOrder::task());
    setDate(node, "Finish", now.finish, ElementOrder::task());
    setDuration(node, "Duration", duration, &ElementOrder::task());
    // A manually scheduled task keeps its own copy of the dates the plan shows.
    if (node.child("ManualStart"))
        setDate(node, "ManualStart", now.start, ElementOrder::task());
    if (node.child("ManualFinish"))
        setDate(node, "ManualFinish", now.finish, ElementOrder::task());
    setDuration(node, "ManualDuration", duration, nullptr);
    // Nothing done yet: what remains is the whole duration.
    if (isZeroDuration(text(node, "ActualDuration")))
        setDuration(node, "RemainingDuration", duration, nullptr);
    const bool milestone = now.duration == Minutes{0};
    if (!before || milestone != (before->duration == Minutes{0}))
        edit_.setText(node, "Milestone", milestone ? "1" : "0", ElementOrder::task());
}

void ProjectWriter::writeConstraint(pugi::xml_node node, const TaskState& now)
{
    edit_.setText(node, "ConstraintType", number(int(now.constraintType)), ElementOrder::task());
    // As soon and as late as possible need no date; the others do.
    const bool needsDate = now.constraintType != ConstraintType::AsSoonAsPossible &&
                           now.constraintType != ConstraintType::AsLateAsPossible;
    if (needsDate || node.child("ConstraintDate"))
        setDate(node, "ConstraintDate", now.constraintDate, ElementOrder::task());
}

void ProjectWriter::writeFields(pugi::xml_node node, const TaskState& now, const TaskState* before)
{
    static const std::map<int, std::string> none;
    const std::map<int, std::string>& old = before ? before->fields : none;
    for (const auto& [fieldId, value] : now.fields) {
        const auto was = old.find(fieldId);
        if (was == old.end() || was->second != value)
            writeField(node, fieldId, value);
    }
    for (const auto& [fieldId, value] : old)
        if (!now.fields.count(fieldId))
            writeField(node, fieldId, "");
}

void ProjectWriter::writeField(pugi::xml_node node, int fieldId, const std::string& value)
{
    pugi::xml_node field = fieldValueNode(node, fieldId);
    // The plan writes a task's custom field only while it has a value.
    if (value.empty()) {
        if (field)
            edit_.remove(node, field);
        return;
    }
    if (!field) {
        field = edit_.insert(node, "ExtendedAttribute", ElementOrder::task());
        edit_.appendText(field, "FieldID", number(fieldId));
    }
    if (!edit_.setTextIfPresent(field, "Value", value))
        edit_.setValue(edit_.insertAfter(field, field.child("FieldID"), "Value"), value);
    defineField(fieldId);
}

void ProjectWriter::defineField(int fieldId)
{
    if (index_.definedFields.count(fieldId))
        return;
    // The plan shows a custom field's values only when the project defines the field.
    pugi::xml_node definitions = edit_.child(index_.root, "ExtendedAttributes", ElementOrder::project());
    pugi::xml_node definition =
        edit_.insert(definitions, "ExtendedAttribute", ElementOrder{"ExtendedAttribute"});
    edit_.appendText(definition, "FieldID", number(fieldId));
    if (const std::string name = TextFields::name(fieldId); !name.empty())
        edit_.appendText(definition, "FieldName", name);
    index_.definedFields.insert(fieldId);
}

void ProjectWriter::writeAssignments(MemoryTask& task, const TaskState& now, bool newTask)
{
    std::vector<pugi::xml_node>& assignments = index_.assignments[task.uniqueId()];
    const bool split = now.parts.size() > 1;
    // Every task has an assignment, with no resource if need be; it carries the split parts.
    if (assignments.empty() && (split || newTask))
        assignments.push_back(addAssignment(task));
    for (pugi::xml_node assignment : assignments) {
        setDate(assignment, "Start", now.start, ElementOrder::assignment());
        setDate(assignment, "Finish", now.finish, ElementOrder::assignment());
        if (split || !remainingWorkOf(assignment).empty())
            writeTimephasedWork(assignment, task, now);
        if (split)
            edit_.setText(assignment, "WorkContour", kContouredWork, ElementOrder::assignment());
    }
}

pugi::xml_node ProjectWriter::addAssignment(const MemoryTask& task)
{
    pugi::xml_node assignments = edit_.child(index_.root, "Assignments", ElementOrder::project());
    pugi::xml_node node = edit_.insert(assignments, "Assignment", ElementOrder{"Assignment"});
    edit_.appendText(node, "UID", number(newAssignmentUid()));
    edit_.appendText(node, "TaskUID", index_.tasks.at(task.uniqueId()).child_value("UID"));
    edit_.appendText(node, "ResourceUID", kNoResource);
    edit_.appendText(node, "Units", "1");
    edit_.appendText(node, "Work", mspdi::formatDuration(seconds{0}));
    edit_.appendText(node, "WorkContour", "0");
    return node;
}

void ProjectWriter::writeTimephasedWork(pugi::xml_node assignment, const MemoryTask& task,
                                        const TaskState& now)
{
    const auto units = mspdi::parseNumber(assignment.child_value("Units"));
    const double pace = units && std::isfinite(*units) && *units > 0 && *units <= kMostUnits ? *units : 1.0;
    // A resource works within the task's parts on its own calendar.
    const auto resource = mspdi::parseInteger(assignment.child_value("ResourceUID"));
    const auto resourceCalendar = resource && *resource >= INT_MIN && *resource <= INT_MAX
                                      ? index_.resourceCalendars.find(int(*resource))
                                      : index_.resourceCalendars.end();
    const WorkCalendar& calendar =
        resourceCalendar == index_.resourceCalendars.end() ? task.workCalendar() : resourceCalendar->second;
    const std::string uid = assignment.child_value("UID");
    const std::vector<TimephasedPeriod> periods = TimephasedWork::periodsFor(now.parts, calendar, pace);

    // The remaining work is written anew; actual work already done stays as it was. Periods that
    // come out as they were keep their elements, so a rescheduled task changes only what moved.
    const std::vector<pugi::xml_node> existing = remainingWorkOf(assignment);
    pugi::xml_node last;
    for (pugi::xml_node data : assignment.children("TimephasedData"))
        last = data;
    const ElementOrder& order = ElementOrder::timephasedData();
    for (std::size_t i = 0; i < std::max(existing.size(), periods.size()); ++i) {
        if (i >= periods.size()) {
            edit_.remove(assignment, existing[i]);
            continue;
        }
        const TimephasedPeriod& period = periods[i];
        pugi::xml_node data = existing.size() > i ? existing[i] : pugi::xml_node();
        if (!data) {
            data = last ? edit_.insertAfter(assignment, last, "TimephasedData")
                        : edit_.insert(assignment, "TimephasedData", ElementOrder::assignment());
            last = data;
            edit_.appendText(data, "Type", kRemainingWork);
            edit_.appendText(data, "UID", uid);
            edit_.appendText(data, "Start", mspdi::formatDateTime(period.start));
            edit_.appendText(data, "Finish", mspdi::formatDateTime(period.finish));
            edit_.appendText(data, "Unit", kHours);
            edit_.appendText(data, "Value", mspdi::formatDuration(period.work));
            continue;
        }
        edit_.setText(data, "UID", uid, order);
        setDate(data, "Start", period.start, order);
        setDate(data, "Finish", period.finish, order);
        edit_.setText(data, "Unit", kHours, order);
        setDuration(data, "Value", period.work, &order);
    }
}

} // namespace zelvant
