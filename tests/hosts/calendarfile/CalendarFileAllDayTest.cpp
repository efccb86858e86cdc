#include "hosts/calendarfile/CalendarFile.h"

#include "tests/hosts/calendarfile/IcsTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace zelvant {
namespace {

using namespace icstest;

class CalendarFileAllDayTest : public ::testing::Test {
protected:
    TempDir dir;

    // A calendar with one event of these time lines, presented in Berlin.
    std::unique_ptr<CalendarFile> loadEvent(const std::vector<std::string>& timeLines)
    {
        std::vector<std::string> lines{"BEGIN:VEVENT", "UID:ganztags", "SUMMARY:Ganzt\u00E4gig"};
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
        std::vector<std::string> lines;
        std::array<unsigned, 4> days;     // of January 2027 in Berlin: start, end, and moved there
        std::vector<std::string> written; // what the move writes (version marks aside)
    };
    const std::string tokyo = "TZID=Tokyo Standard Time:202701";
    const std::vector<Case> cases{
        {{"DTSTART;VALUE=DATE:20270118", "DTEND;VALUE=DATE:20270119"},
         {18, 19, 20, 22},
         {"DTSTART;VALUE=DATE:20270120", "DTEND;VALUE=DATE:20270122"}},
        {{"DTSTART;VALUE=DATE:20270118"}, {18, 19, 20, 21}, {"DTSTART;VALUE=DATE:20270120"}},
        {{"DTSTART;VALUE=DATE:20270118"},
         {18, 19, 20, 22},
         {"DTSTART;VALUE=DATE:20270120", "DTEND;VALUE=DATE:20270122"}},
        {{"DTSTART;VALUE=DATE:20270118", "DURATION:P2D"},
         {18, 20, 21, 24},
         {"DTSTART;VALUE=DATE:20270121", "DURATION:P3D"}},
        // Outlook.com: midnights of a zone far away; Exchange: the organiser's midnights in UTC.
        {{"DTSTART;" + tokyo + "18T000000", "DTEND;" + tokyo + "20T000000",
          "X-MICROSOFT-MSNCALENDAR-ALLDAYEVENT:TRUE"},
         {18, 20, 21, 23},
         {"DTSTART;" + tokyo + "21T000000", "DTEND;" + tokyo + "23T000000"}},
        {{"DTSTART:20270117T230000Z", "DTEND:20270118T230000Z", kMark},
         {18, 19, 20, 21},
         {"DTSTART:20270119T230000Z", "DTEND:20270120T230000Z"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.front());
        auto file = loadEvent(c.lines);
        MemoryAppointment& event = only(*file);
        EXPECT_TRUE(event.allDayEvent());
        EXPECT_EQ(event.start(), day(c.days[0]));
        EXPECT_EQ(event.end(), day(c.days[1]));
        const std::string original = readText(file->path());

        event.setStart(day(c.days[2]));
        event.setEnd(day(c.days[3]));
        EXPECT_TRUE(event.allDayEvent());
        ASSERT_TRUE(file->save());
        EXPECT_EQ(withoutStamps(diffLines(original, readText(file->path()))).added, c.written);

        auto again = loadAt(file->path());
        EXPECT_TRUE(only(*again).allDayEvent());
        EXPECT_EQ(only(*again).start(), day(c.days[2]));
        EXPECT_EQ(only(*again).end(), day(c.days[3]));
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
        std::vector<std::string> lines;
        std::vector<std::string> written; // among what the change writes
        bool addsZone;                    // the calendar's zone is written and defined
    };
    const std::vector<Case> cases{
        {{"DTSTART;VALUE=DATE:20270118", "DTEND;VALUE=DATE:20270119", kMark},
         {"DTSTART;TZID=Europe/Berlin:20270120T090000", "DTEND;TZID=Europe/Berlin:20270120T103000",
          "X-MICROSOFT-CDO-ALLDAYEVENT:FALSE"},
         true},
        {{"DTSTART;TZID=Tokyo Standard Time:20270118T000000",
          "DTEND;TZID=Tokyo Standard Time:20270119T000000", kMark},
         {"DTSTART;TZID=Tokyo Standard Time:20270120T170000",
          "DTEND;TZID=Tokyo Standard Time:20270120T183000", "X-MICROSOFT-CDO-ALLDAYEVENT:FALSE"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.front());
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
