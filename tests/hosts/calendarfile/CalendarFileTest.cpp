#include "hosts/calendarfile/CalendarFile.h"

#include "hostapi/HostError.h"
#include "hosts/common/FileStore.h"
#include "tests/hosts/calendarfile/IcsTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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

// Events of real files as their authors meant them, presented in Berlin: Windows zone names
// defined in the file, a start whose value Exchange put inside the quotes, dates with umlauts,
// Kuala Lumpur's midnights as days, a start without an end.
TEST_F(CalendarFileTest, SampleEventsReadAsTheirAuthorsMeantThem)
{
    struct Case {
        const char* sample;
        std::size_t count, index;
        const char* subject; // nullptr: not checked
        DateTime start, end;
        bool allDay;
        BusyStatus busy;
    };
    const Case cases[] = {
        {"node-ical__ms_timezones.ics", 4, 0, "test", makeDateTime(2020, 9, 10, 9, 0),
         makeDateTime(2020, 9, 10, 9, 30), false, BusyStatus::Busy},
        {"node-ical__ms_timezones.ics", 4, 2, nullptr, makeDateTime(2020, 9, 15, 17, 30), // nine hours behind
         makeDateTime(2020, 9, 15, 18, 30), false, BusyStatus::Busy},
        {"ical4j__EstoniaHolidays.ics", 152, 0,
         "2. \xC3\xBClest\xC3\xB5usmisp\xC3\xBC"
         "ha",
         makeDateTime(2009, 4, 13), makeDateTime(2009, 4, 14), true, BusyStatus::Free},
        {"zelvant__outlook2007-kuala-lumpur.ics", 3, 2, nullptr, makeDateTime(2009, 3, 18),
         makeDateTime(2009, 3, 20), true, BusyStatus::OutOfOffice},
        {"icaljs__only_dtstart_time.ics", 1, 0, nullptr, makeDateTime(2012, 6, 30, 15, 0),
         makeDateTime(2012, 6, 30, 15, 0), false, BusyStatus::Busy},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.sample << " " << c.index);
        auto file = load(sample(c.sample));
        ASSERT_EQ(file->calendar().appointments().size(), c.count);
        EXPECT_TRUE(file->warnings().empty());
        auto event = item(*file, c.index);
        if (c.subject) {
            EXPECT_EQ(event->subject(), c.subject);
        }
        EXPECT_EQ(formatIso(event->start()), formatIso(c.start));
        EXPECT_EQ(formatIso(event->end()), formatIso(c.end));
        EXPECT_EQ(event->allDayEvent(), c.allDay);
        EXPECT_EQ(event->busyStatus(), c.busy);
    }
}

TEST_F(CalendarFileTest, ValuesAreReadTheWayTheStandardAndOutlookMeanThem)
{
    auto file = loadText(
        {"BEGIN:VEVENT\r\nUID:1\r\nX-MICROSOFT-CDO-BUSYSTATUS:OOF\r\nTRANSP:TRANSPARENT\r\nEND:VEVENT",
         "BEGIN:VEVENT\r\nUID:2\r\nTRANSP:TRANSPARENT\r\nSTATUS:TENTATIVE\r\nEND:VEVENT",
         "BEGIN:VEVENT\r\nUID:3\r\nTRANSP:OPAQUE\r\nSTATUS:TENTATIVE\r\nEND:VEVENT",
         "BEGIN:VEVENT\r\nUID:4\r\nSTATUS:CANCELLED\r\nEND:VEVENT",
         "BEGIN:VEVENT\r\nUID:5\r\nX-MICROSOFT-CDO-BUSYSTATUS:WORKINGELSEWHERE\r\nEND:VEVENT",
         "BEGIN", // a line named BEGIN without a value opens nothing
         "BEGIN:VEVENT\r\nUID:b\r\nDTSTART;TZID=Europe/Berlin:20240330T090000\r\nDURATION:P1DT2H",
         "CATEGORIES:Plan\\, Bau,Team\r\nEND:VEVENT",
         "BEGIN:VEVENT\r\nUID:c\r\nDTSTART;TZID=America/New_York:20240309T090000\r\nDURATION:P1D",
         "X-ZELVANT-LINK;X-ZELVANT-NAME=Link:a\\,b\\;c\\\\d\r\nX-ZELVANT-PLAN-KEY:17\r\nX-ZELVANT-EMPTY:",
         "X-OTHER:not ours\r\nEND:VEVENT"});
    ASSERT_EQ(file->calendar().appointments().size(), 7u);
    // Busy status: Microsoft's own first, then TRANSP, then STATUS.
    const std::vector<BusyStatus> expected{BusyStatus::OutOfOffice, BusyStatus::Free, BusyStatus::Tentative,
                                           BusyStatus::Free, BusyStatus::Busy};
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(item(*file, i)->busyStatus(), expected[i]) << "event " << i + 1;
    // A duration's days are calendar days of the event's zone: across the change to summer time,
    // then two exact hours; New York moves its clocks two weeks before Berlin, its day has 23 hours.
    EXPECT_EQ(item(*file, 5)->end(), makeDateTime(2024, 3, 31, 11, 0));
    EXPECT_EQ(item(*file, 6)->end() - item(*file, 6)->start(), std::chrono::hours{23});
    EXPECT_EQ(item(*file, 5)->categories(), "Plan, Bau; Team");
    auto& properties = item(*file, 6)->userProperties();
    ASSERT_NE(properties.find("Link"), nullptr);
    EXPECT_EQ(properties.find("Link")->value(), "a,b;c\\d");
    ASSERT_NE(properties.find("PLAN-KEY"), nullptr);
    EXPECT_EQ(properties.find("PLAN-KEY")->value(), "17");
    ASSERT_NE(properties.find("EMPTY"), nullptr);
    EXPECT_EQ(properties.find("EMPTY")->value(), "");
    EXPECT_EQ(properties.find("OTHER"), nullptr);
    EXPECT_THROW(CalendarFile::load(file->path(), "Mars/Olympus_Mons"), HostError);
}

