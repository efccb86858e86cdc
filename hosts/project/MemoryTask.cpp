#include "hosts/project/MemoryTask.h"

#include "hostapi/HostError.h"
#include "hosts/project/MemoryProject.h"
#include "hosts/project/WorkCalendar.h"

#include <algorithm>
#include <numeric>

namespace zelvant {

MemoryTask::MemoryTask(MemoryProject& project, int id, int uniqueId)
    : project_(project), id_(id), uniqueId_(uniqueId), constraintDate_(project.startDate())
{
    applyLayout(project.startDate(), {{Minutes{project.minutesPerDay()}}, {}});
}

std::string MemoryTask::name() const
{
    faults_.check("Name");
    return name_;
}

void MemoryTask::setName(const std::string& name)
{
    faults_.check("SetName");
    name_ = name;
    touch();
}

DateTime MemoryTask::start() const
{
    faults_.check("Start");
    return summary() ? summarySpan().start : start_;
}

void MemoryTask::setStart(DateTime start)
{
    faults_.check("SetStart");
    requireLeaf("moved");
    // Typing a start pins the task there, as a must-start-on constraint does.
    constraintType_ = ConstraintType::MustStartOn;
    constraintDate_ = start;
    moveTo(start);
    touch();
}

DateTime MemoryTask::finish() const
{
    faults_.check("Finish");
    return summary() ? summarySpan().finish : finish_;
}

void MemoryTask::setFinish(DateTime finish)
{
    faults_.check("SetFinish");
    requireLeaf("given a finish");
    if (finish < start_)
        throw HostError("Das Ende liegt vor dem Anfang.");
    // The start stays; the working time up to the new finish becomes the duration.
    changeDuration(duration_ + workCalendar().workingTimeBetween(finish_, finish));
    touch();
}

Minutes MemoryTask::duration() const
{
    faults_.check("Duration");
    if (!summary())
        return duration_;
    const SplitPart span = summarySpan();
    return workCalendar().workingTimeBetween(span.start, span.finish);
}

void MemoryTask::setDuration(Minutes duration)
{
    faults_.check("SetDuration");
    requireLeaf("given a duration");
    changeDuration(duration);
    touch();
}

ConstraintType MemoryTask::constraintType() const
{
    faults_.check("ConstraintType");
    return constraintType_;
}

void MemoryTask::setConstraintType(ConstraintType type)
{
    faults_.check("SetConstraintType");
    constraintType_ = type;
    if (type == ConstraintType::MustStartOn && !summary())
        moveTo(constraintDate_);
    touch();
}

DateTime MemoryTask::constraintDate() const
{
    faults_.check("ConstraintDate");
    return constraintDate_;
}

void MemoryTask::setConstraintDate(DateTime date)
{
    faults_.check("SetConstraintDate");
    constraintDate_ = date;
    if (constraintType_ == ConstraintType::MustStartOn && !summary())
        moveTo(date);
    touch();
}

TaskType MemoryTask::type() const
{
    faults_.check("Type");
    return type_;
}

void MemoryTask::setType(TaskType type)
{
    faults_.check("SetType");
    type_ = type;
    touch();
}

std::string MemoryTask::calendarName() const
{
    faults_.check("CalendarName");
    return calendar_.empty() ? kNoTaskCalendar : calendar_;
}

bool MemoryTask::isSummary() const
{
    faults_.check("Summary");
    return summary();
}

std::string MemoryTask::resourceNames() const
{
    faults_.check("ResourceNames");
    return resourceNames_;
}

int MemoryTask::splitPartCount() const
{
    faults_.check("SplitParts");
    return summary() ? 0 : static_cast<int>(parts_.size());
}

SplitPart MemoryTask::splitPart(int index) const
{
    faults_.check("SplitParts");
    if (summary() || index < 1 || index > static_cast<int>(parts_.size()))
        throw HostError("Es gibt keinen Teil " + std::to_string(index) + " dieses Vorgangs.");
    return parts_[index - 1];
}

void MemoryTask::addSplitPart(DateTime start, DateTime finish)
{
    faults_.check("AddSplitPart");
    requireLeaf("split");
    const WorkCalendar& calendar = workCalendar();
    const Minutes work = calendar.workingTimeBetween(start, finish);
    if (work <= Minutes{0})
        throw HostError("Zwischen Anfang und Ende des Teils liegt keine Arbeitszeit.");
    const DateTime partStart = calendar.nextWorkingMoment(start);
    parts_.push_back({partStart, calendar.addWorkingTime(partStart, work)});
    mergeParts();
    followParts();
    touch();
}

void MemoryTask::deleteSplitPart(int index)
{
    faults_.check("DeleteSplitPart");
    requireLeaf("split");
    if (index < 1 || index > static_cast<int>(parts_.size()))
        throw HostError("Es gibt keinen Teil " + std::to_string(index) + " dieses Vorgangs.");
    if (parts_.size() == 1)
        throw HostError("Der einzige Teil eines Vorgangs kann nicht gel\u00F6scht werden.");
    parts_.erase(parts_.begin() + (index - 1));
    followParts();
    touch();
}

std::string MemoryTask::getField(int fieldId) const
{
    faults_.check("GetField");
    const auto found = fields_.find(fieldId);
    return found == fields_.end() ? std::string() : found->second;
}

void MemoryTask::setField(int fieldId, const std::string& value)
{
    faults_.check("SetField");
    if (value.empty())
        fields_.erase(fieldId);
    else
        fields_[fieldId] = value;
    touch();
}

void MemoryTask::setOutlineLevel(int level)
{
    if (level < 1)
        throw HostError("Die Gliederungsebene muss 1 oder gr\u00F6\u00DFer sein.");
    outlineLevel_ = level;
    touch();
}

void MemoryTask::setCalendar(const std::string& calendarName)
{
    if (!calendarName.empty() && calendarName != kNoTaskCalendar)
        project_.calendar(calendarName); // throws for an unknown name
    calendar_ = calendarName == kNoTaskCalendar ? std::string() : calendarName;
    touch();
}

void MemoryTask::setResourceNames(std::string names)
{
    resourceNames_ = std::move(names);
    touch();
}

void MemoryTask::assignSchedule(DateTime start, DateTime finish, Minutes duration)
{
    start_ = start;
    finish_ = finish;
    duration_ = duration;
    parts_.clear();
    if (duration > Minutes{0})
        parts_.push_back({start, finish});
    touch();
}

void MemoryTask::assignConstraint(ConstraintType type, DateTime date)
{
    constraintType_ = type;
    constraintDate_ = date;
    touch();
}

void MemoryTask::assignSplitParts(std::vector<SplitPart> parts)
{
    if (parts.empty())
        throw HostError("Ein Vorgang braucht mindestens einen Teil.");
    for (const SplitPart& part : parts)
        if (part.finish <= part.start)
            throw HostError("Ein Teil eines Vorgangs muss nach seinem Anfang enden.");
    parts_ = std::move(parts);
    std::sort(parts_.begin(), parts_.end(),
              [](const SplitPart& a, const SplitPart& b) { return a.start < b.start; });
    followParts();
    touch();
}

const WorkCalendar& MemoryTask::workCalendar() const
{
    return project_.calendar(calendar_.empty() ? project_.baseCalendar() : calendar_);
}

bool MemoryTask::summary() const
{
    return project_.hasSubtasks(*this);
}

SplitPart MemoryTask::summarySpan() const
{
    SplitPart span{DateTime::max(), DateTime::min()};
    for (const MemoryTask* subtask : project_.subtasksOf(*this)) {
        if (subtask->summary())
            continue; // its own subtasks are in the list too
        span.start = std::min(span.start, subtask->start_);
        span.finish = std::max(span.finish, subtask->finish_);
    }
    return span;
}

void MemoryTask::requireLeaf(const char* what) const
{
    if (summary())
        throw HostError(std::string("a summary task follows its subtasks and cannot be ") + what);
}

MemoryTask::Layout MemoryTask::layout() const
{
    if (parts_.size() == 1)
        return {{duration_}, {}};
    const WorkCalendar& calendar = workCalendar();
    Layout result;
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        if (i > 0)
            result.gaps.push_back(calendar.workingTimeBetween(parts_[i - 1].finish, parts_[i].start));
        result.work.push_back(calendar.workingTimeBetween(parts_[i].start, parts_[i].finish));
    }
    return result;
}

