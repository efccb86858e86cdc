#include "hosts/projectfile/MspdiValues.h"

#include <gtest/gtest.h>

#include <random>

namespace zelvant {
namespace {

using namespace std::chrono;

TEST(MspdiValues, DurationsAreReadOrRefusedWithTheReason)
{
    using mspdi::Fault;
    struct Case {
        std::string text;
        std::optional<seconds> value;
        Fault fault = Fault::Unreadable;
    };
    const Case cases[] = {
        {"PT7H30M0S", minutes{450}},
        {"-PT8H", hours{-8}},
        {"P1DT2H30M", minutes{26 * 60 + 30}},
        {"PT8H0M0.75S", hours{8}},
        {"PT876000H", hours{876000}}, // a hundred years of 365 days
        {"P8H", std::nullopt},        // hours belong after the T
        {"PT1e3S", std::nullopt},
        {"PT878500H", std::nullopt, Fault::OutOfRange},
        {"PT33333333333333333330S", std::nullopt, Fault::OutOfRange}, // beyond 64 bits of seconds
    };
    for (const Case& c : cases) {
        Fault fault = c.fault == Fault::Unreadable ? Fault::OutOfRange : Fault::Unreadable; // must be set
        EXPECT_EQ(mspdi::parseDuration(c.text, &fault), c.value) << c.text;
        if (!c.value) {
            EXPECT_EQ(fault, c.fault) << c.text;
        }
    }
}

TEST(MspdiValues, EveryDurationInRangeReadsBackAsWritten)
{
    std::mt19937_64 random(20240304);
    std::uniform_int_distribution<long long> any(-mspdi::kLongestDuration.count(),
                                                 mspdi::kLongestDuration.count());
    for (int i = 0; i < 2000; ++i) {
        const seconds duration{any(random)};
        EXPECT_EQ(mspdi::parseDuration(mspdi::formatDuration(duration)), duration) << duration.count();
    }
}

TEST(MspdiValues, DateTimesAreLocalMustExistAndLieInThePlansYears)
{
    EXPECT_EQ(mspdi::parseDateTime("2024-03-05T08:30:15.5"), makeDateTime(2024, 3, 5, 8, 30, 15));
    EXPECT_FALSE(mspdi::parseDateTime("2023-02-29T08:00:00"));
    EXPECT_FALSE(mspdi::parseDateTime("2024-03-05T08:00:00Z"));
    EXPECT_EQ(mspdi::formatDateTime(makeDateTime(2024, 3, 5, 17, 0)), "2024-03-05T17:00:00");
    EXPECT_TRUE(mspdi::inPlanYears(makeDateTime(1900, 1, 1, 0)));
    EXPECT_TRUE(mspdi::inPlanYears(makeDateTime(2200, 12, 31, 23, 59)));
    EXPECT_FALSE(mspdi::inPlanYears(makeDateTime(1899, 12, 31, 23, 59)));
    EXPECT_FALSE(mspdi::inPlanYears(makeDateTime(2201, 1, 1, 0)));
}

} // namespace
} // namespace zelvant
