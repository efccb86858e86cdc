#include "hosts/calendarfile/CalendarFile.h"

#include "hostapi/HostError.h"
#include "hosts/common/FileStore.h"
#include "tests/hosts/calendarfile/IcsTestFiles.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace icstest;

class CalendarFileTest : public ::testing::Test {
protected:
    TempDir dir;

    std::unique_ptr<CalendarFile> load(const std::filesystem::path& path) { return CalendarFile::load(path, kZone); }
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
    // What a save writes, as lines changed against the file's current text.
    static LineDiff saveAndDiff(CalendarFile& file)
    {
        const std::string before = readText(file.path());
        EXPECT_TRUE(file.save());
        return diffLines(before, readText(file.path()));
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
    EXPECT_TRUE(easter->snapshot().allDay);
    EXPECT_EQ(easter->busyStatus(), BusyStatus::Free); // TRANSP:TRANSPARENT
    EXPECT_EQ(easter->entryId(), "6c0e3adb-db68-4f26-b43a-f8a2cbb8e7a2");
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
}

TEST_F(CalendarFileTest, EscapedCommaStaysInsideOneCategory)
{
    auto file = loadText({"BEGIN:VEVENT", "UID:c", "DTSTART:20240506T080000Z", "CATEGORIES:Plan\\, Bau,Team",
                          "END:VEVENT"});
    EXPECT_EQ(item(*file, 0)->categories(), "Plan, Bau; Team");
}

TEST_F(CalendarFileTest, StartWithoutEndIsAnInstantAndZoneComesFromTheFile)
{
    auto file = loadSample("icaljs__only_dtstart_time.ics");
    auto only = item(*file, 0);
    // 06:00 in Los Angeles (summer, UTC-7) is 15:00 in Berlin (summer, UTC+2).
    EXPECT_EQ(only->start(), makeDateTime(2012, 6, 30, 15, 0));
    EXPECT_EQ(only->end(), only->start());
}

TEST_F(CalendarFileTest, DateWithoutEndLastsOneDayAndDurationIsHonoured)
{
    auto file = loadText({"BEGIN:VEVENT", "UID:a", "DTSTART;VALUE=DATE:20240229", "END:VEVENT", "BEGIN:VEVENT",
                          "UID:b", "DTSTART;TZID=Europe/Berlin:20240330T090000", "DURATION:P1DT2H", "END:VEVENT"});
    EXPECT_EQ(item(*file, 0)->end(), makeDateTime(2024, 3, 1));
    // A calendar day across the change to summer time, then two exact hours.
    EXPECT_EQ(item(*file, 1)->end(), makeDateTime(2024, 3, 31, 11, 0));
}

TEST_F(CalendarFileTest, ZoneWithoutVtimezoneComesFromTheZoneDatabase)
{
    auto file = loadSample("node-ical__tentative-apple-calendar.ics");
    const auto all = file->calendar().appointments();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0]->start(), makeDateTime(2022, 7, 5, 1, 0)); // UTC
    EXPECT_EQ(all[0]->end(), makeDateTime(2022, 7, 5, 1, 50));
    EXPECT_EQ(all[1]->start(), makeDateTime(2022, 7, 5, 18, 0)); // America/Vancouver
    EXPECT_EQ(all[1]->end(), makeDateTime(2022, 7, 5, 19, 0));
}

