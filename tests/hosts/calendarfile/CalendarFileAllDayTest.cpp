#include "hosts/calendarfile/CalendarFile.h"

#include "tests/hosts/calendarfile/IcsTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zelvant {
namespace {

using namespace icstest;

// Exchange's definition of Central European time, as its exports carry it.
const std::string kWesternEurope =
    "BEGIN:VTIMEZONE\r\nTZID:W. Europe Standard Time\r\nBEGIN:STANDARD\r\nDTSTART:16010101T030000\r\n"
    "TZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nRRULE:FREQ=YEARLY;INTERVAL=1;BYDAY=-1SU;BYMONTH=10\r\n"
    "END:STANDARD\r\nBEGIN:DAYLIGHT\r\nDTSTART:16010101T020000\r\nTZOFFSETFROM:+0100\r\n"
    "TZOFFSETTO:+0200\r\nRRULE:FREQ=YEARLY;INTERVAL=1;BYDAY=-1SU;BYMONTH=3\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE";

class CalendarFileAllDayTest : public ::testing::Test {
protected:
    TempDir dir;

    // A calendar with one event of these time lines, presented in Berlin.
    std::unique_ptr<CalendarFile> loadEvent(const std::vector<std::string>& timeLines)
    {
        std::vector<std::string> lines{kWesternEurope, "BEGIN:VEVENT", "UID:ganztags", "SUMMARY:Ganzt\u00E4gig"};
        lines.insert(lines.end(), timeLines.begin(), timeLines.end());
        lines.push_back("END:VEVENT");
        return loadAt(dir.write("allday.ics", calendarWith(lines)));
    }

