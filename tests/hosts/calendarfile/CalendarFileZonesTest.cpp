#include "hosts/calendarfile/CalendarFile.h"

#include "tests/hosts/calendarfile/IcsTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>

namespace zelvant {
namespace {

using namespace icstest;

class CalendarFileZonesTest : public ::testing::Test {
protected:
    TempDir dir;

    std::unique_ptr<CalendarFile> loadText(const std::vector<std::string>& lines,
                                           const std::string& zone = kZone)
    {
        return loadAt(dir.write("zones.ics", calendarWith(lines)), zone);
    }
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
        std::string what;
        std::vector<std::string> zones;    // VTIMEZONEs of the file
        std::string dtstart;               // the event's DTSTART line
        std::optional<DateTime> presented; // in Berlin; nothing: the zone is unknown
    };
    const DateTime ten = makeDateTime(2024, 1, 15, 10, 0); // every row means 09:00 UTC in winter
    const std::vector<Case> cases{
        {"escaped VTIMEZONE TZID, quoted parameter", kGermanOutlook,
         "DTSTART;TZID=\"Amsterdam, Berlin, Bern, Rom, Stockholm, Wien\":20240115T100000", ten},
        {"escaped VTIMEZONE TZID, escaped parameter", kGermanOutlook,
         "DTSTART;TZID=Amsterdam\\, Berlin\\, Bern\\, Rom\\, Stockholm\\, Wien:20240115T100000", ten},
        {"VTIMEZONE before the zone database", kOwnEastern,
         "DTSTART;TZID=Eastern Standard Time:20240115T100000", ten},
        {"IANA name", {}, "DTSTART;TZID=Asia/Tokyo:20240115T180000", ten},
        {"IANA name of a link", {}, "DTSTART;TZID=Asia/Calcutta:20240115T143000", ten},
        {"IANA name behind a vendor prefix",
         {},
         "DTSTART;TZID=/mozilla.org/20070129_1/Europe/Berlin:20240115T100000",
         ten},
        {"Windows ID", {}, "DTSTART;TZID=W. Europe Standard Time:20240115T100000", ten},
        {"Windows ID only ICU knows here", {}, "DTSTART;TZID=Nepal Standard Time:20240115T144500", ten},
        {"Windows ID, quoted", {}, "DTSTART;TZID=\"Sri Lanka Standard Time\":20240115T143000", ten},
        {"Windows display name",
         {},
         "DTSTART;TZID=\"(UTC-05:00) Eastern Time (US & Canada)\":20240115T040000",
         ten},
        {"Windows display name before 2010",
         {},
         "DTSTART;TZID=\"(GMT+10:00) Canberra, Melbourne, Sydney\":20240115T200000",
         ten},
        {"Windows display name without its offset",
         {},
         "DTSTART;TZID=\"Kuala Lumpur, Singapore\":20240115T170000",
         ten},
        {"UTC", {}, "DTSTART:20240115T090000Z", ten},
        {"floating", {}, "DTSTART:20240115T100000", ten},
        {"unknown name", {}, "DTSTART;TZID=Atlantis/Capital:20240115T100000", std::nullopt},
        {"a path out of the zone database",
         {},
         "DTSTART;TZID=../../../../etc/passwd:20240115T100000",
         std::nullopt},
        {"Windows display name nobody used",
         {},
         "DTSTART;TZID=\"(UTC+01:00) Atlantis\":20240115T100000",
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> lines = c.zones;
        lines.insert(lines.end(), {"BEGIN:VEVENT", "UID:z", "SUMMARY:Zone", c.dtstart, "DURATION:PT1H",
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
            EXPECT_NE(file->warnings()[0].find("Zeitzone"), std::string::npos);
            EXPECT_TRUE(items[0]->isUnreadable());
            items[0]->userProperties().find("voDediVave"); // still reads
            EXPECT_EQ(file->render(), readText(file->path()));
        }
    }
}

TEST_F(CalendarFileZonesTest, PresentedTimesAndWrittenBytesDoNotDependOnTheProcessZone)
{
    // What a run shows and writes, for every sample: each item's times, then the file after a
    // move, a rename and a new event.
    const auto runOnce = [&](const std::string& name) {
        TempDir scratch;
        auto file = loadAt(scratch.copyOf(sample(name)), "America/New_York");
        file->calendar().setEntryIdGenerator([] { return std::string("fixed@zelvant"); });
        std::ostringstream seen;
        for (const auto& item : file->calendar().appointments())
            if (!item->isUnreadable())
                seen << formatIso(item->start()) << ' ' << formatIso(item->end()) << ' '
                     << item->allDayEvent() << '\n';
        auto& first = *file->calendar().appointments().front();
        first.setStart(first.start() + std::chrono::hours{24 * 7});
        first.setEnd(first.end() + std::chrono::hours{24 * 7});
        first.setSubject("Verschoben");
        auto created = file->calendar().createItem();
        created->setStart(makeDateTime(2027, 3, 28, 1, 30)); // the night Europe changes its clocks
        created->setEnd(makeDateTime(2027, 3, 28, 4, 0));
        created->save();
        return seen.str() + file->render();
    };
    for (const std::string& name : kSamples) {
        SCOPED_TRACE(name);
        std::vector<std::string> runs;
        for (const char* tz : {"UTC", "Europe/Berlin", "Australia/Melbourne"}) {
            ScopedTz scoped(tz);
            runs.push_back(runOnce(name));
        }
        EXPECT_EQ(runs[0], runs[1]);
        EXPECT_EQ(runs[0], runs[2]);
    }
}

TEST_F(CalendarFileZonesTest, NewEventsAreWrittenInTheCalendarsZoneWithItsDefinitionOnce)
{
    const auto path = dir.copyOf(sample("icaljs__only_dtstart_time.ics")); // zone: Los Angeles only
    auto file = loadAt(path);
    for (int day : {18, 19}) {
        auto created = file->calendar().createItem();
        created->setSubject("Kisten packen");
        created->setStart(makeDateTime(2027, 1, day, 8, 0));
        created->setEnd(makeDateTime(2027, 1, day, 17, 0));
        created->save();
    }
    ASSERT_TRUE(file->save());
    const std::string text = readText(path); // the file's own line breaks: bare LF
    EXPECT_NE(text.find("DTSTART;TZID=Europe/Berlin:20270118T080000\nDTEND;TZID=Europe/Berlin:20270118T170000\n"),
              std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    // One definition, plainly named, before the events that use it.
    const std::size_t zone = text.find("BEGIN:VTIMEZONE\nTZID:Europe/Berlin\n");
    ASSERT_NE(zone, std::string::npos) << text;
    EXPECT_EQ(text.find("TZID:Europe/Berlin", zone + 20), std::string::npos);
    EXPECT_LT(zone, text.find("BEGIN:VEVENT"));
    EXPECT_EQ(text.find("X-LIC-LOCATION", zone), std::string::npos); // libical's hint is not needed
    // Everything else of the file stays; only whole components were added.
    const LineDiff diff = diffLines(readText(sample("icaljs__only_dtstart_time.ics")), text);
    EXPECT_TRUE(diff.removed.empty());

    // The run's next save knows the definition is there now.
    auto third = file->calendar().createItem();
    third->setStart(makeDateTime(2027, 1, 20, 8, 0));
    third->setEnd(makeDateTime(2027, 1, 20, 9, 0));
    third->save();
    ASSERT_TRUE(file->save());
    const auto lines = splitLines(readText(path));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "TZID:Europe/Berlin"), 1);

    // Read back through the file's own definition: the same times. A later run's new event needs
    // no second definition either.
    auto again = loadAt(path);
    EXPECT_EQ(again->calendar().appointments()[1]->start(), makeDateTime(2027, 1, 18, 8, 0));
    EXPECT_EQ(again->calendar().appointments()[2]->end(), makeDateTime(2027, 1, 19, 17, 0));
    auto later = again->calendar().createItem();
    later->setStart(makeDateTime(2027, 7, 1, 8, 0)); // summer time
    later->setEnd(makeDateTime(2027, 7, 1, 9, 0));
    later->save();
    ASSERT_TRUE(again->save());
    const auto after = splitLines(readText(path));
    EXPECT_EQ(std::count(after.begin(), after.end(), "TZID:Europe/Berlin"), 1);
    EXPECT_EQ(loadAt(path)->calendar().appointments()[4]->start(), makeDateTime(2027, 7, 1, 8, 0));
}

TEST_F(CalendarFileZonesTest, NewEventsNeedADefinitionOnlyWhereTheFileLacksOne)
{
    struct Case {
        std::string zone;
        std::vector<std::string> lines; // of the file before
        std::string written;            // the new event's start
        int definitions;                // VTIMEZONEs of that zone after the save
    };
    const std::string berlin = "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\nBEGIN:STANDARD\r\nDTSTART:19701025T030000\r\n"
                               "TZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n"
                               "END:STANDARD\r\nBEGIN:DAYLIGHT\r\nDTSTART:19700329T020000\r\nTZOFFSETFROM:+0100\r\n"
                               "TZOFFSETTO:+0200\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\n"
                               "END:VTIMEZONE";
    const std::vector<Case> cases{
        {"UTC", {}, "DTSTART:20270118T080000Z", 0},
        {kZone, {berlin}, "DTSTART;TZID=Europe/Berlin:20270118T080000", 1},
        {kZone, {}, "DTSTART;TZID=Europe/Berlin:20270118T080000", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zone + (c.lines.empty() ? "" : " defined"));
        auto file = loadText(c.lines, c.zone);
        auto created = file->calendar().createItem();
        created->setStart(makeDateTime(2027, 1, 18, 8, 0));
        created->setEnd(makeDateTime(2027, 1, 18, 9, 0));
        created->save();
        ASSERT_TRUE(file->save());
        const auto lines = splitLines(readText(file->path()));
        EXPECT_EQ(std::count(lines.begin(), lines.end(), c.written), 1);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "BEGIN:VTIMEZONE"), c.definitions);
        EXPECT_EQ(loadAt(file->path(), c.zone)->calendar().appointments()[0]->start(), makeDateTime(2027, 1, 18, 8, 0));
    }
}

} // namespace
} // namespace zelvant