TEST_F(CalendarFileTest, WindowsNameWithoutVtimezoneUsesItsIanaZone)
{
    auto file = loadText({"BEGIN:VEVENT", "UID:w", "DTSTART;TZID=Tokyo Standard Time:20240115T170000",
                          "DTEND;TZID=\"W. Europe Standard Time\":20240115T100000", "END:VEVENT"});
    EXPECT_EQ(item(*file, 0)->start(), makeDateTime(2024, 1, 15, 9, 0));
    EXPECT_EQ(item(*file, 0)->end(), makeDateTime(2024, 1, 15, 10, 0));
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

TEST_F(CalendarFileTest, EverySampleComesBackByteForByte)
{
    for (const std::string& name : kSamples) {
        SCOPED_TRACE(name);
        const auto path = dir.copyOf(sample(name));
        auto file = load(path);
        for (const auto& appointment : file->calendar().appointments())
            appointment->save(); // saving without a change changes nothing
        EXPECT_EQ(file->render(), readText(sample(name)));
        EXPECT_FALSE(file->hasChanges());
        EXPECT_FALSE(file->save());
        EXPECT_EQ(readText(path), readText(sample(name)));
        EXPECT_FALSE(std::filesystem::exists(path.string() + ".bak"));
    }
}

TEST_F(CalendarFileTest, SettingTheSameValuesAgainWritesNothing)
{
    auto file = loadSample("node-ical__ms_timezones.ics");
    auto first = item(*file, 0);
    first->setStart(first->start());
    first->setSubject(first->subject());
    first->setBusyStatus(first->busyStatus());
    EXPECT_EQ(file->render(), readText(sample("node-ical__ms_timezones.ics")));
}

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
    // The two lines lie apart, so everything between them shows as changed; only they differ.
    ASSERT_EQ(diff.removed.size(), diff.added.size());
    std::vector<std::string> changed;
    for (std::size_t i = 0; i < diff.added.size(); ++i)
        if (diff.removed[i] != diff.added[i])
            changed.push_back(diff.added[i]);
    EXPECT_EQ(changed, (std::vector<std::string>{"TRANSP:TRANSPARENT", "X-MICROSOFT-CDO-BUSYSTATUS:FREE"}));

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

TEST_F(CalendarFileTest, MissingEndIsAddedRightAfterTheStart)
{
    auto file = loadSample("icaljs__only_dtstart_time.ics");
    auto only = item(*file, 0);
    only->setEnd(only->start() + Minutes{90});
    const LineDiff diff = saveAndDiff(*file);
    EXPECT_TRUE(diff.removed.empty());
    EXPECT_EQ(diff.added, (std::vector<std::string>{"DTEND;TZID=America/Los_Angeles:20120630T073000"}));
}

TEST_F(CalendarFileTest, AllDayEventStaysAllDayWhileItCoversWholeDays)
{
    auto file = loadSample("ical4j__EstoniaHolidays.ics");
    auto easter = item(*file, 0);
    easter->setStart(makeDateTime(2009, 4, 14));
    easter->setEnd(makeDateTime(2009, 4, 16));
    LineDiff diff = saveAndDiff(*file);
    EXPECT_EQ(diff.added, (std::vector<std::string>{"DTSTART;VALUE=DATE:20090414", "DTEND;VALUE=DATE:20090416"}));

    easter->setStart(makeDateTime(2009, 4, 14, 9, 0));
    easter->setEnd(makeDateTime(2009, 4, 14, 10, 0));
    diff = saveAndDiff(*file);
    EXPECT_EQ(diff.added, (std::vector<std::string>{"DTSTART:20090414T070000Z", "DTEND:20090414T080000Z"}));
    EXPECT_EQ(item(*load(file->path()), 0)->start(), makeDateTime(2009, 4, 14, 9, 0));
}

TEST_F(CalendarFileTest, DurationFollowsTheNewLength)
{
    auto file = loadText({"BEGIN:VEVENT", "UID:d", "DTSTART:20240506T090000", "DURATION:PT1H", "END:VEVENT"});
    item(*file, 0)->setStart(makeDateTime(2024, 5, 6, 8, 30));
    const LineDiff diff = saveAndDiff(*file);
    EXPECT_EQ(diff.added, (std::vector<std::string>{"DTSTART:20240506T083000", "DURATION:PT1H30M"}));
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

TEST_F(CalendarFileTest, NewEventGoesBeforeTheEndOfTheCalendar)
{
    auto file = loadSample("icaljs__only_dtstart_time.ics"); // no line break after END:VCALENDAR
    auto created = file->calendar().createItem();
    created->setSubject("Neu");
    created->setStart(makeDateTime(2024, 5, 6, 9, 0));
    created->setEnd(makeDateTime(2024, 5, 6, 10, 0));
    created->userProperties().add("Link", kTextProperty).setValue("p1");
    created->save();
    file->save();
    const std::string text = readText(file->path());
    EXPECT_EQ(text.substr(text.size() - 13), "END:VCALENDAR");
    const auto diff = diffLines(readText(sample("icaljs__only_dtstart_time.ics")), text);
    EXPECT_TRUE(diff.removed.empty());
    EXPECT_EQ(diff.added.front(), "BEGIN:VEVENT");
    EXPECT_EQ(diff.added.back(), "END:VEVENT");

    auto again = load(file->path());
    ASSERT_EQ(again->calendar().appointments().size(), 2u);
    auto stored = item(*again, 1);
    EXPECT_EQ(stored->entryId(), created->entryId());
    EXPECT_EQ(stored->subject(), "Neu");
    EXPECT_EQ(stored->start(), makeDateTime(2024, 5, 6, 9, 0));
    EXPECT_EQ(stored->end(), makeDateTime(2024, 5, 6, 10, 0));
    EXPECT_EQ(stored->busyStatus(), BusyStatus::Busy);
    EXPECT_EQ(stored->userProperties().find("Link")->value(), "p1");
}

TEST_F(CalendarFileTest, EventWithoutUidKeepsOneIdAndGetsItWrittenOnSave)
{
    const auto path = dir.write("nouid.ics", calendarWith({"BEGIN:VEVENT", "SUMMARY:OWA", "END:VEVENT",
                                                            "BEGIN:VEVENT", "SUMMARY:OWA", "END:VEVENT"}));
    auto file = load(path);
    const std::string first = item(*file, 0)->entryId();
    const std::string second = item(*file, 1)->entryId();
    EXPECT_NE(first, second);
    EXPECT_EQ(item(*load(path), 0)->entryId(), first); // the same before any save
    EXPECT_TRUE(file->save());
    const std::string text = readText(path);
    EXPECT_NE(text.find("SUMMARY:OWA\r\nUID:" + first + "\r\nEND:VEVENT"), std::string::npos) << text;
    EXPECT_NE(text.find("SUMMARY:OWA\r\nUID:" + second + "\r\nEND:VEVENT"), std::string::npos) << text;
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
        {calendarWith({"BEGIN:VEVENT", "DTSTART:2024-05-06", "END:VEVENT"}), "Zeile 5: DTSTART ist kein"},
        {calendarWith({"BEGIN:VEVENT", "DTSTART;TZID=Atlantis/Capital:20240506T090000", "END:VEVENT"}),
         "Zeile 5: Die Zeitzone \xE2\x80\x9E" "Atlantis/Capital"},
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
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", ":Asia/Tokyo", 1);
    EXPECT_EQ(CalendarFile::systemTimeZone(), "Asia/Tokyo");
    ::setenv("TZ", "/usr/share/zoneinfo/America/New_York", 1);
    EXPECT_EQ(CalendarFile::systemTimeZone(), "America/New_York");
    if (old)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
}

} // namespace
} // namespace zelvant
