#include "hosts/projectfile/ProjectWriter.h"

#include "hosts/projectfile/MspdiValues.h"
#include "hosts/projectfile/TextFields.h"
#include "hosts/projectfile/TimephasedWork.h"
#include "hosts/projectfile/XmlEdit.h"

#include <algorithm>
#include <string_view>

namespace zelvant {

using namespace std::chrono;

namespace {

constexpr const char* kNoResource = "-65535";
// An assignment whose work follows its timephased data, which is how the plan keeps splits.
constexpr const char* kContouredWork = "8";
// Duration format of a new task: days, as the plan shows a task it creates.
constexpr const char* kDurationInDays = "7";

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

void setTask(pugi::xml_node node, const char* name, std::string_view value)
{
    XmlEdit::setText(node, name, value, ElementOrder::task());
}

void setAssignment(pugi::xml_node node, const char* name, std::string_view value)
{
    XmlEdit::setText(node, name, value, ElementOrder::assignment());
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

} // namespace

ProjectWriter::ProjectWriter(MemoryProject& project, PlanIndex& index, const std::vector<int>& fieldIds)
    : project_(project), index_(index), fieldIds_(fieldIds)
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
        setTask(node, "Name", now.name);
    if (!before || !now.sameSchedule(*before))
        writeSchedule(node, now, before);
    if (!before || now.constraintType != before->constraintType ||
        now.constraintDate != before->constraintDate)
        writeConstraint(node, now);
    if (!before || now.type != before->type)
        setTask(node, "Type", number(int(now.type)));
    if (!before || now.parts != before->parts || !now.sameSchedule(*before))
        writeAssignments(task, now, newTask);
    writeFields(node, now, before);
    return now;
}

void ProjectWriter::writeProjectText(const std::string& text)
{
    XmlEdit::setText(index_.root, "Title", text, ElementOrder::project());
}

pugi::xml_node ProjectWriter::taskNode(const MemoryTask& task)
{
    if (const auto found = index_.tasks.find(task.uniqueId()); found != index_.tasks.end())
        return found->second;
    // A task new to the file: appended as the last row, under its own unique ID when the file
    // has no row with it (a blank row may hold it), else under the next free one.
    int uid = task.uniqueId();
    if (index_.rowUids.count(uid)) {
        uid = index_.lastTaskUid + 1;
        index_.rowUids.insert(uid); // no task of the model holds it
    }
    index_.lastTaskUid = std::max(index_.lastTaskUid, uid);
    index_.lastTaskId = std::max(index_.lastTaskId + 1, task.id());
    pugi::xml_node tasks = XmlEdit::child(index_.root, "Tasks", ElementOrder::project());
    pugi::xml_node node = tasks.append_child("Task");
    XmlEdit::appendText(node, "UID", number(uid));
    XmlEdit::appendText(node, "ID", number(index_.lastTaskId));
    XmlEdit::appendText(node, "IsNull", "0");
    if (task.outlineLevel() == 1) {
        const std::string outline = outlineNumber(project_, task);
        XmlEdit::appendText(node, "WBS", outline);
        XmlEdit::appendText(node, "OutlineNumber", outline);
    }
    XmlEdit::appendText(node, "OutlineLevel", number(task.outlineLevel()));
    XmlEdit::appendText(node, "DurationFormat", kDurationInDays);
    XmlEdit::appendText(node, "Summary", "0");
    const auto calendar = index_.calendarUids.find(task.calendarName());
    XmlEdit::appendText(node, "CalendarUID",
                        calendar == index_.calendarUids.end() ? "-1" : number(calendar->second));
    index_.tasks.emplace(task.uniqueId(), node);
    return node;
}

void ProjectWriter::writeSchedule(pugi::xml_node node, const TaskState& now, const TaskState* before)
{
    const std::string start = mspdi::formatDateTime(now.start);
    const std::string finish = mspdi::formatDateTime(now.finish);
    const std::string duration = mspdi::formatDuration(now.duration);
    setTask(node, "Start", start);
    setTask(node, "Finish", finish);
    setTask(node, "Duration", duration);
    // A manually scheduled task keeps its own copy of the dates the plan shows.
    XmlEdit::setTextIfPresent(node, "ManualStart", start);
    XmlEdit::setTextIfPresent(node, "ManualFinish", finish);
    XmlEdit::setTextIfPresent(node, "ManualDuration", duration);
    // Nothing done yet: what remains is the whole duration.
    if (isZeroDuration(text(node, "ActualDuration")))
        XmlEdit::setTextIfPresent(node, "RemainingDuration", duration);
    const bool milestone = now.duration == Minutes{0};
    if (!before || milestone != (before->duration == Minutes{0}))
        setTask(node, "Milestone", milestone ? "1" : "0");
}

void ProjectWriter::writeConstraint(pugi::xml_node node, const TaskState& now)
{
    setTask(node, "ConstraintType", number(int(now.constraintType)));
    // As soon and as late as possible need no date; the others do.
    const bool needsDate = now.constraintType != ConstraintType::AsSoonAsPossible &&
                           now.constraintType != ConstraintType::AsLateAsPossible;
    if (needsDate || node.child("ConstraintDate"))
        setTask(node, "ConstraintDate", mspdi::formatDateTime(now.constraintDate));
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
            node.remove_child(field);
        return;
    }
    if (!field) {
        pugi::xml_node last;
        for (pugi::xml_node existing : node.children("ExtendedAttribute"))
            last = existing;
        field = last ? node.insert_child_after("ExtendedAttribute", last)
                     : XmlEdit::child(node, "ExtendedAttribute", ElementOrder::task());
        XmlEdit::appendText(field, "FieldID", number(fieldId));
    }
    if (!XmlEdit::setTextIfPresent(field, "Value", value))
        field.insert_child_after("Value", field.child("FieldID")).text().set(value.c_str());
    defineField(fieldId);
}

