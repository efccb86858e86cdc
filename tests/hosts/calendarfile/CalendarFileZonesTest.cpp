#include "hosts/calendarfile/CalendarFile.h"

#include "tests/hosts/calendarfile/IcsTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>

namespace zelvant {
namespace {

using namespace icstest;

class CalendarFileZonesTest : public IcsFileTest {
protected:
    // A calendar with one event of these time lines, presented in Berlin.
    std::unique_ptr<CalendarFile> loadEvent(const std::vector<std::string>& timeLines)
    {
        std::vector<std::string> lines{"BEGIN:VEVENT", "UID:ganztags", "SUMMARY:Ganzt\u00E4gig"};
        lines.insert(lines.end(), timeLines.begin(), timeLines.end());
        lines.push_back("END:VEVENT");
        return loadText(lines);
    }
    static MemoryAppointment& only(CalendarFile& file) { return *item(file, 0); }
};

// Central European time as a German Outlook 2007 names it: a TZID that needs escaping, and one
// no zone database knows, so only the file's definition can tell it.
const std::vector<std::string> kGermanOutlook = {
    "BEGIN:VTIMEZONE\r\nTZID:Amsterdam\\, Berlin\\, Bern\\, Rom\\, Stockholm\\, Wien\r\n"
    "BEGIN:STANDARD\r\nDTSTART:16011028T030000\r\nRRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=10\r\n"
    "TZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\n"
    "BEGIN:DAYLIGHT\r\nDTSTART:16010325T020000\r\nRRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=3\r\n"
    "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE"};

// A file's own zone of +01:00 all year under a Windows ID whose real zone is five hours behind UTC.
const std::vector<std::string> kOwnEastern = {
    "BEGIN:VTIMEZONE\r\nTZID:Eastern Standard Time\r\nBEGIN:STANDARD\r\nDTSTART:16010101T000000\r\n"
    "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\nEND:VTIMEZONE"};

TEST_F(CalendarFileZonesTest, EverySpellingOfAZoneNamesItsZone)
{
    struct Case {
        std::vector<std::string> zones;    // VTIMEZONEs of the file
        std::string tzid;                  // of the event's DTSTART, then its value
        std::optional<DateTime> presented; // in Berlin; nothing: the zone is unknown
    };
    const DateTime ten = makeDateTime(2024, 1, 15, 10, 0); // every row means 09:00 UTC in winter
    const std::vector<Case> cases{
        {kGermanOutlook, ";TZID=\"Amsterdam, Berlin, Bern, Rom, Stockholm, Wien\":20240115T100000", ten},
        {kOwnEastern, ";TZID=Eastern Standard Time:20240115T100000", ten}, // the file's before the database's
        {{}, ";TZID=Asia/Calcutta:20240115T143000", ten},                  // a link
        {{}, ";TZID=/mozilla.org/20070129_1/Europe/Berlin:20240115T100000", ten},
        {{}, ";TZID=W. Europe Standard Time:20240115T100000", ten},
        {{}, ";TZID=\"(UTC-05:00) Eastern Time (US & Canada)\":20240115T040000", ten},
        {{}, ";TZID=Atlantis/Capital:20240115T100000", std::nullopt},
        {{}, ";TZID=../../../../etc/passwd:20240115T100000", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tzid);
        std::vector<std::string> lines = c.zones;
        lines.insert(lines.end(),
                     {"BEGIN:VEVENT", "UID:z", "SUMMARY:Zone", "DTSTART" + c.tzid, "DURATION:PT1H",
                      "X-ZELVANT-VODEDIVAVE;X-ZELVANT-NAME=voDediVave:000k", "END:VEVENT"});
        auto file = loadText(lines);
        const auto& items = file->calendar().appointments();
        ASSERT_EQ(items.size(), 1u);
        if (c.presented) {
            EXPECT_TRUE(file->warnings().empty());
            EXPECT_EQ(items[0]->start(), *c.presented);
            EXPECT_EQ(items[0]->end(), *c.presented + Minutes{60});
        } else {
            ASSERT_EQ(file->warnings().size(), 1u);
            EXPECT_NE(file->warnings()[0].find(": Zeile 7: "), std::string::npos) << file->warnings()[0];
            EXPECT_TRUE(items[0]->isUnreadable());
            EXPECT_EQ(file->render(), readText(file->path()));
        }
    }
}

TEST_F(CalendarFileZonesTest, NewEventsAreWrittenInTheCalendarsZoneWithItsDefinitionOnce)
{
    const auto path = dir.copyOf(sample("icaljs__only_dtstart_time.ics")); // zone: Los Angeles only
    auto file = loadAt(path);
    create(*file, makeDateTime(2027, 1, 18, 8, 0), makeDateTime(2027, 1, 18, 17, 0));
    create(*file, makeDateTime(2027, 1, 19, 8, 0), makeDateTime(2027, 1, 19, 17, 0));
    ASSERT_TRUE(file->save());
    const std::string text = readText(path); // the file's own line breaks: bare LF
    EXPECT_NE(
        text.find("DTSTART;TZID=Europe/Berlin:20270118T080000\nDTEND;TZID=Europe/Berlin:20270118T170000\n"),
        std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    // A definition, plainly named, before the events that use it; all else of the file stays.
    const std::size_t zone = text.find("BEGIN:VTIMEZONE\nTZID:Europe/Berlin\n");
    ASSERT_NE(zone, std::string::npos) << text;
    EXPECT_LT(zone, text.find("BEGIN:VEVENT"));
    EXPECT_TRUE(diffLines(readText(sample("icaljs__only_dtstart_time.ics")), text).removed.empty());

    // The run's next save, and a later run's, know the definition is there now; what they write
    // reads back through it.
    create(*file, makeDateTime(2027, 1, 20, 8, 0), makeDateTime(2027, 1, 20, 9, 0));
    ASSERT_TRUE(file->save());
    auto again = loadAt(path);
    EXPECT_EQ(again->calendar().appointments()[2]->end(), makeDateTime(2027, 1, 19, 17, 0));
    create(*again, makeDateTime(2027, 7, 1, 8, 0), makeDateTime(2027, 7, 1, 9, 0)); // summer time
    ASSERT_TRUE(again->save());
    const auto lines = splitLines(readText(path));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "TZID:Europe/Berlin"), 1);
    EXPECT_EQ(loadAt(path)->calendar().appointments()[4]->start(), makeDateTime(2027, 7, 1, 8, 0));
}

DateTime day(unsigned d)
{
    return makeDateTime(2027, 1, d);
}

const std::string kMark = "X-MICROSOFT-CDO-ALLDAYEVENT:TRUE";

TEST_F(CalendarFileZonesTest, AllDayEventsAreWholeDaysAndStayInTheirStyleWhenMoved)
{
    struct Case {
        std::vector<std::string> lines;
        std::array<unsigned, 4> days;     // of January 2027 in Berlin: start, end, and moved there
        std::vector<std::string> written; // what the move writes (version marks aside)
    };
    const std::string tokyo = "TZID=Tokyo Standard Time:202701", from = "DTSTART;VALUE=DATE:202701",
                      to = "DTEND;VALUE=DATE:202701";
    const std::vector<Case> cases{
        {{from + "18", to + "19"}, {18, 19, 20, 22}, {from + "20", to + "22"}},
        {{from + "18"}, {18, 19, 20, 22}, {from + "20", to + "22"}}, // gets an end only where it needs one
        {{from + "18", "DURATION:P2D"}, {18, 20, 21, 24}, {from + "21", "DURATION:P3D"}},
        // Outlook.com's mark on midnights of a zone far away.
        {{"DTSTART;" + tokyo + "18T000000", "DTEND;" + tokyo + "20T000000",
          "X-MICROSOFT-MSNCALENDAR-ALLDAYEVENT:TRUE"},
         {18, 20, 21, 23},
         {"DTSTART;" + tokyo + "21T000000", "DTEND;" + tokyo + "23T000000"}},
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
        // The round trip tests read back the rest.
        EXPECT_EQ(only(*loadAt(file->path())).end(), day(c.days[3]));
    }
    // Midnights without a mark are ordinary times.
    EXPECT_FALSE(
        only(*loadEvent({"DTSTART;" + tokyo + "18T000000", "DTEND;" + tokyo + "19T000000"})).allDayEvent());
}

// A time of day ends a whole-day event at once; the file then says so, in the calendar's zone.
TEST_F(CalendarFileZonesTest, AnAllDayEventGivenTimesOfDayBecomesTimedAndSaysSo)
{
    auto file = loadEvent({"DTSTART;VALUE=DATE:20270118", "DTEND;VALUE=DATE:20270119", kMark});
    MemoryAppointment& event = only(*file);
    const std::string original = readText(file->path());
    event.setStart(makeDateTime(2027, 1, 20, 9, 0));
    EXPECT_FALSE(event.allDayEvent());
    event.setEnd(makeDateTime(2027, 1, 20, 10, 30));
    ASSERT_TRUE(file->save());
    const LineDiff diff = withoutStamps(diffLines(original, readText(file->path())));
    for (const std::string line :
         {"DTSTART;TZID=Europe/Berlin:20270120T090000", "TZID:Europe/Berlin",
          "DTEND;TZID=Europe/Berlin:20270120T103000", "X-MICROSOFT-CDO-ALLDAYEVENT:FALSE"})
        EXPECT_EQ(std::count(diff.added.begin(), diff.added.end(), line), 1) << line;

    auto again = loadAt(file->path());
    EXPECT_FALSE(only(*again).allDayEvent());
    EXPECT_EQ(only(*again).end(), makeDateTime(2027, 1, 20, 10, 30));
}

} // namespace
} // namespace zelvant
