#include "hosts/calendarfile/CalendarFile.h"
#include "hosts/calendarfile/CalendarFileApplication.h"

#include "hostapi/HostError.h"
#include "hosts/common/FileStore.h"
#include "tests/hosts/calendarfile/IcsTestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include <algorithm>
#include <functional>
#include <iterator>

namespace zelvant {
namespace {

using namespace icstest;

using CalendarFileTest = IcsFileTest;

// The machine's zone must not show: this program runs in one (UTC+14) far from every calendar's.
class FarFromEveryCalendar : public ::testing::Environment {
    void SetUp() override
    {
        ::setenv("TZ", "Pacific/Kiritimati", 1);
        ::tzset();
    }
};
const auto* const kFarZone = ::testing::AddGlobalTestEnvironment(new FarFromEveryCalendar);

// Events of real files as their authors meant them, presented in Berlin: Windows zone names
// defined in the file, a start whose value Exchange put inside the quotes, dates with umlauts,
// Kuala Lumpur's midnights as days.
TEST_F(CalendarFileTest, SampleEventsReadAsTheirAuthorsMeantThem)
{
    struct Case {
        const char* sample;
        std::size_t count, index;
        const char* subject;
        DateTime start, end;
        bool allDay;
        BusyStatus busy;
    };
    const Case cases[] = {
        // A zone nine hours behind, defined in the file under a Windows name.
        {"node-ical__ms_timezones.ics", 4, 2, "Not the actual summary 1", makeDateTime(2020, 9, 15, 17, 30),
         makeDateTime(2020, 9, 15, 18, 30), false, BusyStatus::Busy},
        {"ical4j__EstoniaHolidays.ics", 152, 0, "2. \u00FClest\u00F5usmisp\u00FCha",
         makeDateTime(2009, 4, 13), makeDateTime(2009, 4, 14), true, BusyStatus::Free},
        {"zelvant__outlook2007-kuala-lumpur.ics", 3, 2, "Training (two days)", makeDateTime(2009, 3, 18),
         makeDateTime(2009, 3, 20), true, BusyStatus::OutOfOffice},
        // A moved occurrence is part of its series, not an appointment of its own.
        {"node-ical__exchange_whole_day_moved_recurrence.ics", 1, 0, "Exchange Recurring Test",
         makeDateTime(2026, 2, 19), makeDateTime(2026, 2, 20), true, BusyStatus::Free},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.sample << " " << c.index);
        auto file = loadAt(sample(c.sample));
        ASSERT_EQ(file->calendar().appointments().size(), c.count);
        EXPECT_TRUE(file->warnings().empty());
        auto event = item(*file, c.index);
        EXPECT_EQ(event->subject(), c.subject);
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
         "X-ZELVANT-LINK;X-ZELVANT-NAME=Link:a\\,b\\;c\\\\n\\nd\r\nX-ZELVANT-PLAN-KEY:17\r\nX-ZELVANT-EMPTY:",
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
    const auto value = [&](const char* name) {
        const UserProperty* property = item(*file, 6)->userProperties().find(name);
        return property ? property->value() : "(keine)";
    };
    EXPECT_EQ(value("Link"), "a,b;c\\n\nd"); // an escaped backslash, then a plain n
    EXPECT_EQ(value("PLAN-KEY"), "17");
    EXPECT_EQ(value("EMPTY"), "");
    EXPECT_EQ(value("OTHER"), "(keine)");
    EXPECT_THROW(CalendarFile::load(file->path(), "Mars/Olympus_Mons"), HostError);
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
    const std::string ms = "node-ical__ms_timezones.ics", cat = "node-ical__event-with-category.ics";
    const std::string st = "DTSTART;TZID=W. Europe Standard Time:20200910T",
                      en = "DTEND;TZID=W. Europe Standard Time:20200910T";
    const std::string busy = "X-MICROSOFT-CDO-BUSYSTATUS:", at = "DTSTART:20240506T090000\r\n";
    const std::string la = "TZID=America/Los_Angeles:20240506T00";
    const std::string link = "X-ZELVANT-VODEDIVAVE;X-ZELVANT-NAME=voDediVave:000abc";
    const Case cases[] = {
        {ms, moved, {st + "090000", en + "093000"}, {st + "100000", en + "104500"}},
        {ms, free, {"TRANSP:OPAQUE", busy + "BUSY"}, {"TRANSP:TRANSPARENT", busy + "FREE"}},
        {cat, linked, {}, {"X-ZELVANT-LINK;X-ZELVANT-NAME=Link:plan-17\\,a\\;b", "X-ZELVANT-KEY-2:x"}},
        {at + "DURATION:PT1H", longer, {"DURATION:PT1H"}, {"DURATION:PT1H30M"}},
        {at + "DTEND:20240506T100000", longer, {"DTEND:20240506T100000"}, {"DTEND:20240506T103000"}},
        {"DTSTART;" + la + "0000", longer, {}, {"DTEND;" + la + "3000"}}, // an instant gets an end
        {link + "\r\n" + link, unlinked, {link, link}, {}},               // an emptied link leaves no line
        {"SUMMARY:OWA", renamed, {"SUMMARY:OWA"}, {"SUMMARY:OWA 2", "UID:"}}, // without UID: the made-up one
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        const bool isSample = c.event.find(':') == std::string::npos;
        const std::string uid = c.added.empty() || c.added.back() != "UID:" ? "UID:d\r\n" : "";
        auto file = isSample ? loadSample(c.event)
                             : loadText({"BEGIN:VEVENT\r\n" + uid + c.event + "\r\nEND:VEVENT"});
        auto event = item(*file, 0);
        const std::string id = event->entryId();
        c.edit(*event);
        Lines added = c.added;
        if (uid.empty())
            added.back() += id;
        const LineDiff diff = saveAndDiff(*file);
        EXPECT_EQ(diff.removed, c.removed);
        EXPECT_EQ(diff.added, added);
        auto again = loadAt(file->path());
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
    for (const std::string& line : splitLines(readText(file->path()))) {
        EXPECT_LE(line.size(), 75u);
        // A continued line never starts inside a character.
        EXPECT_TRUE(line[0] != ' ' || (static_cast<unsigned char>(line[1]) & 0xC0) != 0x80) << line;
    }
    EXPECT_EQ(item(*loadAt(file->path()), 0)->subject(), subject);

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
    using Lines = std::vector<std::string>;
    const std::string dtstamp = "DTSTAMP:" + kRunStamp, modified = "LAST-MODIFIED:" + kRunStamp;
    // The event's version lines before the run, and those it has after it.
    const std::pair<Lines, Lines> cases[] = {
        {{"DTSTAMP:20200101T000000Z", "LAST-MODIFIED:20200101T000000Z", "SEQUENCE:4"},
         {dtstamp, modified, "SEQUENCE:5"}},
        {{}, {dtstamp, modified, "SEQUENCE:1"}},
        {{"SEQUENCE:4", "DTSTAMP:20200101T000000Z", "X-MICROSOFT-CDO-APPT-SEQUENCE:4"},
         {"SEQUENCE:5", dtstamp, "X-MICROSOFT-CDO-APPT-SEQUENCE:5", modified}},
    };
    for (const auto& [stamps, expected] : cases) {
        SCOPED_TRACE(stamps.size());
        std::string marks;
        for (const std::string& line : stamps)
            marks += "\r\n" + line;
        auto file = loadText({"BEGIN:VEVENT\r\nUID:changed\r\nSUMMARY:Vorher" + marks + "\r\nEND:VEVENT",
                              "BEGIN:VEVENT\r\nUID:other\r\nSUMMARY:Bleibt\r\nDTSTAMP:20200101T000000Z",
                              "SEQUENCE:7\r\nEND:VEVENT"});
        item(*file, 0)->setSubject("Nachher");
        const std::string before = readText(file->path());
        ASSERT_TRUE(file->save());
        const LineDiff diff = diffLines(before, readText(file->path()));
        Lines written;
        std::copy_if(diff.added.begin(), diff.added.end(), std::back_inserter(written), isStampLine);
        EXPECT_EQ(written, expected);
        EXPECT_EQ(withoutStamps(diff).added, (std::vector<std::string>{"SUMMARY:Nachher"}));
        EXPECT_FALSE(loadAt(file->path())->save());
    }
}

TEST_F(CalendarFileTest, BrokenFilesAreReportedWithFileLineAndProblem)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "Zeile 1: Das ist keine iCalendar-Datei"},
        {"Hello\r\nBEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n", "Zeile 1: Das ist keine iCalendar-Datei"},
        {"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:x\r\n", "Zeile 2: BEGIN:VEVENT wird nicht abgeschlossen"},
        {"BEGIN:VCALENDAR\r\nX-A:folded\r\n over\r\n\ttwo\r\nBEGIN:VEVENT\r\n\r\nEND:VCALENDAR\r\n", // folds
                                                                                                     // count
         "Zeile 7: END:VCALENDAR passt nicht zu BEGIN:VEVENT aus Zeile 5"},
        {"BEGIN:VCALENDAR\r\nthis is no line\r\nEND:VCALENDAR\r\n", "Zeile 2: Keine g\xC3\xBCltige"},
        {calendarWith({"BEGIN:VTIMEZONE", "BEGIN:STANDARD", "END:STANDARD", "END:VTIMEZONE"}),
         "Zeile 7: VTIMEZONE ohne TZID"},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(expected);
        const auto path = dir.write("broken.ics", text);
        try {
            loadAt(path);
            ADD_FAILURE() << "loaded";
        } catch (const FileError& error) {
            EXPECT_EQ(error.path(), path);
            EXPECT_NE(std::string(error.what()).find(path.string()), std::string::npos);
            EXPECT_NE(std::string(error.what()).find(expected), std::string::npos) << error.what();
        }
        EXPECT_EQ(readText(path), text); // nothing written
    }
}