void ProjectWriter::defineField(int fieldId)
{
    if (index_.definedFields.count(fieldId))
        return;
    // The plan shows a custom field's values only when the project defines the field.
    pugi::xml_node definitions = XmlEdit::child(index_.root, "ExtendedAttributes", ElementOrder::project());
    pugi::xml_node definition = definitions.append_child("ExtendedAttribute");
    XmlEdit::appendText(definition, "FieldID", number(fieldId));
    if (const std::string name = TextFields::name(fieldId); !name.empty())
        XmlEdit::appendText(definition, "FieldName", name);
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
        setAssignment(assignment, "Start", mspdi::formatDateTime(now.start));
        setAssignment(assignment, "Finish", mspdi::formatDateTime(now.finish));
        const bool hasWork = [&] {
            for (pugi::xml_node data : assignment.children("TimephasedData"))
                if (std::string_view(data.child_value("Type")) == "1")
                    return true;
            return false;
        }();
        if (split || hasWork)
            writeTimephasedWork(assignment, task, now);
        if (split)
            setAssignment(assignment, "WorkContour", kContouredWork);
    }
}

pugi::xml_node ProjectWriter::addAssignment(const MemoryTask& task)
{
    pugi::xml_node assignments = XmlEdit::child(index_.root, "Assignments", ElementOrder::project());
    pugi::xml_node node = assignments.append_child("Assignment");
    XmlEdit::appendText(node, "UID", number(++index_.lastAssignmentUid));
    XmlEdit::appendText(node, "TaskUID", index_.tasks.at(task.uniqueId()).child_value("UID"));
    XmlEdit::appendText(node, "ResourceUID", kNoResource);
    XmlEdit::appendText(node, "Units", "1");
    XmlEdit::appendText(node, "Work", mspdi::formatDuration(seconds{0}));
    XmlEdit::appendText(node, "WorkContour", "0");
    return node;
}

void ProjectWriter::writeTimephasedWork(pugi::xml_node assignment, const MemoryTask& task,
                                        const TaskState& now)
{
    // The remaining work is rewritten whole; actual work already done stays as it was.
    for (pugi::xml_node data = assignment.child("TimephasedData"); data;) {
        pugi::xml_node next = data.next_sibling("TimephasedData");
        if (std::string_view(data.child_value("Type")) == "1")
            assignment.remove_child(data);
        data = next;
    }
    const auto units = mspdi::parseNumber(assignment.child_value("Units"));
    const double pace = units && *units > 0 ? *units : 1.0;
    // A resource works within the task's parts on its own calendar.
    const auto resource = mspdi::parseInteger(assignment.child_value("ResourceUID"));
    const auto resourceCalendar =
        resource ? index_.resourceCalendars.find(int(*resource)) : index_.resourceCalendars.end();
    const WorkCalendar& calendar =
        resourceCalendar == index_.resourceCalendars.end() ? task.workCalendar() : resourceCalendar->second;
    const std::string uid = assignment.child_value("UID");
    for (const TimephasedPeriod& period : TimephasedWork::periodsFor(now.parts, calendar, pace)) {
        pugi::xml_node data = assignment.append_child("TimephasedData");
        XmlEdit::appendText(data, "Type", "1");
        XmlEdit::appendText(data, "UID", uid);
        XmlEdit::appendText(data, "Start", mspdi::formatDateTime(period.start));
        XmlEdit::appendText(data, "Finish", mspdi::formatDateTime(period.finish));
        XmlEdit::appendText(data, "Unit", "2");
        XmlEdit::appendText(data, "Value", mspdi::formatDuration(period.work));
    }
}

} // namespace zelvant
