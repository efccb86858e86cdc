#include "hosts/projectfile/CalendarReader.h"

#include <gtest/gtest.h>

#include <string>

namespace zelvant {
namespace {

using namespace std::chrono;

std::string exception(const char* from, const char* to, const std::string& rest)
{
    return "<Exception><TimePeriod><FromDate>" + std::string(from) + "T00:00:00</FromDate><ToDate>" + to +
           "T23:59:00</ToDate></TimePeriod>" + rest + "</Exception>";
}

// Every way a plan states working time, in one set of calendars, and what each day comes to.
TEST(CalendarReader, CalendarsReadAsThePlanShowsThem)
{
    // Standard states no week: the days it leaves out take the plan's default week.
    const std::string mornings = "<DayWorking>1</DayWorking><WorkingTimes><WorkingTime><FromTime>08:00:00"
                                 "</FromTime><ToTime>12:00:00</ToTime></WorkingTime></WorkingTimes>";
    const std::string xml =
        "<Calendars><Calendar><UID>1</UID><Name>Standard</Name><IsBaseCalendar>1</IsBaseCalendar><WeekDays>"
        // Days in the older form: they do not count beside Exceptions.
        "<WeekDay><DayType>0</DayType><DayWorking>0</DayWorking><TimePeriod><FromDate>2024-12-27T00:00:00"
        "</FromDate><ToDate>2024-12-27T23:59:00</ToDate></TimePeriod></WeekDay></WeekDays><Exceptions>" +
        exception("2024-12-24", "2024-12-24", "<Type>1</Type><DayWorking>0</DayWorking>") +
        exception("2024-12-31", "2024-12-31", "<Type>1</Type>" + mornings) +
        // The fourth Thursday of November, yearly.
        exception("2024-11-01", "2026-11-30",
                  "<Type>3</Type><Month>10</Month><MonthItem>7</MonthItem><MonthPosition>3</MonthPosition>"
                  "<DayWorking>0</DayWorking>") +
        // Tuesdays and Thursdays for two weeks, mornings only.
        exception("2024-03-04", "2024-03-15",
                  "<Type>6</Type><Period>1</Period><DaysOfWeek>20</DaysOfWeek>" + mornings) +
        // Three days in a row, counted by occurrences.
        exception("2024-08-05", "2024-08-30",
                  "<Type>7</Type><Period>1</Period><DayWorking>0</DayWorking><EnteredByOccurrences>1"
                  "</EnteredByOccurrences><Occurrences>3</Occurrences>") +
        "</Exceptions><WorkWeeks><WorkWeek><TimePeriod><FromDate>2024-07-01T00:00:00</FromDate>"
        "<ToDate>2024-07-31T23:59:00</ToDate></TimePeriod><Name>Sommer</Name><WeekDays><WeekDay>"
        "<DayType>6</DayType><DayWorking>0</DayWorking></WeekDay></WeekDays></WorkWeek></WorkWeeks></"
        "Calendar>"
        // A resource's calendar: what it does not state comes from its base.
        "<Calendar><UID>5</UID><Name>Anna</Name><IsBaseCalendar>0</IsBaseCalendar>"
        "<BaseCalendarUID>1</BaseCalendarUID><WeekDays>"
        "<WeekDay><DayType>6</DayType><DayWorking>0</DayWorking></WeekDay>"
        "<WeekDay><DayType>2</DayType><DayWorking>1</DayWorking></WeekDay>"
        "<WeekDay><DayType>0</DayType><DayWorking>0</DayWorking><TimePeriod><FromDate>2024-03-12T00:00:00"
        "</FromDate><ToDate>2024-03-13T23:59:00</ToDate></TimePeriod></WeekDay></WeekDays></Calendar></"
        "Calendars>";
    pugi::xml_document document;
    ASSERT_TRUE(document.load_buffer(xml.data(), xml.size()));
    const auto calendars = CalendarReader::read(document.child("Calendars"));
    ASSERT_EQ(calendars.size(), 2u);
    EXPECT_FALSE(calendars[1].isBase);
    struct Case {
        std::size_t calendar;
        year_month_day day;
        int minutes;
    };
    const Case cases[] = {
        {0, 2024y / 3 / 8, 480},   {0, 2024y / 12 / 24, 0},  {0, 2024y / 12 / 27, 480},
        {0, 2024y / 12 / 31, 240}, {0, 2024y / 11 / 28, 0},  {0, 2025y / 11 / 27, 0},
        {0, 2025y / 11 / 20, 480}, {0, 2024y / 3 / 5, 240},  {0, 2024y / 3 / 14, 240},
        {0, 2024y / 3 / 6, 480},   {0, 2024y / 3 / 19, 480}, {0, 2024y / 8 / 7, 0},
        {0, 2024y / 8 / 8, 480},   {0, 2024y / 7 / 5, 0},    {0, 2024y / 7 / 4, 480},
        {1, 2024y / 3 / 4, 480},   {1, 2024y / 3 / 8, 0},    {1, 2024y / 3 / 13, 0},
        {1, 2024y / 12 / 24, 0},
    };
    for (const Case& c : cases) {
        const local_days day{c.day};
        EXPECT_EQ(calendars[c.calendar].calendar.workingTimeBetween(DateTime(day), DateTime(day + days{1})),
                  Minutes{c.minutes})
            << calendars[c.calendar].name << " " << int(c.day.year()) << "-" << unsigned(c.day.month()) << "-"
            << unsigned(c.day.day());
    }
}

} // namespace
} // namespace zelvant
