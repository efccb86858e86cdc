#include "hostapi/DateTime.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

TEST(DateTime, FormatsFixedLayoutsIndependentOfLocale)
{
    const DateTime t = makeDateTime(2024, 3, 5, 7, 9, 41);
    EXPECT_EQ(formatYmd(t) + " " + formatHm(t), "20240305 0709");
    EXPECT_EQ(formatGerman(t) + " " + formatGermanDate(t) + " " + formatIso(t),
              "05.03.2024 07:09 05.03.2024 2024-03-05T07:09:41");
    EXPECT_EQ(formatGerman(makeDateTime(2024, 12, 31)), "31.12.2024 00:00"); // midnight keeps its hour
}

TEST(DateTime, ParsesLinkAndGermanDatesAndRejectsImpossibleOnes)
{
    EXPECT_EQ(parseYmdHm("202402291730"), makeDateTime(2024, 2, 29, 17, 30));
    EXPECT_EQ(parseGermanDate("01.07.2024"), makeDateTime(2024, 7, 1));
    for (const char* text : {"202302291730", "202401012460", "2024010112", "20240101 230"})
        EXPECT_FALSE(parseYmdHm(text)) << text;
    for (const char* text : {"31.04.2024", "1.7.2024", "2024-07-01"})
        EXPECT_FALSE(parseGermanDate(text)) << text;
}

TEST(DateTime, IsoPeriodsKeepCalendarDaysApartFromExactTime)
{
    constexpr std::chrono::seconds kYear{366 * 86400};
    struct Case {
        std::string text;
        std::optional<IsoPeriod> period;
        PeriodFault fault = PeriodFault::Unreadable;
    };
    const auto p = [](double days, double secs, bool negative = false, bool fractional = false) {
        return std::optional<IsoPeriod>(IsoPeriod{negative, fractional, days, secs});
    };
    const Case cases[] = {
        {"P2W", p(14, 0)},
        {"P1DT12H", p(1, 43200)},
        {"PT-8H0M0S", p(0, 28800, true)},
        {"-PT-8H", p(0, 28800)},
        {"PT8H0M0.5S", p(0, 28800.5, false, true)},
        {"P366D", p(366, 0)},
        {"P1H", std::nullopt}, // hours belong after the T
        {"P367D", std::nullopt, PeriodFault::OutOfRange},
        {"P1DT" + std::to_string(365 * 24 + 1) + "H", std::nullopt, PeriodFault::OutOfRange},
    };
    for (const Case& c : cases) {
        PeriodFault fault =
            c.fault == PeriodFault::Unreadable ? PeriodFault::OutOfRange : PeriodFault::Unreadable;
        const auto period = parseIsoPeriod(c.text, kYear, &fault);
        ASSERT_EQ(period.has_value(), c.period.has_value()) << c.text;
        if (!period) {
            EXPECT_EQ(fault, c.fault) << c.text;
            continue;
        }
        EXPECT_EQ(std::tie(period->negative, period->fractional, period->days, period->seconds),
                  std::tie(c.period->negative, c.period->fractional, c.period->days, c.period->seconds))
            << c.text;
    }
}

} // namespace
} // namespace zelvant
