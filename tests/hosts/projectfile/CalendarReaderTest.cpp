#include "hosts/projectfile/CalendarReader.h"
#include "hosts/projectfile/ContentError.h"

#include <gtest/gtest.h>

#include <string>

namespace zelvant {
namespace {

using namespace std::chrono;

class CalendarReaderTest : public ::testing::Test {
protected:
    static constexpr const char* kWorkday =
        "<DayWorking>1</DayWorking><WorkingTimes>"
        "<WorkingTime><FromTime>08:00:00</FromTime><ToTime>12:00:00</ToTime></WorkingTime>"
        "<WorkingTime><FromTime>13:00:00</FromTime><ToTime>17:00:00</ToTime></WorkingTime></WorkingTimes>";

    // A base calendar "Standard" (UID 1), Monday to Friday, with `extra` inside its element and
    // `extraDays` among its WeekDays.
    static std::string standard(const std::string& extra = "", const std::string& extraDays = "")
    {
        std::string days = "<WeekDay><DayType>1</DayType><DayWorking>0</DayWorking></WeekDay>";
        for (int day = 2; day <= 6; ++day)
            days += "<WeekDay><DayType>" + std::to_string(day) + "</DayType>" + kWorkday + "</WeekDay>";
        days += "<WeekDay><DayType>7</DayType><DayWorking>0</DayWorking></WeekDay>" + extraDays;
        return "<Calendar><UID>1</UID><Name>Standard</Name><IsBaseCalendar>1</IsBaseCalendar>"
               "<BaseCalendarUID>0</BaseCalendarUID><WeekDays>" +
               days + "</WeekDays>" + extra + "</Calendar>";
    }

    std::vector<FileCalendar> read(const std::string& calendars)
    {
        const std::string xml = "<Calendars>" + calendars + "</Calendars>";
        EXPECT_TRUE(document.load_buffer(xml.data(), xml.size()));
        return CalendarReader::read(document.child("Calendars"));
    }

    static const WorkCalendar& named(const std::vector<FileCalendar>& all, const std::string& name)
    {
        for (const FileCalendar& calendar : all)
            if (calendar.name == name)
                return calendar.calendar;
        throw std::runtime_error("no calendar " + name);
    }

    static local_days date(int year, unsigned month, unsigned day)
    {
        return local_days{std::chrono::year(year) / month / day};
    }

    static Minutes workOn(const WorkCalendar& calendar, local_days day)
    {
        return calendar.workingTimeBetween(DateTime(day), DateTime(day + days{1}));
    }

