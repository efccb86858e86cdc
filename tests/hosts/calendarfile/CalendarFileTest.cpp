#include "hosts/calendarfile/CalendarFile.h"

#include "hostapi/HostError.h"
#include "hosts/common/FileStore.h"
#include "tests/hosts/calendarfile/IcsTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace zelvant {
namespace {

using namespace icstest;

class CalendarFileTest : public ::testing::Test {
protected:
    TempDir dir;

    std::unique_ptr<CalendarFile> load(const std::filesystem::path& path) { return loadAt(path); }
    std::unique_ptr<CalendarFile> loadSample(const std::string& name)
    {
        return load(dir.copyOf(sample(name)));
    }
    std::unique_ptr<CalendarFile> loadText(const std::vector<std::string>& lines)
    {
        return load(dir.write("test.ics", calendarWith(lines)));
    }

    static std::shared_ptr<MemoryAppointment> item(CalendarFile& file, std::size_t index)
    {
        return file.calendar().appointments().at(index);
    }
    // What a save writes, as lines changed against the file's current text, leaving out the
    // version marks every changed event gets (their own test checks them).
    static LineDiff saveAndDiff(CalendarFile& file)
    {
        const std::string before = readText(file.path());
        EXPECT_TRUE(file.save());
        return withoutStamps(diffLines(before, readText(file.path())));
    }
};

// --- reading ---------------------------------------------------------------------------------

TEST_F(CalendarFileTest, WindowsZonesFromTheFilesVtimezonesBecomeBerlinTime)
{
    auto file = loadSample("node-ical__ms_timezones.ics");
    ASSERT_EQ(file->calendar().appointments().size(), 4u);
    auto first = item(*file, 0);
    EXPECT_EQ(first->subject(), "test");
    EXPECT_EQ(first->start(), makeDateTime(2020, 9, 10, 9, 0));
    EXPECT_EQ(first->end(), makeDateTime(2020, 9, 10, 9, 30));
    EXPECT_EQ(first->busyStatus(), BusyStatus::Busy);
    EXPECT_EQ(first->entryId(), "040000008200E00074C5B7101A82E0080000000070DE40F38786D601000000000000000"
                                "010000000D2A9BA8A3668CA4ABB2CC6838268179F"); // unfolded
    // Pacific daylight time is nine hours behind Berlin's summer time.
    auto pacific = item(*file, 2);
    EXPECT_EQ(pacific->start(), makeDateTime(2020, 9, 15, 17, 30));
    EXPECT_EQ(pacific->end(), makeDateTime(2020, 9, 15, 18, 30));
    auto series = item(*file, 3);
    EXPECT_EQ(series->start(), makeDateTime(2020, 7, 7, 21, 0));
    EXPECT_EQ(series->busyStatus(), BusyStatus::Free);
}

TEST_F(CalendarFileTest, ExchangeStartWithTheValueInsideTheQuotesIsStillRead)
{
    auto file = loadSample("node-ical__ms_timezones.ics");
    auto jira = item(*file, 1);
    EXPECT_EQ(jira->subject(), "Log Yesterday's Jira time");
    EXPECT_EQ(jira->start(), makeDateTime(2020, 6, 9, 9, 0));
    EXPECT_EQ(jira->end(), makeDateTime(2020, 6, 9, 9, 30));
    EXPECT_EQ(jira->busyStatus(), BusyStatus::Free);
}

TEST_F(CalendarFileTest, AllDayEventsKeepTheirDatesAndUmlauts)
{
    auto file = loadSample("ical4j__EstoniaHolidays.ics");
    ASSERT_EQ(file->calendar().appointments().size(), 152u);
    auto easter = item(*file, 0);
    EXPECT_EQ(easter->subject(), "2. \xC3\xBClest\xC3\xB5usmisp\xC3\xBC" "ha");
    EXPECT_EQ(easter->start(), makeDateTime(2009, 4, 13));
    EXPECT_EQ(easter->end(), makeDateTime(2009, 4, 14));
    EXPECT_TRUE(easter->allDayEvent());
    EXPECT_EQ(easter->busyStatus(), BusyStatus::Free); // TRANSP:TRANSPARENT
    EXPECT_EQ(easter->entryId(), "6c0e3adb-db68-4f26-b43a-f8a2cbb8e7a2");
}

TEST_F(CalendarFileTest, OutlookExportWithAnEscapedZoneAndBothAllDayStyles)
{
    auto file = loadSample("zelvant__outlook2007-kuala-lumpur.ics");
    EXPECT_TRUE(file->warnings().empty());
    const auto all = file->calendar().appointments();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0]->start(), makeDateTime(2009, 3, 10, 3, 30)); // +08:00 against Berlin's +01:00
    EXPECT_EQ(all[0]->end(), makeDateTime(2009, 3, 10, 5, 0));
    EXPECT_FALSE(all[0]->allDayEvent());
    EXPECT_EQ(all[1]->start(), makeDateTime(2009, 3, 16)); // dates
    EXPECT_EQ(all[1]->end(), makeDateTime(2009, 3, 17));
    EXPECT_TRUE(all[1]->allDayEvent());
    EXPECT_EQ(all[2]->start(), makeDateTime(2009, 3, 18)); // Kuala Lumpur's midnights, as days
    EXPECT_EQ(all[2]->end(), makeDateTime(2009, 3, 20));
    EXPECT_TRUE(all[2]->allDayEvent());
    EXPECT_EQ(all[2]->busyStatus(), BusyStatus::OutOfOffice);
}