// Another program's change on disk is not overwritten; a save interrupted at any step leaves the
// old file whole and can be repeated.
TEST_F(CalendarFileTest, SavesLoseNothingOnConflictOrCrash)
{
    EXPECT_THROW(loadAt(dir.file("missing.ics")), FileError);
    EXPECT_THROW(loadAt(dir.path()), FileError);
    CalendarFileApplication app(loadSample("node-ical__event-with-category.ics"));
    app.file().calendar().appointments()[0]->setSubject("ours");
    const std::string theirs = calendarWith({"BEGIN:VEVENT", "UID:1", "SUMMARY:theirs", "END:VEVENT"});
    writeText(app.file().path(), theirs);
    EXPECT_THROW(app.quit(), FileConflictError);
    EXPECT_FALSE(app.isQuit()); // still open, with its changes
    EXPECT_EQ(app.file().calendar().appointments()[0]->subject(), "ours");
    EXPECT_EQ(readText(app.file().path()), theirs);
    EXPECT_NE(readText(app.file().path().string() + ".zelvant-conflict").find("SUMMARY:ours"),
              std::string::npos);

    for (SaveStep step :
         {SaveStep::WriteTemporary, SaveStep::FlushTemporary, SaveStep::KeepBackup, SaveStep::RenameOver}) {
        SCOPED_TRACE(int(step));
        TempDir scratch;
        const auto path = scratch.copyOf(sample("node-ical__ms_timezones.ics"));
        auto file = loadAt(path);
        item(*file, 0)->setSubject("after");
        FileStore::setStepHookForTesting([step](SaveStep reached) {
            if (reached == step)
                throw std::runtime_error("crash");
        });
        EXPECT_THROW(file->save(), std::runtime_error);
        FileStore::setStepHookForTesting(nullptr);
        EXPECT_EQ(readText(path), readText(sample("node-ical__ms_timezones.ics")));
        EXPECT_TRUE(file->save());
        EXPECT_EQ(item(*loadAt(path), 0)->subject(), "after");
    }
}

