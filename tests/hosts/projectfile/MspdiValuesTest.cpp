#include "hosts/projectfile/MspdiValues.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace std::chrono;

TEST(MspdiValues, DurationsReadHoursMinutesAndSign)
{
    EXPECT_EQ(mspdi::parseDuration("PT80H0M0S"), hours{80});
    EXPECT_EQ(mspdi::parseDuration("PT7H30M0S"), minutes{450});
    EXPECT_EQ(mspdi::parseDuration("PT-8H0M0S"), hours{-8});
    EXPECT_EQ(mspdi::parseDuration("-PT8H"), hours{-8});
    EXPECT_EQ(mspdi::parseDuration("P1DT2H30M"), minutes{26 * 60 + 30});
    EXPECT_EQ(mspdi::parseDuration("PT8H0M0.75S"), hours{8});
    EXPECT_FALSE(mspdi::parseDuration("80H"));
    EXPECT_FALSE(mspdi::parseDuration("PT"));
    EXPECT_FALSE(mspdi::parseDuration("PT8X"));
    EXPECT_FALSE(mspdi::parseDuration("P8H")); // hours belong after the T
}

TEST(MspdiValues, DurationsAreWrittenAsHoursMinutesSeconds)
{
    EXPECT_EQ(mspdi::formatDuration(hours{80}), "PT80H0M0S");
    EXPECT_EQ(mspdi::formatDuration(minutes{450}), "PT7H30M0S");
    EXPECT_EQ(mspdi::formatDuration(seconds{-8 * 3600 - 90}), "PT-8H1M30S");
    EXPECT_EQ(mspdi::parseDuration(mspdi::formatDuration(seconds{-8 * 3600 - 90})), seconds{-8 * 3600 - 90});
}

TEST(MspdiValues, DateTimesAreLocalAndMustExist)
{
    EXPECT_EQ(mspdi::parseDateTime("2024-03-05T08:30:00"), makeDateTime(2024, 3, 5, 8, 30));
    EXPECT_EQ(mspdi::parseDateTime(" 2024-03-05T08:30\n"), makeDateTime(2024, 3, 5, 8, 30));
    EXPECT_EQ(mspdi::parseDateTime("2024-03-05T08:30:15.5"), makeDateTime(2024, 3, 5, 8, 30, 15));
    EXPECT_FALSE(mspdi::parseDateTime("2023-02-29T08:00:00"));
    EXPECT_FALSE(mspdi::parseDateTime("2024-03-05"));
    EXPECT_FALSE(mspdi::parseDateTime("2024-03-05T08:00:00Z"));
    EXPECT_EQ(mspdi::formatDateTime(makeDateTime(2024, 3, 5, 17, 0)), "2024-03-05T17:00:00");
}

TEST(MspdiValues, TimesOfDayAndNumbers)
{
    EXPECT_EQ(mspdi::parseTimeOfDay("13:30:00"), 13 * 60 + 30);
    EXPECT_EQ(mspdi::parseTimeOfDay("00:00:00"), 0);
    EXPECT_FALSE(mspdi::parseTimeOfDay("8:00:00"));
    EXPECT_EQ(mspdi::parseInteger("-65535"), -65535);
    EXPECT_FALSE(mspdi::parseInteger("12a"));
    EXPECT_EQ(mspdi::parseNumber("0.75"), 0.75);
}

} // namespace
} // namespace zelvant