    static MemoryAppointment& only(CalendarFile& file) { return *file.calendar().appointments().at(0); }
};

DateTime day(unsigned d)
{
    return makeDateTime(2027, 1, d);
}

const std::string kMark = "X-MICROSOFT-CDO-ALLDAYEVENT:TRUE";

TEST_F(CalendarFileAllDayTest, AllDayEventsAreWholeDaysAndStayInTheirStyleWhenMoved)
{
    struct Case {
        std::string what;
        std::vector<std::string> lines;
        DateTime start, end;              // as presented in Berlin
        DateTime movedStart, movedEnd;    // other midnights the run moves it to
        std::vector<std::string> written; // what the move writes (version marks aside)
    };
    const std::vector<Case> cases{
        {"one day as dates",
         {"DTSTART;VALUE=DATE:20270118", "DTEND;VALUE=DATE:20270119"},
         day(18),
         day(19),
         day(20),
         day(22),
         {"DTSTART;VALUE=DATE:20270120", "DTEND;VALUE=DATE:20270122"}},
        {"several days as dates",
         {"DTSTART;VALUE=DATE:20270118", "DTEND;VALUE=DATE:20270121"},
         day(18),
         day(21),
         day(25),
         day(26),
         {"DTSTART;VALUE=DATE:20270125", "DTEND;VALUE=DATE:20270126"}},
        {"a date without end",
         {"DTSTART;VALUE=DATE:20270118"},
         day(18),
         day(19),
         day(20),
         day(21),
         {"DTSTART;VALUE=DATE:20270120"}},
        {"a date without end, moved to two days",
         {"DTSTART;VALUE=DATE:20270118"},
         day(18),
         day(19),
         day(20),
         day(22),
         {"DTSTART;VALUE=DATE:20270120", "DTEND;VALUE=DATE:20270122"}},
        {"a date and a duration",
         {"DTSTART;VALUE=DATE:20270118", "DURATION:P2D"},
         day(18),
         day(20),
         day(21),
         day(24),
         {"DTSTART;VALUE=DATE:20270121", "DURATION:P3D"}},
        {"Exchange: midnights of its zone",
         {"DTSTART;TZID=W. Europe Standard Time:20270118T000000",
          "DTEND;TZID=W. Europe Standard Time:20270119T000000", kMark},
         day(18),
         day(19),
         day(20),
         day(21),
         {"DTSTART;TZID=W. Europe Standard Time:20270120T000000",
          "DTEND;TZID=W. Europe Standard Time:20270121T000000"}},
        {"Exchange: midnights of a zone far away",
         {"DTSTART;TZID=Tokyo Standard Time:20270118T000000",
          "DTEND;TZID=Tokyo Standard Time:20270120T000000", kMark},
         day(18),
         day(20),
         day(21),
         day(23),
         {"DTSTART;TZID=Tokyo Standard Time:20270121T000000",
          "DTEND;TZID=Tokyo Standard Time:20270123T000000"}},
        {"Exchange: midnights in UTC",
         {"DTSTART:20270118T000000Z", "DTEND:20270119T000000Z", kMark},
         day(18),
         day(19),
         day(20),
         day(21),
         {"DTSTART:20270120T000000Z", "DTEND:20270121T000000Z"}},
        {"Exchange: the organiser's midnights in UTC",
         {"DTSTART:20270117T230000Z", "DTEND:20270118T230000Z", kMark},
         day(18),
         day(19),
         day(20),
         day(21),
         {"DTSTART:20270119T230000Z", "DTEND:20270120T230000Z"}},
        {"Outlook.com's mark",
         {"DTSTART;TZID=W. Europe Standard Time:20270118T000000",
          "DTEND;TZID=W. Europe Standard Time:20270119T000000", "X-MICROSOFT-MSNCALENDAR-ALLDAYEVENT:TRUE"},
         day(18),
         day(19),
         day(19),
         day(20),
         {"DTSTART;TZID=W. Europe Standard Time:20270119T000000",
          "DTEND;TZID=W. Europe Standard Time:20270120T000000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto file = loadEvent(c.lines);
        MemoryAppointment& event = only(*file);
        EXPECT_TRUE(event.allDayEvent());
        EXPECT_EQ(event.start(), c.start);
        EXPECT_EQ(event.end(), c.end);
        const std::string original = readText(file->path());
        EXPECT_EQ(file->render(), original);

        event.setStart(c.movedStart);
        event.setEnd(c.movedEnd);
        EXPECT_TRUE(event.allDayEvent());
        ASSERT_TRUE(file->save());
        const LineDiff diff = withoutStamps(diffLines(original, readText(file->path())));
        EXPECT_EQ(diff.added, c.written);

        auto again = loadAt(file->path());
        EXPECT_TRUE(only(*again).allDayEvent());
        EXPECT_EQ(only(*again).start(), c.movedStart);
        EXPECT_EQ(only(*again).end(), c.movedEnd);
        EXPECT_FALSE(again->save());
    }
}

TEST_F(CalendarFileAllDayTest, MidnightsWithoutTheMarkAreOrdinaryTimes)
{
    auto file = loadEvent({"DTSTART;TZID=Tokyo Standard Time:20270118T000000",
                           "DTEND;TZID=Tokyo Standard Time:20270119T000000"});
    EXPECT_FALSE(only(*file).allDayEvent());
    EXPECT_EQ(only(*file).start(), makeDateTime(2027, 1, 17, 16, 0));
}

TEST_F(CalendarFileAllDayTest, AnAllDayEventGivenTimesOfDayBecomesTimedAndSaysSo)
{
    struct Case {
        std::string what;
        std::vector<std::string> lines;
        std::vector<std::string> written; // among what the change writes
        bool addsZone;                    // the calendar's zone is written and defined
    };
    const std::vector<Case> cases{
        {"dates with the mark",
         {"DTSTART;VALUE=DATE:20270118", "DTEND;VALUE=DATE:20270119", kMark},
         {"DTSTART;TZID=Europe/Berlin:20270120T090000", "DTEND;TZID=Europe/Berlin:20270120T103000",
          "X-MICROSOFT-CDO-ALLDAYEVENT:FALSE"},
         true},
        {"dates without the mark",
         {"DTSTART;VALUE=DATE:20270118"},
         {"DTSTART;TZID=Europe/Berlin:20270120T090000", "DTEND;TZID=Europe/Berlin:20270120T103000"},
         true},
        {"Exchange midnights",
         {"DTSTART;TZID=W. Europe Standard Time:20270118T000000",
          "DTEND;TZID=W. Europe Standard Time:20270119T000000", kMark},
         {"DTSTART;TZID=W. Europe Standard Time:20270120T090000",
          "DTEND;TZID=W. Europe Standard Time:20270120T103000", "X-MICROSOFT-CDO-ALLDAYEVENT:FALSE"},
         false},
        {"Exchange midnights far away",
         {"DTSTART;TZID=Tokyo Standard Time:20270118T000000",
          "DTEND;TZID=Tokyo Standard Time:20270119T000000", kMark},
         {"DTSTART;TZID=Tokyo Standard Time:20270120T170000",
          "DTEND;TZID=Tokyo Standard Time:20270120T183000", "X-MICROSOFT-CDO-ALLDAYEVENT:FALSE"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto file = loadEvent(c.lines);
        MemoryAppointment& event = only(*file);
        const std::string original = readText(file->path());
        event.setStart(makeDateTime(2027, 1, 20, 9, 0));
        EXPECT_FALSE(event.allDayEvent()); // a time of day ends it at once
        event.setEnd(makeDateTime(2027, 1, 20, 10, 30));
        ASSERT_TRUE(file->save());
        const LineDiff diff = withoutStamps(diffLines(original, readText(file->path())));
        for (const std::string& line : c.written)
            EXPECT_NE(std::find(diff.added.begin(), diff.added.end(), line), diff.added.end()) << line;
        EXPECT_EQ(std::count(diff.added.begin(), diff.added.end(), "TZID:Europe/Berlin"), c.addsZone ? 1 : 0);

        auto again = loadAt(file->path());
        EXPECT_FALSE(only(*again).allDayEvent());
        EXPECT_EQ(only(*again).start(), makeDateTime(2027, 1, 20, 9, 0));
        EXPECT_EQ(only(*again).end(), makeDateTime(2027, 1, 20, 10, 30));
        EXPECT_FALSE(again->save());
    }
}

} // namespace
} // namespace zelvant
