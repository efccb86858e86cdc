#include "hostapi/DateTime.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

TEST(DateTime, FormatsFixedLayoutsIndependentOfLocale)
{
    const DateTime t = makeDateTime(2024, 3, 5, 7, 9, 41);
    EXPECT_EQ(formatYmd(t), "20240305");
    EXPECT_EQ(formatHm(t), "0709");
    EXPECT_EQ(formatGerman(t), "05.03.2024 07:09");
    EXPECT_EQ(formatGermanDate(t), "05.03.2024");
    EXPECT_EQ(formatIso(t), "2024-03-05T07:09:41");
    EXPECT_EQ(formatGerman(makeDateTime(2024, 12, 31)), "31.12.2024 00:00"); // midnight keeps its hour
}

TEST(DateTime, ParsesLinkDatesAndRejectsImpossibleOnes)
{
    EXPECT_EQ(parseYmdHm("202402291730"), makeDateTime(2024, 2, 29, 17, 30));
    EXPECT_FALSE(parseYmdHm("202302291730")); // no 29 February in 2023
    EXPECT_FALSE(parseYmdHm("202401012460"));
    EXPECT_FALSE(parseYmdHm("2024010112"));
    EXPECT_FALSE(parseYmdHm("20240101 230"));
}

TEST(DateTime, ParsesGermanDates)
{
    EXPECT_EQ(parseGermanDate("01.07.2024"), makeDateTime(2024, 7, 1));
    EXPECT_FALSE(parseGermanDate("31.04.2024"));
    EXPECT_FALSE(parseGermanDate("1.7.2024"));
    EXPECT_FALSE(parseGermanDate("2024-07-01"));
}

TEST(DateTime, TruncatesToTheMinute)
{
    EXPECT_EQ(truncateToMinute(makeDateTime(2024, 1, 1, 23, 59, 59)), makeDateTime(2024, 1, 1, 23, 59));
}

} // namespace
} // namespace zelvant
