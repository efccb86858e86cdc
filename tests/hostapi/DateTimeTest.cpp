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

TEST(DateTime, IsoPeriodsKeepCalendarDaysApartFromExactTime)
{
    using std::chrono::seconds;
    constexpr seconds kYear{366 * 86400};
    struct Case {
        std::string text;
        std::optional<IsoPeriod> period;
        PeriodFault fault = PeriodFault::Unreadable;
    };
    const auto p = [](double days, double secs, bool negative = false, bool fractional = false) {
        return std::optional<IsoPeriod>(IsoPeriod{negative, fractional, days, secs});
    };
    const Case cases[] = {
        {"P1D", p(1, 0)},
        {"P2W", p(14, 0)},
        {"PT1H30M", p(0, 5400)},
        {"P1DT12H", p(1, 43200)},
        {"+P1D", p(1, 0)},
        {"-PT8H", p(0, 28800, true)},
        {"PT-8H0M0S", p(0, 28800, true)},
        {"-PT-8H", p(0, 28800)},
        {"PT8H0M0.5S", p(0, 28800.5, false, true)},
        {"P1DT", p(1, 0)},
        {"P366D", p(366, 0)},
        {"P", std::nullopt},
        {"PT", std::nullopt},
        {"80H", std::nullopt},
        {"P1H", std::nullopt},  // hours belong after the T
        {"PT1D", std::nullopt}, // days before it
        {"PT1e3S", std::nullopt},
        {"PT1H ", std::nullopt},
        {"P367D", std::nullopt, PeriodFault::OutOfRange},
        {"P1DT" + std::to_string(365 * 24 + 1) + "H", std::nullopt, PeriodFault::OutOfRange},
        {"PT" + std::string(400, '9') + "S", std::nullopt, PeriodFault::OutOfRange},
    };
    for (const Case& c : cases) {
        PeriodFault fault = c.fault == PeriodFault::Unreadable ? PeriodFault::OutOfRange : PeriodFault::Unreadable;
        const auto period = parseIsoPeriod(c.text, kYear, &fault);
        ASSERT_EQ(period.has_value(), c.period.has_value()) << c.text;
        if (period) {
            EXPECT_EQ(period->negative, c.period->negative) << c.text;
            EXPECT_EQ(period->fractional, c.period->fractional) << c.text;
            EXPECT_DOUBLE_EQ(period->days, c.period->days) << c.text;
            EXPECT_DOUBLE_EQ(period->seconds, c.period->seconds) << c.text;
        } else {
            EXPECT_EQ(fault, c.fault) << c.text;
        }
    }
}

} // namespace
} // namespace zelvant
