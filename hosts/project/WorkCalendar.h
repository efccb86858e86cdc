#pragma once

#include "hostapi/DateTime.h"
#include "hostapi/ProjectApi.h"

#include <array>
#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace zelvant {

// A stretch of working time within one day, in minutes after midnight; `to` may be 1440 (24:00).
struct WorkInterval {
    int from = 0;
    int to = 0;
    bool operator==(const WorkInterval&) const = default;
};

// A named working-time calendar: working intervals per weekday plus dated exceptions.
// Every operation walks day by day, so its cost grows with the days spanned, never with minutes.
class WorkCalendar {
public:
    using Intervals = std::vector<WorkInterval>;

    // How far ahead a search for working time goes before the calendar counts as having none.
    static constexpr int kSearchDays = 20 * 366;

    // A calendar with the given name and no working time at all.
    explicit WorkCalendar(std::string name);

    // The plan's "Standard" calendar: Monday to Friday 08:00-12:00 and 13:00-17:00.
    static WorkCalendar standard();

    // The calendar's name.
    const std::string& name() const { return name_; }

    // Replaces the working intervals of a weekday; throws HostError for overlapping or invalid ones.
    void setWeekday(std::chrono::weekday day, Intervals intervals);
    // Gives one date its own intervals (empty = a non-working day); replaces an earlier exception.
    void setException(std::chrono::local_days date, Intervals intervals);

    // The working intervals that apply on a date, exceptions first.
    const Intervals& intervalsOn(std::chrono::local_days date) const;

    // `t` itself when it lies in working time, else the start of the next working interval.
    DateTime nextWorkingMoment(DateTime t) const;
    // The moment at which `work` of working time has elapsed after `start` (snapped forward first).
    DateTime addWorkingTime(DateTime start, Minutes work) const;
    // Working minutes from `a` to `b`; negative when `b` lies before `a`.
    Minutes workingTimeBetween(DateTime a, DateTime b) const;
    // The parts sorted by start, with those that overlap, touch, or lie apart only by
    // non-working time joined into one: only working time between two parts makes a split.
    std::vector<SplitPart> joinParts(std::vector<SplitPart> parts) const;

private:
    static Intervals validated(Intervals intervals);
    std::chrono::seconds workingSecondsBetween(DateTime a, DateTime b) const;

    std::string name_;
    std::array<Intervals, 7> weekdays_; // indexed by weekday::c_encoding(), Sunday = 0
    std::map<std::chrono::local_days, Intervals> exceptions_;
};

} // namespace zelvant