void MemoryTask::applyLayout(DateTime anchor, const Layout& layout)
{
    const WorkCalendar& calendar = workCalendar();
    parts_.clear();
    DateTime cursor = anchor;
    for (std::size_t i = 0; i < layout.work.size(); ++i) {
        if (i > 0)
            cursor = calendar.addWorkingTime(cursor, layout.gaps[i - 1]);
        const DateTime partStart = calendar.nextWorkingMoment(cursor);
        cursor = calendar.addWorkingTime(partStart, layout.work[i]);
        parts_.push_back({partStart, cursor});
    }
    start_ = parts_.front().start;
    finish_ = parts_.back().finish;
    duration_ = std::accumulate(layout.work.begin(), layout.work.end(), Minutes{0});
}

void MemoryTask::moveTo(DateTime anchor)
{
    if (parts_.empty()) {
        // A milestone sits exactly where it is put, working time or not.
        start_ = finish_ = anchor;
        return;
    }
    applyLayout(anchor, layout());
}

void MemoryTask::changeDuration(Minutes duration)
{
    if (duration < Minutes{0})
        throw HostError("Eine Dauer kann nicht negativ sein.");
    if (duration == Minutes{0}) {
        parts_.clear();
        finish_ = start_;
        duration_ = duration;
        return;
    }
    if (parts_.empty()) {
        applyLayout(start_, {{duration}, {}});
        return;
    }
    // The last part grows; a shorter task loses work from the end, dropping parts left empty.
    Layout layout = this->layout();
    const Minutes total = std::accumulate(layout.work.begin(), layout.work.end(), Minutes{0});
    if (duration >= total) {
        layout.work.back() += duration - total;
    } else {
        Minutes left = duration;
        std::size_t kept = 0;
        while (left > Minutes{0}) {
            layout.work[kept] = std::min(layout.work[kept], left);
            left -= layout.work[kept++];
        }
        layout.work.resize(kept);
        layout.gaps.resize(kept - 1);
    }
    applyLayout(start_, layout);
}

void MemoryTask::mergeParts()
{
    // Parts that overlap, touch, or are separated by non-working time only are one stretch of work.
    parts_ = workCalendar().joinParts(std::move(parts_));
}

void MemoryTask::followParts()
{
    const WorkCalendar& calendar = workCalendar();
    start_ = parts_.front().start;
    finish_ = parts_.back().finish;
    duration_ = Minutes{0};
    for (const SplitPart& part : parts_)
        duration_ += calendar.workingTimeBetween(part.start, part.finish);
}

void MemoryTask::touch()
{
    project_.touch();
}

} // namespace zelvant
