#include "hosts/project/WorkCalendar.h"

#include "hostapi/HostError.h"

#include <algorithm>

namespace zelvant {

using namespace std::chrono;

namespace {

constexpr int kMinutesPerDay = 24 * 60;

seconds minuteOfDay(int minute)
{
    return seconds{minute * 60LL};
}

[[noreturn]] void throwNoWorkingTime(const std::string& calendar)
{
    throw HostError("Der Kalender \u201E" + calendar + "\u201C hat keine Arbeitszeit mehr.");
}

} // namespace

WorkCalendar::WorkCalendar(std::string name) : name_(std::move(name)) {}

WorkCalendar WorkCalendar::standard()
{
    WorkCalendar calendar("Standard");
    const Intervals workday{{8 * 60, 12 * 60}, {13 * 60, 17 * 60}};
    for (const weekday day : {Monday, Tuesday, Wednesday, Thursday, Friday})
        calendar.setWeekday(day, workday);
    return calendar;
}

WorkCalendar::Intervals WorkCalendar::validated(Intervals intervals)
{
    std::sort(intervals.begin(), intervals.end(),
              [](const WorkInterval& a, const WorkInterval& b) { return a.from < b.from; });
    int previousEnd = 0;
    for (const WorkInterval& interval : intervals) {
        if (interval.from < previousEnd || interval.from >= interval.to || interval.to > kMinutesPerDay)
            throw HostError("Ung\u00FCltige oder \u00FCberlappende Arbeitszeit.");
        previousEnd = interval.to;
    }
    return intervals;
}

void WorkCalendar::setWeekday(weekday day, Intervals intervals)
{
    weekdays_.at(day.c_encoding()) = validated(std::move(intervals));
}

void WorkCalendar::setException(local_days date, Intervals intervals)
{
    exceptions_[date] = validated(std::move(intervals));
}

const WorkCalendar::Intervals& WorkCalendar::intervalsOn(local_days date) const
{
    if (!exceptions_.empty()) {
        const auto exception = exceptions_.find(date);
        if (exception != exceptions_.end())
            return exception->second;
    }
    return weekdays_[weekday{date}.c_encoding()];
}

DateTime WorkCalendar::nextWorkingMoment(DateTime t) const
{
    local_days day = dateOf(t);
    seconds time = timeOfDay(t);
    for (int searched = 0; searched <= kSearchDays; ++searched, day += days{1}, time = seconds{0}) {
        for (const WorkInterval& interval : intervalsOn(day))
            if (time < minuteOfDay(interval.to))
                return day + std::max(time, minuteOfDay(interval.from));
    }
    throwNoWorkingTime(name_);
}

DateTime WorkCalendar::addWorkingTime(DateTime start, Minutes work) const
{
    if (work < Minutes{0})
        throw HostError("Eine Arbeitszeit kann nicht negativ sein.");
    const DateTime begin = nextWorkingMoment(start);
    seconds remaining = work;
    local_days day = dateOf(begin);
    seconds time = timeOfDay(begin);
    for (int idleDays = 0; idleDays <= kSearchDays; day += days{1}, time = seconds{0}) {
        bool worked = false;
        for (const WorkInterval& interval : intervalsOn(day)) {
            const seconds end = minuteOfDay(interval.to);
            if (end <= time)
                continue;
            const seconds available = end - std::max(time, minuteOfDay(interval.from));
            // Work that ends exactly at the end of an interval ends there, not at the next start.
            if (remaining <= available)
                return day + end - available + remaining;
            remaining -= available;
            worked = true;
        }
        idleDays = worked ? 0 : idleDays + 1;
    }
    throwNoWorkingTime(name_);
}

seconds WorkCalendar::workingSecondsBetween(DateTime a, DateTime b) const
{
    seconds total{0};
    for (local_days day = dateOf(a); day <= dateOf(b); day += days{1}) {
        for (const WorkInterval& interval : intervalsOn(day)) {
            const DateTime from = std::max(a, day + minuteOfDay(interval.from));
            const DateTime to = std::min(b, day + minuteOfDay(interval.to));
            if (from < to)
                total += to - from;
        }
    }
    return total;
}

Minutes WorkCalendar::workingTimeBetween(DateTime a, DateTime b) const
{
    const seconds total = b < a ? -workingSecondsBetween(b, a) : workingSecondsBetween(a, b);
    return floor<Minutes>(total);
}

std::vector<SplitPart> WorkCalendar::joinParts(std::vector<SplitPart> parts) const
{
    std::sort(parts.begin(), parts.end(),
              [](const SplitPart& a, const SplitPart& b) { return a.start < b.start; });
    std::vector<SplitPart> joined;
    for (const SplitPart& part : parts) {
        if (!joined.empty() && (part.start <= joined.back().finish ||
                                workingTimeBetween(joined.back().finish, part.start) <= Minutes{0}))
            joined.back().finish = std::max(joined.back().finish, part.finish);
        else
            joined.push_back(part);
    }
    return joined;
}

} // namespace zelvant
