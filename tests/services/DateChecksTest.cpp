#include "services/DateChecks.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

TEST(CheckPeriod, AcceptsAPeriodOfOneDayAndTheOuterLimits)
{
    EXPECT_FALSE(CheckPeriod(makeDateTime(2024, 7, 1, 18), makeDateTime(2024, 7, 1, 9)));
    EXPECT_FALSE(CheckPeriod(makeDateTime(1984, 1, 1), makeDateTime(2049, 12, 31, 23, 59)));
}

TEST(CheckPeriod, GivesTheMessageOfTheFirstRuleBroken)
{
    EXPECT_EQ(CheckPeriod(std::nullopt, makeDateTime(2024, 7, 1)), kInvalidDateText);
    EXPECT_EQ(CheckPeriod(makeDateTime(2024, 7, 2), makeDateTime(2024, 7, 1)), kEndBeforeStartText);
    EXPECT_EQ(CheckPeriod(makeDateTime(1983, 12, 31), makeDateTime(2024, 7, 1)), kDateOutOfRangeText);
    EXPECT_EQ(CheckPeriod(makeDateTime(2024, 7, 1), makeDateTime(2050, 1, 1)), kDateOutOfRangeText);
    EXPECT_EQ(std::string(kEndBeforeStartText).substr(std::string(kEndBeforeStartText).size() - 6), "      ");
}

} // namespace
} // namespace zelvant