TEST_F(CalendarFileTest, CategoriesFromListsAndRepeatedLinesAreJoined)
{
    auto file = loadSample("node-ical__event-with-category.ics");
    const auto all = file->calendar().appointments();
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0]->categories(), "cat1; cat2; cat3");
    EXPECT_EQ(all[1]->categories(), "cat1; cat2; cat3"); // padding around the commas goes
    EXPECT_EQ(all[2]->categories(), "");
    EXPECT_EQ(all[3]->categories(), "lonely-cat");
    EXPECT_EQ(all[4]->categories(), "cat1; cat2; cat3");
    auto escaped = loadText({"BEGIN:VEVENT", "UID:c", "CATEGORIES:Plan\\, Bau,Team", "END:VEVENT"});
    EXPECT_EQ(item(*escaped, 0)->categories(), "Plan, Bau; Team");
}

TEST_F(CalendarFileTest, StartWithoutEndIsAnInstantAndZoneComesFromTheFile)
{
    auto file = loadSample("icaljs__only_dtstart_time.ics");
    auto only = item(*file, 0);
    // 06:00 in Los Angeles (summer, UTC-7) is 15:00 in Berlin (summer, UTC+2).
    EXPECT_EQ(only->start(), makeDateTime(2012, 6, 30, 15, 0));
    EXPECT_EQ(only->end(), only->start());
}

TEST_F(CalendarFileTest, DurationDaysAreCalendarDaysOfTheEventsZone)
{
    auto file = loadText({"BEGIN:VEVENT", "UID:b", "DTSTART;TZID=Europe/Berlin:20240330T090000", "DURATION:P1DT2H",
                          "END:VEVENT", "BEGIN:VEVENT", "UID:c", "DTSTART;TZID=America/New_York:20240309T090000",
                          "DURATION:P1D", "END:VEVENT"});
    // A calendar day across the change to summer time, then two exact hours.
    EXPECT_EQ(item(*file, 0)->end(), makeDateTime(2024, 3, 31, 11, 0));
    // New York moves its clocks two weeks before Berlin: its day is 23 hours long.
    EXPECT_EQ(item(*file, 1)->end() - item(*file, 1)->start(), std::chrono::hours{23});
}

