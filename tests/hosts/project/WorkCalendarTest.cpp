#include "hosts/project/WorkCalendar.h"

#include "hostapi/HostError.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using std::chrono::Friday;
using std::chrono::Monday;
using std::chrono::Saturday;
using std::chrono::Thursday;
using std::chrono::Tuesday;
using std::chrono::Wednesday;

// A moment in March 2024; the 4th is a Monday.
DateTime march(unsigned day, unsigned hour, unsigned minute = 0, unsigned second = 0)
{
    return makeDateTime(2024, 3, day, hour, minute, second);
}

class WorkCalendarTest : public ::testing::Test {
protected:
    WorkCalendar standard = WorkCalendar::standard();
};

TEST_F(WorkCalendarTest, NextWorkingMomentKeepsWorkingTimeAndSkipsBreaks)
{
    EXPECT_EQ(standard.nextWorkingMoment(march(4, 8)), march(4, 8));
    EXPECT_EQ(standard.nextWorkingMoment(march(4, 11, 59, 59)), march(4, 11, 59, 59));
    EXPECT_EQ(standard.nextWorkingMoment(march(4, 12)), march(4, 13));
    EXPECT_EQ(standard.nextWorkingMoment(march(4, 6, 30)), march(4, 8));
    EXPECT_EQ(standard.nextWorkingMoment(march(8, 17)), march(11, 8));
    EXPECT_EQ(standard.nextWorkingMoment(march(9, 10)), march(11, 8));
}

TEST_F(WorkCalendarTest, WorkEndingWithAnIntervalEndsThere)
{
    EXPECT_EQ(standard.addWorkingTime(march(4, 8), Minutes{480}), march(4, 17));
    EXPECT_EQ(standard.addWorkingTime(march(4, 8), Minutes{240}), march(4, 12));
    EXPECT_EQ(standard.addWorkingTime(march(4, 8), Minutes{241}), march(4, 13, 1));
}

TEST_F(WorkCalendarTest, AddWorkingTimeSnapsTheStartAndSkipsBreaksAndWeekends)
{
    EXPECT_EQ(standard.addWorkingTime(march(9, 10), Minutes{0}), march(11, 8));
    EXPECT_EQ(standard.addWorkingTime(march(4, 12, 30), Minutes{60}), march(4, 14));
    EXPECT_EQ(standard.addWorkingTime(march(8, 16), Minutes{120}), march(11, 9));
    EXPECT_EQ(standard.addWorkingTime(march(4, 8, 0, 30), Minutes{1}), march(4, 8, 1, 30));
    EXPECT_THROW(standard.addWorkingTime(march(4, 8), Minutes{-1}), HostError);
}

TEST_F(WorkCalendarTest, AddWorkingTimeOverMonths)
{
    // 100 working days from a Monday morning are 20 full weeks.
    EXPECT_EQ(standard.addWorkingTime(march(4, 8), Minutes{100 * 480}), makeDateTime(2024, 7, 19, 17, 0));
}

TEST_F(WorkCalendarTest, WorkingTimeBetweenCountsOnlyWorkingMinutes)
{
    EXPECT_EQ(standard.workingTimeBetween(march(4, 9), march(4, 11, 30)), Minutes{150});
    EXPECT_EQ(standard.workingTimeBetween(march(8, 16), march(11, 9)), Minutes{120});
    EXPECT_EQ(standard.workingTimeBetween(march(11, 9), march(8, 16)), Minutes{-120});
    EXPECT_EQ(standard.workingTimeBetween(march(4, 12), march(4, 13)), Minutes{0});
    // 2024 starts on a Monday and has 366 days: 262 weekdays.
    EXPECT_EQ(standard.workingTimeBetween(makeDateTime(2024, 1, 1), makeDateTime(2025, 1, 1)),
              Minutes{262 * 480});
}

TEST_F(WorkCalendarTest, WorkingTimeBetweenCountsSecondsThenFloors)
{
    EXPECT_EQ(standard.workingTimeBetween(march(4, 9), march(4, 9, 0, 59)), Minutes{0});
    EXPECT_EQ(standard.workingTimeBetween(march(4, 9, 0, 30), march(4, 9, 2, 0)), Minutes{1});
    EXPECT_EQ(standard.workingTimeBetween(march(4, 11, 59, 30), march(4, 13, 0, 30)), Minutes{1});
    // Backwards the seconds floor too, so half a minute back is a whole minute back.
    EXPECT_EQ(standard.workingTimeBetween(march(4, 9, 0, 30), march(4, 9)), Minutes{-1});
}

