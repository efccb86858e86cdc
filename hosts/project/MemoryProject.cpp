#include "hosts/project/MemoryProject.h"

#include "hostapi/HostError.h"

#include <algorithm>
#include <limits>

namespace zelvant {

MemoryProject::MemoryProject(std::string name, DateTime startDate)
    : name_(std::move(name)), startDate_(startDate)
{
    WorkCalendar standard = WorkCalendar::standard();
    baseCalendar_ = standard.name();
    addCalendar(std::move(standard));
}

std::string MemoryProject::name() const
{
    faults_.check("Name");
    return name_;
}

std::vector<Task*> MemoryProject::tasks()
{
    faults_.check("Tasks");
    std::vector<Task*> result;
    result.reserve(byUniqueId_.size());
    for (const auto& row : rows_)
        if (row)
            result.push_back(row.get());
    return result;
}

int MemoryProject::taskCount() const
{
    faults_.check("TaskCount");
    return static_cast<int>(byUniqueId_.size());
}

MemoryTask& MemoryProject::taskById(int id)
{
    faults_.check("TaskById");
    if (id < 1 || id > rowCount() || !rows_[id - 1])
        throw HostError("Es gibt keinen Vorgang Nr. " + std::to_string(id) + ".");
    return *rows_[id - 1];
}

MemoryTask& MemoryProject::addTask()
{
    faults_.check("AddTask");
    // The number after the highest; when that would not fit, the lowest free one.
    const int highest = byUniqueId_.empty() ? 0 : byUniqueId_.rbegin()->first;
    int uniqueId = highest < std::numeric_limits<int>::max() ? highest + 1 : 1;
    while (byUniqueId_.count(uniqueId))
        ++uniqueId;
    return addTask(uniqueId);
}

std::string MemoryProject::text() const
{
    faults_.check("Text");
    return text_;
}

void MemoryProject::setText(const std::string& text)
{
    faults_.check("SetText");
    text_ = text;
    touch();
}

bool MemoryProject::saved() const
{
    faults_.check("Saved");
    return saved_;
}

std::string MemoryProject::baseCalendar() const
{
    faults_.check("BaseCalendar");
    return baseCalendar_;
}

void MemoryProject::setName(std::string name)
{
    name_ = std::move(name);
    touch();
}

void MemoryProject::setStartDate(DateTime startDate)
{
    startDate_ = startDate;
    touch();
}

void MemoryProject::setMinutesPerDay(int minutes)
{
    if (minutes <= 0)
        throw HostError("Die Minuten pro Tag m\u00FCssen gr\u00F6\u00DFer als 0 sein.");
    minutesPerDay_ = minutes;
    touch();
}

void MemoryProject::addCalendar(WorkCalendar calendar)
{
    const std::string name = calendar.name();
    calendars_.insert_or_assign(name, std::move(calendar));
    touch();
}

bool MemoryProject::hasCalendar(const std::string& name) const
{
    return calendars_.count(name) > 0;
}

const WorkCalendar& MemoryProject::calendar(const std::string& name) const
{
    const auto found = calendars_.find(name);
    if (found == calendars_.end())
        throw HostError("Es gibt keinen Kalender \u201E" + name + "\u201C.");
    return found->second;
}

void MemoryProject::setBaseCalendar(const std::string& name)
{
    calendar(name); // throws for an unknown name
    baseCalendar_ = name;
    touch();
}

void MemoryProject::removeAddedTask(Task& task)
{
    faults_.check("RemoveAddedTask");
    if (rows_.empty() || rows_.back().get() != &task)
        throw HostError("Nur der zuletzt angelegte Vorgang kann zur\u00FCckgenommen werden.");
    byUniqueId_.erase(task.uniqueId());
    rows_.pop_back();
    touch();
}

void MemoryProject::removeTask(MemoryTask& task)
{
    const auto row =
        std::find_if(rows_.begin(), rows_.end(), [&](const auto& r) { return r.get() == &task; });
    if (row == rows_.end())
        throw HostError("Der Vorgang ist nicht im Plan.");
    byUniqueId_.erase(task.uniqueId());
    for (auto later = rows_.erase(row); later != rows_.end(); ++later)
        if (*later)
            --(*later)->id_;
    touch();
}

MemoryTask& MemoryProject::addTask(int uniqueId)
{
    if (uniqueId < 1 || byUniqueId_.count(uniqueId))
        throw HostError("Die eindeutige Nummer " + std::to_string(uniqueId) + " ist schon vergeben.");
    rows_.push_back(std::make_unique<MemoryTask>(*this, rowCount() + 1, uniqueId));
    byUniqueId_[uniqueId] = rows_.back().get();
    touch();
    return *rows_.back();
}

void MemoryProject::addBlankRow()
{
    rows_.push_back(nullptr);
    touch();
}

MemoryTask* MemoryProject::taskByUniqueId(int uniqueId)
{
    const auto found = byUniqueId_.find(uniqueId);
    return found == byUniqueId_.end() ? nullptr : found->second;
}

const MemoryTask* MemoryProject::nextTaskAfter(int id) const
{
    for (int row = id; row < rowCount(); ++row) // row numbers are 1-based, so rows_[id] follows id
        if (rows_[row])
            return rows_[row].get();
    return nullptr;
}

bool MemoryProject::hasSubtasks(const MemoryTask& task) const
{
    const MemoryTask* next = nextTaskAfter(task.id());
    return next && next->outlineLevel() > task.outlineLevel();
}

std::vector<const MemoryTask*> MemoryProject::subtasksOf(const MemoryTask& task) const
{
    std::vector<const MemoryTask*> result;
    for (const MemoryTask* next = nextTaskAfter(task.id());
         next && next->outlineLevel() > task.outlineLevel(); next = nextTaskAfter(next->id()))
        result.push_back(next);
    return result;
}

} // namespace zelvant