// Events are shown in file order, also where some of them have to wait for later ones: a
// changed occurrence for its series, an event without a UID for every UID of the file.
TEST_F(CalendarFileTest, ItemsFollowTheFileOrderWhenEventsWaitForLaterOnes)
{
    const auto event = [](const std::string& uid, const std::string& subject, const std::string& time) {
        return "BEGIN:VEVENT\r\n" + (uid.empty() ? "" : "UID:" + uid + "\r\n") + "SUMMARY:" + subject +
               "\r\n" + time + "\r\nEND:VEVENT";
    };
    const std::string at = "DTSTART:20240506T070000Z", moved = "RECURRENCE-ID:20240513T070000Z";
    struct Row {
        std::vector<std::string> events, shown;
    };
    const Row rows[] = {
        {{event("s", "Verschoben", moved), event("a", "A", at), event("s", "Woche", at)}, {"A", "Woche"}},
        {{event("x", "Verwaist", moved), event("", "Ohne", at), event("b", "B", at)},
         {"Verwaist", "Ohne", "B"}},
        // The occurrence of an unreadable series stays with it.
        {{event("s", "Kaputt", "DTSTART:gestern"), event("a", "A", at), event("s", "V", moved)}, {"A"}},
    };
    for (const Row& row : rows) {
        auto file = loadText(row.events);
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

// --- writing back -----------------------------------------------------------------------------

// A change writes the lines that say it, in the event's own style, and nothing else (version
// marks aside: their own test checks them). What it writes reads back the same: the round trip
// tests check that for every kind of change.
TEST_F(CalendarFileTest, AChangeWritesOnlyTheLinesThatSayIt)
{
    using Lines = std::vector<std::string>;
    using Edit = std::function<void(MemoryAppointment&)>;
    const Edit longer = [](MemoryAppointment& a) { a.setEnd(a.end() + Minutes{30}); };
    const Edit moved = [](MemoryAppointment& a) {
        a.setStart(makeDateTime(2020, 9, 10, 10, 0));
        a.setEnd(makeDateTime(2020, 9, 10, 10, 45));
    };
    const Edit free = [](MemoryAppointment& a) { a.setBusyStatus(BusyStatus::Free); };
    const Edit linked = [](MemoryAppointment& a) {
        a.userProperties().add("Link", kTextProperty).setValue("plan-17,a;b");
        a.userProperties().add("KEY-2", kTextProperty).setValue("x");
    };
    const Edit unlinked = [](MemoryAppointment& a) { a.userProperties().find("voDediVave")->setValue(""); };
    const Edit renamed = [](MemoryAppointment& a) { a.setSubject("OWA 2"); };
    struct Case {
        std::string event; // the lines of the one event in the file, or a sample's name
        Edit edit;
        Lines removed, added;
    };
    const std::string we = "TZID=W. Europe Standard Time:20200910T";
    const std::string link = "X-ZELVANT-VODEDIVAVE;X-ZELVANT-NAME=voDediVave:000abc";
    const Case cases[] = {
        {"node-ical__ms_timezones.ics",
         moved,
         {"DTSTART;" + we + "090000", "DTEND;" + we + "093000"},
         {"DTSTART;" + we + "100000", "DTEND;" + we + "104500"}},
        {"node-ical__ms_timezones.ics",
         free,
         {"TRANSP:OPAQUE", "X-MICROSOFT-CDO-BUSYSTATUS:BUSY"},
         {"TRANSP:TRANSPARENT", "X-MICROSOFT-CDO-BUSYSTATUS:FREE"}},
        {"node-ical__event-with-category.ics",
         linked,
         {},
         {"X-ZELVANT-LINK;X-ZELVANT-NAME=Link:plan-17\\,a\\;b", "X-ZELVANT-KEY-2:x"}},
        {"UID:d\r\nDTSTART:20240506T090000\r\nDURATION:PT1H",
         longer,
         {"DURATION:PT1H"},
         {"DURATION:PT1H30M"}},
        {"UID:d\r\nDTSTART:20240506T090000\r\nDTEND:20240506T100000",
         longer,
         {"DTEND:20240506T100000"},
         {"DTEND:20240506T103000"}},
        {"UID:d\r\nDTSTART;TZID=America/Los_Angeles:20240506T000000",
         longer,
         {},
         {"DTEND;TZID=America/Los_Angeles:20240506T003000"}},
        {"UID:d\r\n" + link + "\r\n" + link, unlinked, {link, link}, {}}, // an emptied link leaves no line
        {"SUMMARY:OWA", renamed, {"SUMMARY:OWA"}, {"SUMMARY:OWA 2", "UID:"}}, // the made-up ID is written
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        const bool isSample = c.event.find(':') == std::string::npos;
        auto file =
            isSample ? loadSample(c.event) : loadText({"BEGIN:VEVENT\r\n" + c.event + "\r\nEND:VEVENT"});
        auto event = item(*file, 0);
        const std::string id = event->entryId();
        c.edit(*event);
        Lines added = c.added;
        if (!added.empty() && added.back() == "UID:")
            added.back() += id;
        const LineDiff diff = saveAndDiff(*file);
        EXPECT_EQ(diff.removed, c.removed);
        EXPECT_EQ(diff.added, added);
        auto again = load(file->path());
        EXPECT_EQ(item(*again, 0)->entryId(), id);
        EXPECT_FALSE(again->save());
    }
    // Emptying a property that is not there is no change at all.
    auto file = loadText({"BEGIN:VEVENT", "UID:n", "END:VEVENT"});
    item(*file, 0)->userProperties().add("voDediVave", kTextProperty).setValue("");
    EXPECT_FALSE(file->save());
}

TEST_F(CalendarFileTest, RenameKeepsTheSummaryParametersAndEscapes)
{
    auto file = loadSample("ical4j__Session6.ics");
    item(*file, 0)->setSubject("Plan, Bau; Phase \\2 \xC3\xA4");
    const LineDiff diff = saveAndDiff(*file);
    EXPECT_EQ(diff.added,
              std::vector<std::string>{"SUMMARY;LANGUAGE=en-us:Plan\\, Bau\\; Phase \\\\2 \xC3\xA4"});
    // The old summary was folded over several TAB-led lines; they all go, nothing else does.
    ASSERT_GE(diff.removed.size(), 2u);
    EXPECT_EQ(diff.removed[0].rfind("SUMMARY;LANGUAGE=en-us:Session #6", 0), 0u);
    for (std::size_t i = 1; i < diff.removed.size(); ++i)
        EXPECT_EQ(diff.removed[i][0], '\t');
}

TEST_F(CalendarFileTest, LongValuesAreFoldedAndADeletedEventTakesItsOccurrences)
{
    auto file = loadSample("node-ical__event-with-category.ics");
    std::string subject;
    for (int i = 0; i < 40; ++i)
        subject += "\xC3\xA4"
                   "bc ";
    item(*file, 0)->setSubject(subject);
    file->save();
    for (const std::string& line : splitLines(readText(file->path())))
        EXPECT_LE(line.size(), 75u);
    EXPECT_EQ(item(*load(file->path()), 0)->subject(), subject);

    auto series =
        loadText({"BEGIN:VEVENT\r\nUID:keep\r\nSUMMARY:Keep\r\nEND:VEVENT",
                  "BEGIN:VEVENT\r\nUID:s\r\nRRULE:FREQ=DAILY\r\nDTSTART:20240506T070000Z\r\nEND:VEVENT",
                  "BEGIN:VEVENT\r\nUID:s\r\nRECURRENCE-ID:20240507T070000Z",
                  "DTSTART:20240507T090000Z\r\nEND:VEVENT"});
    item(*series, 1)->remove();
    series->save();
    EXPECT_EQ(readText(series->path()),
              calendarWith({"BEGIN:VEVENT", "UID:keep", "SUMMARY:Keep", "END:VEVENT"}));
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
        {{}, {dtstamp, modified, "SEQUENCE:1"}},
        {{"SEQUENCE:4", "DTSTAMP:20200101T000000Z", "X-MICROSOFT-CDO-APPT-SEQUENCE:4"},
         {"SEQUENCE:5", dtstamp, "X-MICROSOFT-CDO-APPT-SEQUENCE:5", modified}},
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

// Another program's change on disk is not overwritten; a save interrupted at any step leaves the
// old file whole and can be repeated.
TEST_F(CalendarFileTest, SavesLoseNothingOnConflictOrCrash)
{
    EXPECT_THROW(load(dir.file("missing.ics")), FileError);
    EXPECT_THROW(load(dir.path()), FileError);
    auto ours = loadSample("node-ical__event-with-category.ics");
    item(*ours, 0)->setSubject("ours");
    const std::string theirs = calendarWith({"BEGIN:VEVENT", "UID:1", "SUMMARY:theirs", "END:VEVENT"});
    writeText(ours->path(), theirs);
    EXPECT_THROW(ours->save(), FileConflictError);
    EXPECT_EQ(readText(ours->path()), theirs);
    EXPECT_NE(readText(ours->path().string() + ".zelvant-conflict").find("SUMMARY:ours"), std::string::npos);

    for (SaveStep step :
         {SaveStep::WriteTemporary, SaveStep::FlushTemporary, SaveStep::KeepBackup, SaveStep::RenameOver}) {
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
