#include "hosts/projectfile/TimephasedWork.h"

#include <algorithm>
#include <cmath>

namespace zelvant {

using namespace std::chrono;

namespace {

// Appends one period per day of [from, to) that has working time, with that day's working time
// times `units` as its work (zero units: a period of working time without work).
void appendDailyPeriods(std::vector<TimephasedPeriod>& out, DateTime from, DateTime to,
                        const WorkCalendar& calendar, double units)
{
    for (local_days day = dateOf(from); day < to; day += days{1}) {
        const DateTime dayFrom = std::max(from, DateTime(day));
        const DateTime dayTo = std::min(to, DateTime(day + days{1}));
        const Minutes working = calendar.workingTimeBetween(dayFrom, dayTo);
        if (working <= Minutes{0})
            continue;
        const DateTime start = calendar.nextWorkingMoment(dayFrom);
        const DateTime finish = calendar.addWorkingTime(start, working);
        const auto work = seconds(std::llround(double(seconds(working).count()) * units));
        out.push_back({start, finish, work});
    }
}

} // namespace

std::vector<SplitPart> TimephasedWork::workedStretches(std::vector<TimephasedPeriod> periods,
                                                       const WorkCalendar& calendar)
{
    std::stable_sort(periods.begin(), periods.end(),
                     [](const TimephasedPeriod& a, const TimephasedPeriod& b) { return a.start < b.start; });
    std::vector<SplitPart> stretches;
    for (const TimephasedPeriod& period : periods) {
        if (period.work <= seconds{0} || period.finish <= period.start)
            continue;
        // The plan spreads a period's work over the whole working time in it (a resource at half
        // units works all day at half pace), so the stretch is that working time, not the work.
        const Minutes working = calendar.workingTimeBetween(period.start, period.finish);
        if (working <= Minutes{0})
            continue;
        const DateTime start = calendar.nextWorkingMoment(period.start);
        stretches.push_back({start, calendar.addWorkingTime(start, working)});
    }
    return stretches;
}

std::vector<SplitPart> TimephasedWork::joinStretches(std::vector<SplitPart> stretches,
                                                     const WorkCalendar& calendar)
{
    return calendar.joinParts(std::move(stretches));
}

std::vector<TimephasedPeriod> TimephasedWork::periodsFor(const std::vector<SplitPart>& parts,
                                                         const WorkCalendar& calendar, double units)
{
    std::vector<TimephasedPeriod> periods;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            appendDailyPeriods(periods, parts[i - 1].finish, parts[i].start, calendar, 0.0);
        appendDailyPeriods(periods, parts[i].start, parts[i].finish, calendar, units);
    }
    return periods;
}

} // namespace zelvant