TEST_F(CalendarFileTest, TheUsersZoneDecidesTheWallClock)
{
    const auto path = dir.copyOf(sample("icaljs__only_dtstart_time.ics"));
    EXPECT_EQ(CalendarFile::load(path, "America/Los_Angeles")->calendar().appointments()[0]->start(),
              makeDateTime(2012, 6, 30, 6, 0));
    EXPECT_EQ(CalendarFile::load(path, "UTC")->calendar().appointments()[0]->start(),
              makeDateTime(2012, 6, 30, 13, 0));
    EXPECT_THROW(CalendarFile::load(path, "Mars/Olympus_Mons"), HostError);
}

TEST_F(CalendarFileTest, BusyStatusReadsMicrosoftFirstThenTranspThenStatus)
{
    auto file = loadText({
        "BEGIN:VEVENT", "UID:1", "X-MICROSOFT-CDO-BUSYSTATUS:OOF", "TRANSP:TRANSPARENT", "END:VEVENT",
        "BEGIN:VEVENT", "UID:2", "TRANSP:TRANSPARENT", "STATUS:TENTATIVE", "END:VEVENT",
        "BEGIN:VEVENT", "UID:3", "TRANSP:OPAQUE", "STATUS:TENTATIVE", "END:VEVENT",
        "BEGIN:VEVENT", "UID:4", "STATUS:CANCELLED", "END:VEVENT",
        "BEGIN:VEVENT", "UID:5", "X-MICROSOFT-CDO-BUSYSTATUS:WORKINGELSEWHERE", "END:VEVENT",
    });
    const std::vector<BusyStatus> expected{BusyStatus::OutOfOffice, BusyStatus::Free, BusyStatus::Tentative,
                                           BusyStatus::Free, BusyStatus::Busy};
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(item(*file, i)->busyStatus(), expected[i]) << "event " << i + 1;
}

TEST_F(CalendarFileTest, ChangedOccurrencesStayWithTheirSeries)
{
    auto file = loadText({"BEGIN:VEVENT", "UID:s", "SUMMARY:Weekly", "DTSTART:20240506T070000Z",
                          "DTEND:20240506T080000Z", "RRULE:FREQ=WEEKLY;COUNT=5", "END:VEVENT",
                          "BEGIN:VEVENT", "UID:s", "RECURRENCE-ID:20240513T070000Z", "SUMMARY:Moved once",
                          "DTSTART:20240514T070000Z", "DTEND:20240514T080000Z", "END:VEVENT",
                          "BEGIN:VEVENT", "UID:other", "RECURRENCE-ID:20240513T070000Z", "SUMMARY:Orphan",
                          "DTSTART:20240514T070000Z", "END:VEVENT"});
    const auto all = file->calendar().appointments();
    ASSERT_EQ(all.size(), 2u); // the orphaned occurrence has no series to stay with
    EXPECT_EQ(all[0]->subject(), "Weekly");
    EXPECT_EQ(all[0]->start(), makeDateTime(2024, 5, 6, 9, 0));
    EXPECT_EQ(all[1]->subject(), "Orphan");
}

