#include "hosts/projectfile/TimephasedWork.h"

#include <gtest/gtest.h>

#include <numeric>

namespace zelvant {
namespace {

using namespace std::chrono;

class TimephasedWorkTest : public ::testing::Test {
protected:
    // A moment in March 2024; the 4th is a Monday.
    static DateTime march(unsigned day, unsigned hour, unsigned minute = 0)
    {
        return makeDateTime(2024, 3, day, hour, minute);
    }

    // Periods of the plan's usual shape: from one morning to the next, with that day's work.
    static TimephasedPeriod day(unsigned dayOfMonth, int workHours)
    {
        return {march(dayOfMonth, 8), march(dayOfMonth + 1, 8), hours{workHours}};
    }

    std::vector<SplitPart> partsOf(const std::vector<TimephasedPeriod>& periods) const
    {
        return TimephasedWork::joinStretches(TimephasedWork::workedStretches(periods, standard), standard);
    }

    const WorkCalendar standard = WorkCalendar::standard();
};

TEST_F(TimephasedWorkTest, ZeroWorkOverAWeekendSplitsNothing)
{
    const auto parts = partsOf({day(7, 8), day(8, 8), day(9, 0), day(10, 0), day(11, 8)});
    EXPECT_EQ(parts, (std::vector<SplitPart>{{march(7, 8), march(11, 17)}}));
}

TEST_F(TimephasedWorkTest, ZeroWorkOverWorkingDaysSplits)
{
    const auto parts = partsOf({day(4, 8), day(5, 0), day(6, 0), day(7, 8)});
    EXPECT_EQ(parts, (std::vector<SplitPart>{{march(4, 8), march(4, 17)}, {march(7, 8), march(7, 17)}}));
}

TEST_F(TimephasedWorkTest, WorkingTimeBetweenPeriodsSplits)
{
    // No entry at all for Tuesday: the gap itself is the split.
    const auto parts =
        partsOf({{march(4, 8), march(4, 17), hours{8}}, {march(6, 13), march(6, 17), hours{4}}});
    EXPECT_EQ(parts, (std::vector<SplitPart>{{march(4, 8), march(4, 17)}, {march(6, 13), march(6, 17)}}));
}

TEST_F(TimephasedWorkTest, PartTimeWorkFillsTheDayWithoutSplitting)
{
    // Half units: four hours of work spread over each working day.
    const auto parts = partsOf({day(4, 4), day(5, 4), day(6, 4)});
    EXPECT_EQ(parts, (std::vector<SplitPart>{{march(4, 8), march(6, 17)}}));
}

TEST_F(TimephasedWorkTest, PeriodsStartingInTheEveningBeginAtTheNextWorkingMoment)
{
    // The plan chains periods from the previous finish: 17:00 to 17:00 holds the next day's work.
    const auto parts = partsOf({{march(4, 8), march(4, 17), hours{8}},
                                {march(4, 17), march(5, 17), hours{0}},
                                {march(5, 17), march(6, 17), hours{8}}});
    EXPECT_EQ(parts, (std::vector<SplitPart>{{march(4, 8), march(4, 17)}, {march(6, 8), march(6, 17)}}));
}

TEST_F(TimephasedWorkTest, WrittenPeriodsReadBackAsTheSameParts)
{
    const std::vector<SplitPart> parts{
        {march(4, 10), march(5, 15)}, {march(7, 8), march(7, 12)}, {march(11, 13), march(11, 17)}};
    const auto periods = TimephasedWork::periodsFor(parts, standard, 1.0);

    EXPECT_EQ(partsOf(periods), parts);
    // One period per day with working time; the gaps' days carry zero work: Mon, Tue, (Tue 15-17,
    // Wed), Thu morning, (Thu afternoon, Fri, Mon morning), Mon afternoon.
    ASSERT_EQ(periods.size(), 9u);
    EXPECT_EQ(periods[0], (TimephasedPeriod{march(4, 10), march(4, 17), hours{6}}));
    EXPECT_EQ(periods[2], (TimephasedPeriod{march(5, 15), march(5, 17), hours{0}}));
    EXPECT_EQ(periods[7], (TimephasedPeriod{march(11, 8), march(11, 12), hours{0}}));
    const seconds work = std::accumulate(periods.begin(), periods.end(), seconds{0},
                                         [](seconds sum, const TimephasedPeriod& p) { return sum + p.work; });
    EXPECT_EQ(work, hours{6 + 6 + 4 + 4});
}

TEST_F(TimephasedWorkTest, WrittenWorkFollowsTheAssignmentsUnits)
{
    const auto periods = TimephasedWork::periodsFor({{march(4, 8), march(5, 17)}}, standard, 0.75);
    ASSERT_EQ(periods.size(), 2u);
    EXPECT_EQ(periods[0].work, hours{6});
    EXPECT_EQ(periods[1].finish, march(5, 17));
}

} // namespace
} // namespace zelvant
