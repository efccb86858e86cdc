#include "hosts/calendarfile/CalendarFile.h"

#include "hostapi/HostError.h"
#include "tests/hosts/calendarfile/IcsTestFiles.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace icstest;

// An event whose times the file cannot tell: it never fails the file, is never written, and is
// named in a warning; with a link of ours it stays visible but refuses everything else.
class UnreadableEventTest : public ::testing::Test {
protected:
    TempDir dir;

    // Three events: a good one, one with the given lines (from line 12 on), a good one.
    std::unique_ptr<CalendarFile> loadAround(const std::vector<std::string>& badLines, bool linked)
    {
        std::vector<std::string> lines{
            "BEGIN:VEVENT", "UID:before",   "SUMMARY:Davor", "DTSTART:20270118T080000Z",
            "END:VEVENT",   "BEGIN:VEVENT", "UID:bad",       "SUMMARY:Kaputt"};
        lines.insert(lines.end(), badLines.begin(), badLines.end());
        if (linked)
            lines.push_back("X-ZELVANT-VODEDIVAVE;X-ZELVANT-NAME=voDediVave:000key");
        lines.insert(lines.end(), {"END:VEVENT", "BEGIN:VEVENT", "UID:after", "SUMMARY:Danach",
                                   "DTSTART:20270119T080000Z", "END:VEVENT"});
        return loadAt(dir.write("bad.ics", calendarWith(lines)));
    }
};

// The bytes of the event with that UID, BEGIN:VEVENT to END:VEVENT.
std::string eventText(const std::string& text, const std::string& uid)
{
    const std::size_t begin = text.rfind("BEGIN:VEVENT", text.find("UID:" + uid + "\r\n"));
    return text.substr(begin, text.find("END:VEVENT", begin) - begin);
}

struct BadValue {
    std::vector<std::string> lines; // the first of them, on line 12 of the file, is the bad one
    std::string problem;
};

const std::string kAt = "DTSTART:20270118T080000Z";
const std::vector<BadValue> kBadValues{
    {{"DURATION:P99999999999999999999D", kAt}, "DURATION ist l\u00E4nger als 100 Jahre"},
    {{"DURATION:P36526D", kAt}, "DURATION ist l\u00E4nger als 100 Jahre"},
    {{"DURATION:-PT1H", kAt}, "DURATION ist negativ"},
    {{"DURATION:PT", kAt}, "DURATION ist keine g\u00FCltige Dauer"},
    {{"DTSTART:99991231T000000Z"}, "DTSTART liegt nicht in den Jahren 1600 bis 2200"},
    {{"DTEND:22010101T000000Z", kAt}, "DTEND liegt nicht in den Jahren"},
    {{"DURATION:P36500D", "DTSTART;VALUE=DATE:21500101"}, "Das Ende des Termins liegt nicht in den Jahren"},
    {{"DTSTART:20270230T080000"}, "DTSTART ist kein g\u00FCltiges Datum"},
    {{"DTSTART;TZID=\"Zone:\""}, "DTSTART ist kein g\u00FCltiges Datum"},
    {{"SEQUENCE:-1", kAt}, "SEQUENCE ist keine g\u00FCltige Zahl"},
    {{"DTSTART;TZID=Atlantis/Capital:20270118T080000"},
     "Die Zeitzone \u201EAtlantis/Capital\u201C ist weder"},
};

TEST_F(UnreadableEventTest, ABadValueLeavesItsEventAsItIsAndTheRestLoads)
{
    for (const BadValue& bad : kBadValues) {
        SCOPED_TRACE(bad.lines.front());
        auto file = loadAround(bad.lines, false);
        ASSERT_EQ(file->warnings().size(), 1u);
        const std::string& warning = file->warnings()[0];
        EXPECT_EQ(warning.rfind(file->path().string() + ": Zeile 12: Termin \u201EKaputt\u201C", 0), 0u)
            << warning;
        EXPECT_NE(warning.find(bad.problem), std::string::npos) << warning;
        EXPECT_FALSE(file->hasUnreadableLinkedEvents());

        // Nothing of ours in it: the run has no business with it, and it is not shown.
        const auto& items = file->calendar().appointments();
        ASSERT_EQ(items.size(), 2u);
        EXPECT_EQ(items[0]->subject(), "Davor");
        EXPECT_EQ(items[1]->subject(), "Danach");

        // A run changes the others around it; its bytes stay.
        const std::string original = readText(file->path());
        EXPECT_FALSE(file->save());
        items[0]->setStart(items[0]->start() + Minutes{60});
        items[1]->remove();
        ASSERT_TRUE(file->save());
        EXPECT_EQ(eventText(readText(file->path()), "bad"), eventText(original, "bad"));
        EXPECT_EQ(loadAt(file->path())->warnings().size(), 1u);
    }
}

TEST_F(UnreadableEventTest, ALinkedUnreadableEventIsShownButRefusesEverythingElse)
{
    auto file = loadAround({"DTSTART;TZID=Atlantis/Capital:20270118T080000", "DURATION:PT1H"}, true);
    EXPECT_TRUE(file->hasUnreadableLinkedEvents());
    ASSERT_EQ(file->calendar().appointments().size(), 3u);
    MemoryAppointment& locked = *file->calendar().appointments()[1];

    // Its link and what describes it read as usual: the task sees its appointment is still there.
    EXPECT_EQ(locked.userProperties().find("voDediVave")->value(), "000key");
    EXPECT_EQ(locked.subject(), "Kaputt");
    EXPECT_EQ(locked.entryId(), "bad");

    // Every other call refuses, naming the event, the file, the line and the zone (the model's
    // own test goes through each call).
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
    EXPECT_EQ(file->render(), readText(file->path()));
    EXPECT_FALSE(file->save());
}

} // namespace
} // namespace zelvant