    pugi::xml_document document;
};

TEST_F(CalendarReaderTest, DerivedCalendarTakesWhatItDoesNotStateFromItsBase)
{
    const auto calendars = read(
        standard("<Exceptions><Exception><TimePeriod><FromDate>2024-12-24T00:00:00</FromDate>"
                 "<ToDate>2024-12-24T23:59:00</ToDate></TimePeriod><Type>1</Type><DayWorking>0</DayWorking>"
                 "</Exception></Exceptions>") +
        "<Calendar><UID>5</UID><Name>Anna</Name><IsBaseCalendar>0</IsBaseCalendar>"
        "<BaseCalendarUID>1</BaseCalendarUID><WeekDays>"
        "<WeekDay><DayType>6</DayType><DayWorking>0</DayWorking></WeekDay>"
        "<WeekDay><DayType>2</DayType><DayWorking>1</DayWorking></WeekDay>" // working, hours from the base
        "<WeekDay><DayType>0</DayType><DayWorking>0</DayWorking><TimePeriod>"
        "<FromDate>2024-03-12T00:00:00</FromDate><ToDate>2024-03-13T23:59:00</ToDate></TimePeriod></WeekDay>"
        "</WeekDays></Calendar>");

    ASSERT_EQ(calendars.size(), 2u);
    EXPECT_TRUE(calendars[0].isBase);
    EXPECT_FALSE(calendars[1].isBase);
    const WorkCalendar& anna = named(calendars, "Anna");
    EXPECT_EQ(workOn(anna, date(2024, 3, 4)), Minutes{480}); // Monday, from the base
    EXPECT_EQ(workOn(anna, date(2024, 3, 8)), Minutes{0});   // her Friday off
    EXPECT_EQ(workOn(anna, date(2024, 3, 12)), Minutes{0});  // her own days off
    EXPECT_EQ(workOn(anna, date(2024, 3, 13)), Minutes{0});
    EXPECT_EQ(workOn(anna, date(2024, 12, 24)), Minutes{0}); // the base's holiday
    EXPECT_EQ(workOn(named(calendars, "Standard"), date(2024, 3, 8)), Minutes{480});
}

TEST_F(CalendarReaderTest, WorkingTimeUntilMidnightEndsAtTheEndOfTheDay)
{
    const auto calendars =
        read("<Calendar><UID>2</UID><Name>Nacht</Name><IsBaseCalendar>1</IsBaseCalendar><WeekDays>"
             "<WeekDay><DayType>2</DayType><DayWorking>1</DayWorking><WorkingTimes><WorkingTime>"
             "<FromTime>23:00:00</FromTime><ToTime>00:00:00</ToTime></WorkingTime></WorkingTimes></WeekDay>"
             "</WeekDays></Calendar>");
    const WorkCalendar& night = calendars.at(0).calendar;
    EXPECT_EQ(night.intervalsOn(date(2024, 3, 4)), (WorkCalendar::Intervals{{23 * 60, 24 * 60}}));
    // Weekdays a base calendar leaves out take the plan's default week.
    EXPECT_EQ(workOn(night, date(2024, 3, 5)), Minutes{480});
    EXPECT_EQ(workOn(night, date(2024, 3, 10)), Minutes{0});
}

TEST_F(CalendarReaderTest, ExceptionsReplaceTheLegacyDayEntries)
{
    // Both forms present, as newer files write them: only the Exception counts.
    const auto calendars = read(standard(
        "<Exceptions><Exception><TimePeriod><FromDate>2024-12-31T00:00:00</FromDate>"
        "<ToDate>2024-12-31T23:59:00</ToDate></TimePeriod><Type>1</Type><DayWorking>1</DayWorking>"
        "<WorkingTimes><WorkingTime><FromTime>09:00:00</FromTime><ToTime>11:00:00</ToTime></WorkingTime>"
        "</WorkingTimes></Exception></Exceptions>",
        "<WeekDay><DayType>0</DayType><DayWorking>0</DayWorking><TimePeriod><FromDate>2024-12-24T00:00:00"
        "</FromDate><ToDate>2024-12-24T23:59:00</ToDate></TimePeriod></WeekDay>"));
    const WorkCalendar& calendar = calendars.at(0).calendar;
    EXPECT_EQ(workOn(calendar, date(2024, 12, 24)), Minutes{480});
    EXPECT_EQ(workOn(calendar, date(2024, 12, 31)), Minutes{120});
}

TEST_F(CalendarReaderTest, RecurringExceptionsFallOnTheirDates)
{
    const auto calendars = read(standard(
        "<Exceptions>"
        // The fourth Thursday of November, yearly.
        "<Exception><TimePeriod><FromDate>2024-11-01T00:00:00</FromDate><ToDate>2026-11-30T23:59:00</ToDate>"
        "</TimePeriod><Type>3</Type><Month>10</Month><MonthItem>7</MonthItem><MonthPosition>3</MonthPosition>"
        "<DayWorking>0</DayWorking></Exception>"
        // Tuesdays and Thursdays for two weeks, mornings only.
        "<Exception><TimePeriod><FromDate>2024-03-04T00:00:00</FromDate><ToDate>2024-03-15T23:59:00</ToDate>"
        "</TimePeriod><Type>6</Type><Period>1</Period><DaysOfWeek>20</DaysOfWeek><DayWorking>1</DayWorking>"
        "<WorkingTimes><WorkingTime><FromTime>08:00:00</FromTime><ToTime>12:00:00</ToTime></WorkingTime>"
        "</WorkingTimes></Exception>"
        // Three days in a row, counted by occurrences.
        "<Exception><EnteredByOccurrences>1</EnteredByOccurrences><Occurrences>3</Occurrences><TimePeriod>"
        "<FromDate>2024-08-05T00:00:00</FromDate><ToDate>2024-08-30T23:59:00</ToDate></TimePeriod>"
        "<Type>7</Type><Period>1</Period><DayWorking>0</DayWorking></Exception>"
        "</Exceptions>"));
    const WorkCalendar& calendar = calendars.at(0).calendar;
    EXPECT_EQ(workOn(calendar, date(2024, 11, 28)), Minutes{0});
    EXPECT_EQ(workOn(calendar, date(2025, 11, 27)), Minutes{0});
    EXPECT_EQ(workOn(calendar, date(2025, 11, 20)), Minutes{480});
    EXPECT_EQ(workOn(calendar, date(2024, 3, 5)), Minutes{240});
    EXPECT_EQ(workOn(calendar, date(2024, 3, 14)), Minutes{240});
    EXPECT_EQ(workOn(calendar, date(2024, 3, 6)), Minutes{480});
    EXPECT_EQ(workOn(calendar, date(2024, 3, 19)), Minutes{480}); // after the period
    EXPECT_EQ(workOn(calendar, date(2024, 8, 7)), Minutes{0});
    EXPECT_EQ(workOn(calendar, date(2024, 8, 8)), Minutes{480}); // the fourth occurrence is not
}

TEST_F(CalendarReaderTest, WorkWeeksChangeTheWeekForTheirPeriod)
{
    const auto calendars =
        read(standard("<WorkWeeks><WorkWeek><TimePeriod><FromDate>2024-07-01T00:00:00</FromDate>"
                      "<ToDate>2024-07-31T23:59:00</ToDate></TimePeriod><Name>Sommer</Name><WeekDays>"
                      "<WeekDay><DayType>6</DayType><DayWorking>0</DayWorking></WeekDay></WeekDays></"
                      "WorkWeek></WorkWeeks>"));
    const WorkCalendar& calendar = calendars.at(0).calendar;
    EXPECT_EQ(workOn(calendar, date(2024, 7, 5)), Minutes{0});
    EXPECT_EQ(workOn(calendar, date(2024, 7, 4)), Minutes{480});
    EXPECT_EQ(workOn(calendar, date(2024, 8, 2)), Minutes{480});
}

TEST_F(CalendarReaderTest, OverlappingWorkingTimesAreReportedAtTheirElement)
{
    try {
        read("<Calendar><UID>2</UID><Name>Kaputt</Name><IsBaseCalendar>1</IsBaseCalendar><WeekDays>"
             "<WeekDay><DayType>2</DayType><DayWorking>1</DayWorking><WorkingTimes>"
             "<WorkingTime><FromTime>08:00:00</FromTime><ToTime>12:00:00</ToTime></WorkingTime>"
             "<WorkingTime><FromTime>11:00:00</FromTime><ToTime>17:00:00</ToTime></WorkingTime>"
             "</WorkingTimes></WeekDay></WeekDays></Calendar>");
        FAIL() << "overlapping working times were accepted";
    } catch (const ContentError& error) {
        EXPECT_GT(error.offset(), 0);
        EXPECT_NE(std::string(error.what()).find("Arbeitszeiten"), std::string::npos);
    }
}

} // namespace
} // namespace zelvant