// An event whose times the file cannot tell: it never fails the file, is never written, and is
// named in a warning; with a link of ours it stays visible but refuses everything else.
class UnreadableEventTest : public IcsFileTest {
protected:
    // Three events: a good one, one with the given lines (from line 12 on), a good one.
    std::unique_ptr<CalendarFile> loadAround(const std::vector<std::string>& badLines, bool linked)
    {
        std::string bad = "BEGIN:VEVENT\r\nUID:bad\r\nSUMMARY:Kaputt";
        for (const std::string& line : badLines)
            bad += "\r\n" + line;
        return loadText(
            {"BEGIN:VEVENT\r\nUID:before\r\nSUMMARY:Davor\r\nDTSTART:20270118T080000Z\r\nEND:VEVENT",
             bad + (linked ? "\r\nX-ZELVANT-VODEDIVAVE;X-ZELVANT-NAME=voDediVave:000key" : ""),
             "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:after\r\nSUMMARY:Danach\r\nDTSTART:20270119T080000Z",
             "END:VEVENT"});
    }
};

// Lines of an event, the first of them (on line 12 of the file) bad, and what the warning says.
const std::string kAt = "DTSTART:20270118T080000Z";
const std::pair<std::vector<std::string>, std::string> kBadValues[] = {
    {{"DURATION:P36526D", kAt}, "DURATION ist l\u00E4nger als 100 Jahre"},
    {{"DURATION:P1H", kAt}, "DURATION ist keine g\u00FCltige Dauer"},
    {{"DURATION:-PT1H", kAt}, "DURATION ist negativ"},
    {{"DTSTART:99991231T000000Z"}, "DTSTART liegt nicht in den Jahren 1600 bis 2200"},
    {{"DTEND:22010101T000000Z", kAt}, "DTEND liegt nicht in den Jahren"},
    {{"DURATION:P36500D", "DTSTART;VALUE=DATE:21500101"}, "Das Ende des Termins liegt nicht in den Jahren"},
    {{"DTSTART:20270230T080000"}, "DTSTART ist kein g\u00FCltiges Datum"},
    {{"SEQUENCE:-1", kAt}, "SEQUENCE ist keine g\u00FCltige Zahl"},
    {{"DTSTART;TZID=Atlantis/Capital:20270118T080000"},
     "Die Zeitzone \u201EAtlantis/Capital\u201C ist weder"},
};

