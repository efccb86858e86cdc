#include "hosts/project/WorkCalendar.h"

#include "hostapi/HostError.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace std::chrono;

// A moment in March 2024; the 4th is a Monday.
DateTime march(unsigned day, unsigned hour, unsigned minute = 0, unsigned second = 0)
{
    return makeDateTime(2024, 3, day, hour, minute, second);
}

// Each row also checks the inverse: the working time between the start and the end found is the
// work added, and the same backwards with its sign turned.
TEST(WorkCalendar, AddingWorkingTimeSkipsBreaksNightsAndWeekends)
{
    const WorkCalendar standard = WorkCalendar::standard(); // Mon-Fri, 8-12 and 13-17
    struct Case {
        DateTime from;
        int minutes;
        DateTime to;
    };
    const Case cases[] = {
        {march(4, 8), 480, march(4, 17)},
        {march(4, 8), 240, march(4, 12)}, // work ending with an interval ends there
        {march(4, 8), 241, march(4, 13, 1)},
        {march(9, 10), 0, march(11, 8)}, // a start in the weekend waits for Monday
        {march(4, 12, 30), 60, march(4, 14)},
        {march(8, 16), 120, march(11, 9)},
        {march(4, 8, 0, 30), 1, march(4, 8, 1, 30)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(standard.addWorkingTime(c.from, Minutes{c.minutes}), c.to) << c.minutes;
        EXPECT_EQ(standard.workingTimeBetween(c.from, c.to), Minutes{c.minutes});
        EXPECT_EQ(standard.workingTimeBetween(c.to, c.from), Minutes{-c.minutes});
    }
}

TEST(WorkCalendar, ExceptionsReplaceTheWeekdayHoursAndIntervalsMayEndAtMidnight)
{
    WorkCalendar standard = WorkCalendar::standard();
    standard.setException(dateOf(march(6, 0)), {}); // a holiday
    standard.setException(dateOf(march(9, 0)), {{9 * 60, 13 * 60}});
    EXPECT_EQ(standard.addWorkingTime(march(5, 16), Minutes{120}), march(7, 9));
    EXPECT_EQ(standard.addWorkingTime(march(8, 16), Minutes{120}), march(9, 10));
    EXPECT_EQ(standard.workingTimeBetween(march(4, 8), march(11, 8)), Minutes{4 * 480 + 240});

    // A night shift crosses midnight as two intervals.
    WorkCalendar night("Nacht");
    night.setWeekday(Monday, {{22 * 60, 24 * 60}});
    night.setWeekday(Tuesday, {{0, 6 * 60}});
    EXPECT_EQ(night.addWorkingTime(march(4, 23), Minutes{120}), march(5, 1));
    EXPECT_EQ(night.nextWorkingMoment(march(5, 6)), march(11, 22));
}

TEST(WorkCalendar, NoWorkingTimeOrBrokenIntervalsThrowInsteadOfSearchingForever)
{
    EXPECT_THROW(WorkCalendar("Leer").addWorkingTime(march(4, 8), Minutes{60}), HostError);
    WorkCalendar once("Einmal");
    once.setException(dateOf(march(4, 0)), {{8 * 60, 9 * 60}});
    EXPECT_EQ(once.addWorkingTime(march(1, 0), Minutes{60}), march(4, 9));
    EXPECT_THROW(once.addWorkingTime(march(1, 0), Minutes{61}), HostError);
    EXPECT_THROW(once.setWeekday(Monday, {{480, 720}, {700, 900}}), HostError);
}

} // namespace
} // namespace zelvant
