#include "windows/com/ComProject.h"

#include <algorithm>

namespace zelvant {

// The plan's own member names; "NA" stands where a date is not set.

// Task ---------------------------------------------------------------------------------------------

int ComTask::id() const
{
    return task_.get("ID").number();
}

int ComTask::uniqueId() const
{
    return task_.get("UniqueID").number();
}

std::string ComTask::name() const
{
    return task_.get("Name").text();
}

void ComTask::setName(const std::string& name)
{
    task_.put("Name", name);
}

DateTime ComTask::dateOf(const char* member) const
{
    // A task without the date (a constraint date of "as soon as possible") reads as the epoch,
    // which no caller takes for a real date.
    return task_.get(member).date().value_or(DateTime{});
}

DateTime ComTask::start() const
{
    return dateOf("Start");
}

void ComTask::setStart(DateTime start)
{
    task_.put("Start", Variant::date(start));
}

DateTime ComTask::finish() const
{
    return dateOf("Finish");
}

void ComTask::setFinish(DateTime finish)
{
    task_.put("Finish", Variant::date(finish));
}

Minutes ComTask::duration() const
{
    return Minutes{task_.get("Duration").number()};
}

void ComTask::setDuration(Minutes duration)
{
    task_.put("Duration", int(duration.count()));
}

ConstraintType ComTask::constraintType() const
{
    return ConstraintType(task_.get("ConstraintType").number());
}

void ComTask::setConstraintType(ConstraintType type)
{
    task_.put("ConstraintType", int(type));
}

DateTime ComTask::constraintDate() const
{
    return dateOf("ConstraintDate");
}

void ComTask::setConstraintDate(DateTime date)
{
    task_.put("ConstraintDate", Variant::date(date));
}

TaskType ComTask::type() const
{
    return TaskType(task_.get("Type").number());
}

void ComTask::setType(TaskType type)
{
    task_.put("Type", int(type));
}

std::string ComTask::calendarName() const
{
    return task_.get("Calendar").text();
}

bool ComTask::isSummary() const
{
    return task_.get("Summary").flag();
}

std::string ComTask::resourceNames() const
{
    return task_.get("ResourceNames").text();
}

int ComTask::splitPartCount() const
{
    return task_.object("SplitParts").get("Count").number();
}

SplitPart ComTask::splitPart(int index) const
{
    const Dispatch part = task_.object("SplitParts").object("Item", {index});
    return {part.get("Start").date().value_or(DateTime{}), part.get("Finish").date().value_or(DateTime{})};
}

void ComTask::addSplitPart(DateTime start, DateTime finish)
{
    task_.object("SplitParts").call("Add", {Variant::date(start), Variant::date(finish)});
}

void ComTask::deleteSplitPart(int index)
{
    task_.object("SplitParts").object("Item", {index}).call("Delete");
}

std::string ComTask::getField(int fieldId) const
{
    return task_.call("GetField", {fieldId}).text();
}

void ComTask::setField(int fieldId, const std::string& value)
{
    task_.call("SetField", {fieldId, value});
}

// Project ------------------------------------------------------------------------------------------

std::string ComProject::name() const
{
    return project_.get("Name").text();
}

Task& ComProject::adapterFor(Dispatch task)
{
    // One adapter per task, so the pointers the engine keeps stay valid for the whole run.
    const int uniqueId = task.get("UniqueID").number();
    std::unique_ptr<ComTask>& adapter = tasks_[uniqueId];
    if (!adapter)
        adapter = std::make_unique<ComTask>(std::move(task));
    return *adapter;
}

std::vector<Task*> ComProject::tasks()
{
    const Dispatch collection = project_.object("Tasks");
    const int count = collection.get("Count").number();
    std::vector<Task*> result;
    result.reserve(std::size_t(std::max(count, 0)));
    for (int index = 1; index <= count; ++index) {
        // A blank row of the plan is Nothing in the collection.
        DispatchPtr task = collection.get("Item", {index}).object();
        if (task)
            result.push_back(&adapterFor(Dispatch(std::move(task), "Task")));
    }
    return result;
}

int ComProject::taskCount() const
{
    return project_.object("Tasks").get("Count").number();
}

Task& ComProject::taskById(int id)
{
    return adapterFor(project_.object("Tasks").object("Item", {id}));
}

Task& ComProject::addTask()
{
    Task& added = adapterFor(project_.object("Tasks").object("Add"));
    lastAdded_ = added.uniqueId();
    return added;
}

void ComProject::removeAddedTask(Task& task)
{
    const int uniqueId = task.uniqueId();
    const auto found = tasks_.find(uniqueId);
    if (uniqueId != lastAdded_ || found == tasks_.end() || found->second.get() != &task)
        throw HostError("Task.Delete: nur der zuletzt angelegte Vorgang kann zur\u00FCckgenommen werden");
    found->second->object().call("Delete");
    tasks_.erase(found);
    lastAdded_ = 0;
}

std::string ComProject::text() const
{
    return project_.get("ProjectNotes").text();
}

void ComProject::setText(const std::string& text)
{
    project_.put("ProjectNotes", text);
}

bool ComProject::saved() const
{
    return project_.get("Saved").flag();
}

std::string ComProject::baseCalendar() const
{
    return project_.object("Calendar").get("Name").text();
}

// Application --------------------------------------------------------------------------------------

Project& ComProjectApplication::activeProject()
{
    // The host raises an error when no project is open; the adapter lives as long as the
    // project object stays the active one.
    Dispatch active = application_.object("ActiveProject");
    if (projects_.empty() || !projects_.back()->isObject(active.get()))
        projects_.push_back(std::make_unique<ComProject>(std::move(active)));
    return *projects_.back();
}

std::vector<Task*> ComProjectApplication::activeSelectionTasks()
{
    const Dispatch selected = application_.object("ActiveSelection").object("Tasks");
    ComProject& project = static_cast<ComProject&>(activeProject());
    const int count = selected.get("Count").number();
    std::vector<Task*> result;
    for (int index = 1; index <= count; ++index)
        if (DispatchPtr task = selected.get("Item", {index}).object())
            result.push_back(&project.adapterFor(Dispatch(std::move(task), "Task")));
    return result;
}

void ComProjectApplication::setHostSwitch(bool on)
{
    application_.put("ScreenUpdating", on);
}

void ComProjectApplication::fileSave()
{
    application_.call("FileSave");
}

Minutes ComProjectApplication::dateDifference(DateTime start, DateTime finish, const std::string& calendar)
{
    return Minutes{
        application_.call("DateDifference", {Variant::date(start), Variant::date(finish), calendar})
            .number()};
}

} // namespace zelvant