TEST_F(WorkCalendarTest, ExceptionsReplaceTheWeekdayHours)
{
    standard.setException(dateOf(march(6, 0)), {}); // a holiday
    standard.setException(dateOf(march(9, 0)), {{9 * 60, 13 * 60}});

    EXPECT_EQ(standard.addWorkingTime(march(5, 16), Minutes{120}), march(7, 9));
    EXPECT_EQ(standard.nextWorkingMoment(march(8, 17)), march(9, 9));
    EXPECT_EQ(standard.addWorkingTime(march(8, 16), Minutes{120}), march(9, 10));
    EXPECT_EQ(standard.workingTimeBetween(march(4, 8), march(11, 8)), Minutes{4 * 480 + 240});
}

TEST_F(WorkCalendarTest, IntervalMayEndAtMidnight)
{
    WorkCalendar late("Spät");
    late.setWeekday(Monday, {{16 * 60, 24 * 60}});
    EXPECT_EQ(late.addWorkingTime(march(4, 16), Minutes{480}), march(5, 0));
    EXPECT_EQ(late.nextWorkingMoment(march(4, 23, 59, 59)), march(4, 23, 59, 59));
    EXPECT_EQ(late.nextWorkingMoment(march(5, 0)), march(11, 16));
    EXPECT_EQ(late.workingTimeBetween(march(4, 20), march(5, 12)), Minutes{240});
}

TEST_F(WorkCalendarTest, NightShiftCrossesMidnightAsTwoIntervals)
{
    WorkCalendar night("Nacht");
    for (const auto day : {Monday, Tuesday, Wednesday, Thursday, Friday})
        night.setWeekday(day, {{22 * 60, 24 * 60}});
    for (const auto day : {Tuesday, Wednesday, Thursday, Friday, Saturday})
        night.setWeekday(day, {{0, 6 * 60}, {22 * 60, 24 * 60}});
    night.setWeekday(Saturday, {{0, 6 * 60}});

    EXPECT_EQ(night.addWorkingTime(march(4, 22), Minutes{480}), march(5, 6));
    EXPECT_EQ(night.addWorkingTime(march(4, 23), Minutes{120}), march(5, 1));
    EXPECT_EQ(night.workingTimeBetween(march(4, 23), march(5, 1)), Minutes{120});
    EXPECT_EQ(night.nextWorkingMoment(march(5, 6)), march(5, 22));
    EXPECT_EQ(night.addWorkingTime(march(8, 22), Minutes{480}), march(9, 6)); // Friday night
    EXPECT_EQ(night.nextWorkingMoment(march(9, 6)), march(11, 22));
}

TEST_F(WorkCalendarTest, CalendarWithoutWorkingTimeThrowsInsteadOfSearchingForever)
{
    const WorkCalendar idle("Leer");
    EXPECT_THROW(idle.nextWorkingMoment(march(4, 8)), HostError);
    EXPECT_THROW(idle.addWorkingTime(march(4, 8), Minutes{60}), HostError);
    EXPECT_EQ(idle.workingTimeBetween(march(4, 8), march(11, 8)), Minutes{0});

    // Work that runs out when the calendar's last working day has passed throws as well.
    WorkCalendar once("Einmal");
    once.setException(dateOf(march(4, 0)), {{8 * 60, 9 * 60}});
    EXPECT_EQ(once.addWorkingTime(march(1, 0), Minutes{60}), march(4, 9));
    EXPECT_THROW(once.addWorkingTime(march(1, 0), Minutes{61}), HostError);
}

TEST_F(WorkCalendarTest, RejectsInvalidIntervals)
{
    WorkCalendar calendar("X");
    EXPECT_THROW(calendar.setWeekday(Monday, {{600, 600}}), HostError);
    EXPECT_THROW(calendar.setWeekday(Monday, {{600, 24 * 60 + 1}}), HostError);
    EXPECT_THROW(calendar.setWeekday(Monday, {{480, 720}, {700, 900}}), HostError);
    calendar.setWeekday(Monday, {{780, 1020}, {480, 720}}); // given out of order
    EXPECT_EQ(calendar.addWorkingTime(march(4, 0), Minutes{300}), march(4, 14));
}

} // namespace
} // namespace zelvant