// Events are shown in file order, also where some of them have to wait for later ones: a
// changed occurrence for its series, an event without a UID for every UID of the file.
TEST_F(CalendarFileTest, ItemsFollowTheFileOrderWhenEventsWaitForLaterOnes)
{
    const auto event = [](const std::string& uid, const std::string& subject, const std::string& extra = "") {
        std::vector<std::string> lines{"BEGIN:VEVENT"};
        if (!uid.empty())
            lines.push_back("UID:" + uid);
        lines.push_back("SUMMARY:" + subject);
        lines.push_back(extra.empty() ? "DTSTART:20240506T070000Z" : extra);
        lines.push_back("END:VEVENT");
        return lines;
    };
    const std::string occurrence = "RECURRENCE-ID:20240513T070000Z";
    struct Row {
        const char* what;
        std::vector<std::vector<std::string>> events;
        std::vector<std::string> shown;
    };
    const Row rows[] = {
        {"occurrence before its series",
         {event("s", "Einmal verschoben", occurrence), event("a", "A"), event("s", "Woche")},
         {"A", "Woche"}},
        {"orphaned occurrence between events",
         {event("a", "A"), event("x", "Verwaist", occurrence), event("b", "B")},
         {"A", "Verwaist", "B"}},
        {"event without a UID between events",
         {event("a", "A"), event("", "Ohne"), event("b", "B")},
         {"A", "Ohne", "B"}},
        {"series after an orphaned occurrence",
         {event("x", "Verwaist", occurrence), event("a", "A"), event("s", "Woche")},
         {"Verwaist", "A", "Woche"}},
        {"occurrence of an unreadable series stays with it",
         {event("s", "Kaputt", "DTSTART:gestern"), event("a", "A"), event("s", "Verschoben", occurrence)},
         {"A"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::string> lines;
        for (const auto& e : row.events)
            lines.insert(lines.end(), e.begin(), e.end());
        auto file = loadText(lines);
        std::vector<std::string> subjects;
        for (const auto& item : file->calendar().appointments())
            subjects.push_back(item->subject());
        EXPECT_EQ(subjects, row.shown);
        EXPECT_FALSE(file->hasChanges());
    }
}

TEST_F(CalendarFileTest, AnIdMadeUpForAnEventStepsAroundTheUidOfALaterOne)
{
    const std::vector<std::string> withoutUid{"BEGIN:VEVENT", "SUMMARY:Ohne", "END:VEVENT"};
    const std::string madeUp = item(*loadText(withoutUid), 0)->entryId();
    ASSERT_EQ(madeUp.substr(madeUp.size() - 6), "@local");

    std::vector<std::string> lines = withoutUid;
    lines.insert(lines.end(), {"BEGIN:VEVENT", "UID:" + madeUp, "SUMMARY:Mit", "END:VEVENT"});
    auto file = loadText(lines);
    EXPECT_EQ(item(*file, 0)->entryId(), madeUp.substr(0, madeUp.size() - 6) + "-2@local");
    EXPECT_EQ(item(*file, 1)->entryId(), madeUp);
}

TEST_F(CalendarFileTest, ALineNamedBeginWithoutAValueOpensNothing)
{
    auto file = loadText({"BEGIN", "BEGIN:VEVENT", "UID:a", "SUMMARY:A", "END:VEVENT"});
    ASSERT_EQ(file->calendar().appointments().size(), 1u);
    EXPECT_EQ(item(*file, 0)->subject(), "A");
}

TEST_F(CalendarFileTest, UserPropertiesComeFromTheirXProperties)
{
    auto file = loadText({"BEGIN:VEVENT", "UID:u", "X-ZELVANT-LINK;X-ZELVANT-NAME=Link:a\\,b\\;c\\\\d",
                          "X-ZELVANT-PLAN-KEY:17", "X-ZELVANT-EMPTY:", "X-OTHER:not ours", "END:VEVENT"});
    auto& properties = item(*file, 0)->userProperties();
    ASSERT_NE(properties.find("Link"), nullptr);
    EXPECT_EQ(properties.find("Link")->value(), "a,b;c\\d");
    ASSERT_NE(properties.find("PLAN-KEY"), nullptr);
    EXPECT_EQ(properties.find("PLAN-KEY")->value(), "17");
    ASSERT_NE(properties.find("EMPTY"), nullptr);
    EXPECT_EQ(properties.find("EMPTY")->value(), "");
    EXPECT_EQ(properties.find("OTHER"), nullptr);
}

// --- writing back -----------------------------------------------------------------------------

TEST_F(CalendarFileTest, MovedEventChangesOnlyItsTimeLinesInItsOwnZone)
{
    auto file = loadSample("node-ical__ms_timezones.ics");
    auto first = item(*file, 0);
    first->setStart(makeDateTime(2020, 9, 10, 10, 0));
    first->setEnd(makeDateTime(2020, 9, 10, 10, 45));
    const LineDiff diff = saveAndDiff(*file);
    EXPECT_EQ(diff.removed, (std::vector<std::string>{"DTSTART;TZID=W. Europe Standard Time:20200910T090000",
                                                      "DTEND;TZID=W. Europe Standard Time:20200910T093000"}));
    EXPECT_EQ(diff.added, (std::vector<std::string>{"DTSTART;TZID=W. Europe Standard Time:20200910T100000",
                                                    "DTEND;TZID=W. Europe Standard Time:20200910T104500"}));
    EXPECT_EQ(readText(file->path().string() + ".bak"), readText(sample("node-ical__ms_timezones.ics")));
    auto again = load(file->path());
    EXPECT_EQ(item(*again, 0)->start(), makeDateTime(2020, 9, 10, 10, 0));
    EXPECT_EQ(item(*again, 0)->end(), makeDateTime(2020, 9, 10, 10, 45));
}

TEST_F(CalendarFileTest, RenameKeepsTheSummaryParametersAndEscapes)
{
    auto file = loadSample("ical4j__Session6.ics");
    item(*file, 0)->setSubject("Plan, Bau; Phase \\2 \xC3\xA4");
    const LineDiff diff = saveAndDiff(*file);
    ASSERT_EQ(diff.added.size(), 1u);
    EXPECT_EQ(diff.added[0], "SUMMARY;LANGUAGE=en-us:Plan\\, Bau\\; Phase \\\\2 \xC3\xA4");
    // The old summary was folded over several TAB-led lines; they all go, nothing else does.
    ASSERT_GE(diff.removed.size(), 2u);
    EXPECT_EQ(diff.removed[0].rfind("SUMMARY;LANGUAGE=en-us:Session #6", 0), 0u);
    for (std::size_t i = 1; i < diff.removed.size(); ++i)
        EXPECT_EQ(diff.removed[i][0], '\t');
    EXPECT_EQ(item(*load(file->path()), 0)->subject(), "Plan, Bau; Phase \\2 \xC3\xA4");
}

TEST_F(CalendarFileTest, BusyStatusIsWrittenAsMicrosoftStatusAndTransp)
{
    auto file = loadSample("node-ical__ms_timezones.ics");
    item(*file, 0)->setBusyStatus(BusyStatus::Free);
    const LineDiff diff = saveAndDiff(*file);
    EXPECT_EQ(diff.added, (std::vector<std::string>{"TRANSP:TRANSPARENT", "X-MICROSOFT-CDO-BUSYSTATUS:FREE"}));

    auto apple = loadSample("node-ical__tentative-apple-calendar.ics");
    item(*apple, 3)->setBusyStatus(BusyStatus::OutOfOffice);
    const LineDiff added = saveAndDiff(*apple); // TRANSP:OPAQUE is there already
    EXPECT_TRUE(added.removed.empty());
    EXPECT_EQ(added.added, (std::vector<std::string>{"X-MICROSOFT-CDO-BUSYSTATUS:OOF"}));
    EXPECT_EQ(item(*load(apple->path()), 3)->busyStatus(), BusyStatus::OutOfOffice);
}

TEST_F(CalendarFileTest, UserPropertyIsAddedAsXPropertyWithItsName)
{
    auto file = loadSample("node-ical__event-with-category.ics");
    item(*file, 1)->userProperties().add("Link", kTextProperty).setValue("plan-17,a;b");
    item(*file, 1)->userProperties().add("KEY-2", kTextProperty).setValue("x");
    const LineDiff diff = saveAndDiff(*file);
    EXPECT_TRUE(diff.removed.empty());
    EXPECT_EQ(diff.added, (std::vector<std::string>{"X-ZELVANT-LINK;X-ZELVANT-NAME=Link:plan-17\\,a\\;b",
                                                    "X-ZELVANT-KEY-2:x"}));
    auto again = load(file->path());
    EXPECT_EQ(item(*again, 1)->userProperties().find("Link")->value(), "plan-17,a;b");
    EXPECT_EQ(item(*again, 1)->userProperties().find("KEY-2")->value(), "x");
}

TEST_F(CalendarFileTest, ANewLengthIsSaidTheWayTheEventSaidItsEnd)
{
    struct Case {
        std::vector<std::string> times;
        std::vector<std::string> added;
    };
    const std::vector<Case> cases{
        {{"DTSTART:20240506T090000", "DURATION:PT1H"}, {"DURATION:PT1H30M"}},
        {{"DTSTART:20240506T090000", "DTEND:20240506T100000"}, {"DTEND:20240506T103000"}},
        {{"DTSTART;TZID=America/Los_Angeles:20240506T000000"}, {"DTEND;TZID=America/Los_Angeles:20240506T003000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.times.back());
        std::vector<std::string> lines{"BEGIN:VEVENT", "UID:d"};
        lines.insert(lines.end(), c.times.begin(), c.times.end());
        lines.push_back("END:VEVENT");
        auto file = loadText(lines);
        item(*file, 0)->setEnd(item(*file, 0)->end() + Minutes{30});
        const LineDiff diff = saveAndDiff(*file);
        EXPECT_EQ(diff.added, c.added);
        EXPECT_EQ(item(*load(file->path()), 0)->end(), item(*file, 0)->end());
    }
}

TEST_F(CalendarFileTest, LongValuesAreFoldedAndReadBack)
{
    auto file = loadSample("node-ical__event-with-category.ics");
    std::string subject;
    for (int i = 0; i < 40; ++i)
        subject += "\xC3\xA4" "bc ";
    item(*file, 0)->setSubject(subject);
    file->save();
    for (const std::string& line : splitLines(readText(file->path())))
        EXPECT_LE(line.size(), 75u);
    EXPECT_EQ(item(*load(file->path()), 0)->subject(), subject);
}

TEST_F(CalendarFileTest, DeletedEventLeavesTheFileWithItsChangedOccurrences)
{
    auto file = loadText({"BEGIN:VEVENT", "UID:keep", "SUMMARY:Keep", "END:VEVENT",
                          "BEGIN:VEVENT", "UID:s", "RRULE:FREQ=DAILY", "DTSTART:20240506T070000Z", "END:VEVENT",
                          "BEGIN:VEVENT", "UID:s", "RECURRENCE-ID:20240507T070000Z",
                          "DTSTART:20240507T090000Z", "END:VEVENT"});
    const std::string before = readText(file->path());
    item(*file, 1)->remove();
    file->save();
    EXPECT_EQ(readText(file->path()),
              calendarWith({"BEGIN:VEVENT", "UID:keep", "SUMMARY:Keep", "END:VEVENT"}));
    EXPECT_EQ(load(file->path())->calendar().appointments().size(), 1u);
}

TEST_F(CalendarFileTest, EventWithoutUidKeepsOneIdAndGetsItWrittenWhenChanged)
{
    const auto path = dir.write("nouid.ics", calendarWith({"BEGIN:VEVENT", "SUMMARY:OWA", "END:VEVENT",
                                                            "BEGIN:VEVENT", "SUMMARY:OWA", "END:VEVENT"}));
    auto file = load(path);
    const std::string first = item(*file, 0)->entryId();
    const std::string second = item(*file, 1)->entryId();
    EXPECT_NE(first, second);
    EXPECT_EQ(item(*load(path), 1)->entryId(), second); // the same on every load
    EXPECT_FALSE(file->save());                          // an ID alone is no reason to write

    item(*file, 1)->setSubject("OWA 2");
    EXPECT_EQ(saveAndDiff(*file).added, (std::vector<std::string>{"SUMMARY:OWA 2", "UID:" + second}));
    auto again = load(path);
    EXPECT_EQ(item(*again, 0)->entryId(), first);
    EXPECT_EQ(item(*again, 1)->entryId(), second);
    EXPECT_FALSE(again->hasChanges());
}

TEST_F(CalendarFileTest, SecondSaveBuildsOnTheFirst)
{
    auto file = loadSample("node-ical__ms_timezones.ics");
    item(*file, 0)->setSubject("one");
    EXPECT_TRUE(file->save());
    EXPECT_FALSE(file->save()); // nothing new
    item(*file, 0)->setSubject("two");
    item(*file, 2)->remove();
    EXPECT_TRUE(file->save()); // no conflict with our own first save
    auto again = load(file->path());
    ASSERT_EQ(again->calendar().appointments().size(), 3u);
    EXPECT_EQ(item(*again, 0)->subject(), "two");
}

TEST_F(CalendarFileTest, ChangedEventsBecomeANewVersionOthersKeepTheirStamps)
{
    // RFC 5545: an event without SEQUENCE is at 0; DTSTAMP and LAST-MODIFIED say when it changed.
    struct Case {
        std::vector<std::string> stamps; // the event's version lines before the run
        std::vector<std::string> expected;
    };
    const std::string dtstamp = "DTSTAMP:" + kRunStamp, modified = "LAST-MODIFIED:" + kRunStamp;
    const std::vector<Case> cases{
        {{"DTSTAMP:20200101T000000Z", "LAST-MODIFIED:20200101T000000Z", "SEQUENCE:4"},
         {dtstamp, modified, "SEQUENCE:5"}},
        {{"DTSTAMP:20200101T000000Z"}, {dtstamp, modified, "SEQUENCE:1"}},
        {{}, {dtstamp, modified, "SEQUENCE:1"}},
        {{"SEQUENCE:4", "DTSTAMP:20200101T000000Z", "X-MICROSOFT-CDO-APPT-SEQUENCE:4"},
         {"SEQUENCE:5", dtstamp, "X-MICROSOFT-CDO-APPT-SEQUENCE:5", modified}},
        {{"SEQUENCE:4", "X-MICROSOFT-CDO-APPT-SEQUENCE:many"}, {"SEQUENCE:5", dtstamp, modified}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stamps.size());
        std::vector<std::string> lines{"BEGIN:VEVENT", "UID:changed", "SUMMARY:Vorher"};
        lines.insert(lines.end(), c.stamps.begin(), c.stamps.end());
        lines.insert(lines.end(), {"END:VEVENT", "BEGIN:VEVENT", "UID:other", "SUMMARY:Bleibt",
                                   "DTSTAMP:20200101T000000Z", "SEQUENCE:7", "END:VEVENT"});
        auto file = loadText(lines);
        item(*file, 0)->setSubject("Nachher");
        const std::string before = readText(file->path());
        ASSERT_TRUE(file->save());
        const LineDiff diff = diffLines(before, readText(file->path()));
        std::vector<std::string> stamps;
        std::copy_if(diff.added.begin(), diff.added.end(), std::back_inserter(stamps), isStampLine);
        EXPECT_EQ(stamps, c.expected);
        EXPECT_EQ(withoutStamps(diff).added, (std::vector<std::string>{"SUMMARY:Nachher"}));
        EXPECT_FALSE(load(file->path())->save());
    }
}

TEST_F(CalendarFileTest, EmptiedUserPropertyLeavesNoLineBehind)
{
    const std::string link = "X-ZELVANT-VODEDIVAVE;X-ZELVANT-NAME=voDediVave:000abc";
    auto file = loadText({"BEGIN:VEVENT", "UID:l", link, link, "END:VEVENT", "BEGIN:VEVENT", "UID:n", "END:VEVENT"});
    item(*file, 0)->userProperties().find("voDediVave")->setValue("");
    const LineDiff diff = saveAndDiff(*file);
    EXPECT_EQ(diff.removed, (std::vector<std::string>{link, link}));
    EXPECT_TRUE(diff.added.empty());
    EXPECT_EQ(item(*file, 0)->userProperties().find("voDediVave")->value(), ""); // the model keeps it, empty

    // Without the line the property reads as missing, which means the same: not linked. Emptying
    // what is not there is no change at all.
    auto again = load(file->path());
    EXPECT_EQ(item(*again, 0)->userProperties().find("voDediVave"), nullptr);
    item(*again, 1)->userProperties().add("voDediVave", kTextProperty).setValue("");
    EXPECT_FALSE(again->save());
}


// --- failures -----------------------------------------------------------------------------

TEST_F(CalendarFileTest, BrokenFilesAreReportedWithFileLineAndProblem)
{
    struct Case {
        std::string text;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"", "Zeile 1: Das ist keine iCalendar-Datei"},
        {"Hello\r\nBEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n", "Zeile 1: Das ist keine iCalendar-Datei"},
        {"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:x\r\n", "Zeile 2: BEGIN:VEVENT wird nicht abgeschlossen"},
        {"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nEND:VCALENDAR\r\n",
         "Zeile 3: END:VCALENDAR passt nicht zu BEGIN:VEVENT aus Zeile 2"},
        {"BEGIN:VCALENDAR\r\nthis is no line\r\nEND:VCALENDAR\r\n", "Zeile 2: Keine g\xC3\xBCltige"},
        {calendarWith({"BEGIN:VTIMEZONE", "BEGIN:STANDARD", "END:STANDARD", "END:VTIMEZONE"}),
         "Zeile 7: VTIMEZONE ohne TZID"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        const auto path = dir.write("broken.ics", c.text);
        try {
            load(path);
            ADD_FAILURE() << "loaded";
        } catch (const FileError& error) {
            EXPECT_EQ(error.path(), path);
            EXPECT_NE(std::string(error.what()).find(path.string()), std::string::npos);
            EXPECT_NE(std::string(error.what()).find(c.expected), std::string::npos) << error.what();
        }
        EXPECT_EQ(readText(path), c.text); // nothing written
    }
}

TEST_F(CalendarFileTest, MissingFileAndFolderAreReported)
{
    EXPECT_THROW(load(dir.file("missing.ics")), FileError);
    EXPECT_THROW(load(dir.path()), FileError);
}

TEST_F(CalendarFileTest, FileChangedOnDiskIsNotOverwritten)
{
    auto file = loadSample("node-ical__event-with-category.ics");
    item(*file, 0)->setSubject("ours");
    const std::string theirs = calendarWith({"BEGIN:VEVENT", "UID:1", "SUMMARY:theirs", "END:VEVENT"});
    writeText(file->path(), theirs);
    EXPECT_THROW(file->save(), FileConflictError);
    EXPECT_EQ(readText(file->path()), theirs);
    const auto conflict = file->path().string() + ".zelvant-conflict";
    EXPECT_NE(readText(conflict).find("SUMMARY:ours"), std::string::npos);
}

TEST_F(CalendarFileTest, InterruptedSaveLeavesTheOldFileAndCanBeRepeated)
{
    for (SaveStep step : {SaveStep::WriteTemporary, SaveStep::FlushTemporary, SaveStep::KeepBackup,
                          SaveStep::RenameOver}) {
        SCOPED_TRACE(int(step));
        TempDir scratch;
        const auto path = scratch.copyOf(sample("node-ical__ms_timezones.ics"));
        auto file = load(path);
        item(*file, 0)->setSubject("after");
        FileStore::setStepHookForTesting([step](SaveStep reached) {
            if (reached == step)
                throw std::runtime_error("crash");
        });
        EXPECT_THROW(file->save(), std::runtime_error);
        FileStore::setStepHookForTesting(nullptr);
        EXPECT_EQ(readText(path), readText(sample("node-ical__ms_timezones.ics")));
        for (const auto& entry : std::filesystem::directory_iterator(scratch.path()))
            EXPECT_TRUE(entry.path() == path || entry.path().string() == path.string() + ".bak") << entry.path();
        EXPECT_TRUE(file->save());
        EXPECT_EQ(item(*load(path), 0)->subject(), "after");
    }
}

TEST_F(CalendarFileTest, SystemZoneFollowsTz)
{
    {
        ScopedTz tz(":Asia/Tokyo");
        EXPECT_EQ(CalendarFile::systemTimeZone(), "Asia/Tokyo");
    }
    ScopedTz tz("/usr/share/zoneinfo/America/New_York");
    EXPECT_EQ(CalendarFile::systemTimeZone(), "America/New_York");
}

} // namespace
} // namespace zelvant