TEST_F(UnreadableEventTest, ABadValueLeavesItsEventAsItIsAndTheRestLoads)
{
    for (const auto& [lines, problem] : kBadValues) {
        SCOPED_TRACE(lines.front());
        auto file = loadAround(lines, false);
        ASSERT_EQ(file->warnings().size(), 1u);
        const std::string& warning = file->warnings()[0];
        EXPECT_EQ(warning.rfind(file->path().string() + ": Zeile 12: Termin \u201EKaputt\u201C", 0), 0u)
            << warning;
        EXPECT_NE(warning.find(problem), std::string::npos) << warning;

        // Nothing of ours in it: the run has no business with it, and it is not shown.
        const auto& items = file->calendar().appointments();
        ASSERT_EQ(items.size(), 2u);
        EXPECT_EQ(items[1]->subject(), "Danach");

        // A run changes the others around it; its bytes stay.
        std::string event = "UID:bad\r\nSUMMARY:Kaputt";
        for (const std::string& line : lines)
            event += "\r\n" + line;
        EXPECT_FALSE(file->save());
        items[0]->setStart(items[0]->start() + Minutes{60});
        items[1]->remove();
        ASSERT_TRUE(file->save());
        EXPECT_NE(readText(file->path()).find("BEGIN:VEVENT\r\n" + event + "\r\nEND:VEVENT\r\n"),
                  std::string::npos);
        EXPECT_EQ(loadAt(file->path())->warnings().size(), 1u);
    }
}

TEST_F(UnreadableEventTest, ALinkedUnreadableEventIsShownButRefusesEverythingElse)
{
    auto file = loadAround({"DTSTART;TZID=Atlantis/Capital:20270118T080000", "DURATION:PT1H"}, true);
    EXPECT_TRUE(file->hasUnreadableLinkedEvents());
    ASSERT_EQ(file->calendar().appointments().size(), 3u);
    MemoryAppointment& locked = *file->calendar().appointments()[1];

    // Its link reads as usual: the task sees its appointment is still there. Every other call
    // refuses, naming the event, the file, the line and the zone (the model's own test goes
    // through each call).
    EXPECT_EQ(locked.userProperties().find("voDediVave")->value(), "000key");
    try {
        locked.setStart(makeDateTime(2027, 1, 18, 9, 0));
        ADD_FAILURE() << "moved";
    } catch (const HostError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Termin \u201EKaputt\u201C (" + file->path().string() +
                      ", Zeile 12) kann nicht gelesen werden und bleibt unver\u00E4ndert: Die Zeitzone "
                      "\u201EAtlantis/Capital\u201C ist weder in der Datei (VTIMEZONE) noch in der "
                      "Zeitzonen-Datenbank des Systems bekannt.");
    }
    EXPECT_THROW(locked.remove(), HostError);
    EXPECT_FALSE(file->save());
}

} // namespace
} // namespace zelvant
