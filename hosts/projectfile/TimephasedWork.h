#pragma once

// Split parts as the plan stores them: not as an element of their own but in an assignment's
// timephased work, a run of periods each carrying the work done in it. Work over working time
// makes a part; a period of working time with zero work, or working time between two periods,
// separates parts; zero work over non-working time (a weekend) separates nothing.

#include "hostapi/ProjectApi.h"
#include "hosts/project/WorkCalendar.h"

#include <chrono>
#include <vector>

namespace zelvant {

// One period of an assignment's timephased work.
struct TimephasedPeriod {
    DateTime start;
    DateTime finish;
    std::chrono::seconds work{0};
    bool operator==(const TimephasedPeriod&) const = default;
};

class TimephasedWork {
public:
    // The stretches of working time that carry work, one per period with work, in order of start.
    static std::vector<SplitPart> workedStretches(std::vector<TimephasedPeriod> periods,
                                                  const WorkCalendar& calendar);

    // Joins stretches separated by non-working time only; what remains apart are the split parts.
    static std::vector<SplitPart> joinStretches(std::vector<SplitPart> stretches,
                                                const WorkCalendar& calendar);

    // Periods the plan reads back as these parts: one per working day of each part with its work
    // (times `units`), and a zero-work period for each working day in a gap between parts.
    static std::vector<TimephasedPeriod> periodsFor(const std::vector<SplitPart>& parts,
                                                    const WorkCalendar& calendar, double units);
};

} // namespace zelvant
