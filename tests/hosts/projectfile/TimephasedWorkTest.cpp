#include "hosts/projectfile/TimephasedWork.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace std::chrono;

// A moment in March 2024; the 4th is a Monday.
DateTime march(unsigned day, unsigned hour)
{
    return makeDateTime(2024, 3, day, hour);
}

// A period of the plan's usual shape: from one morning to the next, with that day's work.
TimephasedPeriod day(unsigned dayOfMonth, int workHours)
{
    return {march(dayOfMonth, 8), march(dayOfMonth + 1, 8), hours{workHours}};
}

TEST(TimephasedWork, WorkReadsAsPartsSplitOnlyWhereWorkingTimeHasNoWork)
{
    const WorkCalendar standard = WorkCalendar::standard();
    struct Case {
        const char* rule;
        std::vector<TimephasedPeriod> periods;
        std::vector<SplitPart> parts;
    };
    const Case cases[] = {
        {"zero work over a weekend splits nothing",
         {day(7, 8), day(8, 8), day(9, 0), day(10, 0), day(11, 8)},
         {{march(7, 8), march(11, 17)}}},
        {"zero work on working days splits",
         {day(4, 8), day(5, 0), day(6, 0), day(7, 8)},
         {{march(4, 8), march(4, 17)}, {march(7, 8), march(7, 17)}}},
        {"working time without a period splits",
         {{march(4, 8), march(4, 17), hours{8}}, {march(6, 13), march(6, 17), hours{4}}},
         {{march(4, 8), march(4, 17)}, {march(6, 13), march(6, 17)}}},
        {"part-time work fills the day", {day(4, 4), day(5, 4), day(6, 4)}, {{march(4, 8), march(6, 17)}}},
        {"a period from the evening begins at the next working moment",
         {{march(4, 8), march(4, 17), hours{8}},
          {march(4, 17), march(5, 17), hours{0}},
          {march(5, 17), march(6, 17), hours{8}}},
         {{march(4, 8), march(4, 17)}, {march(6, 8), march(6, 17)}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            TimephasedWork::joinStretches(TimephasedWork::workedStretches(c.periods, standard), standard),
            c.parts)
            << c.rule;
    const auto periods = TimephasedWork::periodsFor({{march(4, 8), march(5, 17)}}, standard, 0.75);
    ASSERT_EQ(periods.size(), 2u);
    EXPECT_EQ(periods[0].work, hours{6}) << "work follows the assignment's units";
}

} // namespace
} // namespace zelvant
