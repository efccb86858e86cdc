#include "hosts/calendarfile/CalendarFile.h"

#include "tests/hosts/calendarfile/IcsTestFiles.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>

namespace zelvant {
namespace {

using namespace icstest;

// Prints, for every VEVENT, one line: summary | start in UTC | end in UTC | X-ZELVANT-LINK.
// Our new events name the calendar's zone and carry its VTIMEZONE; this reader must get the
// same moments from them.
const char* const kReader = R"PY(
import datetime, sys, icalendar
cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())
def utc(prop):
    if prop is None:
        return '-'
    value = prop.dt
    if isinstance(value, datetime.datetime):
        return value.astimezone(datetime.timezone.utc).strftime('%Y-%m-%d %H:%M:%S')
    return value.isoformat()
for ev in cal.walk('VEVENT'):
    link = ev.get('X-ZELVANT-LINK')
    print('|'.join([str(ev.get('SUMMARY')), utc(ev.get('DTSTART')), utc(ev.get('DTEND')),
                    '-' if link is None else str(link)]))
)PY";

class ExternalReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::system("/usr/bin/python3 -c 'import icalendar' >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "/usr/bin/python3 has no icalendar module";
    }

    // What the external reader makes of a file, one line per event.
    static std::vector<std::string> readWithPython(const std::filesystem::path& file)
    {
        const auto script = file.parent_path() / "reader.py";
        writeText(script, kReader);
        const std::string command = "/usr/bin/python3 '" + script.string() + "' '" + file.string() + "' 2>&1";
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
        std::string output;
        std::array<char, 4096> buffer{};
        while (pipe && std::fgets(buffer.data(), int(buffer.size()), pipe.get()))
            output += buffer.data();
        return splitLines(output);
    }

    TempDir dir;
};

TEST_F(ExternalReaderTest, ReadsOurTimesSummariesAndXProperties)
{
    // The sample's broken Exchange event is one the external reader cannot read at all; drop it.
    auto file = loadAt(dir.copyOf(sample("node-ical__ms_timezones.ics")));
    auto& calendar = file->calendar();
    calendar.appointments()[1]->remove();
    auto moved = calendar.appointments()[0];
    moved->setStart(makeDateTime(2020, 9, 10, 14, 15));
    moved->setEnd(makeDateTime(2020, 9, 10, 15, 0));
    moved->setSubject("Abnahme, Teil 1; \xC3\x9C" "bergabe");
    moved->userProperties().add("Link", kTextProperty).setValue("p-17,a;b\\c");
    auto created = calendar.createItem();
    created->setSubject("Neu \xC3\xA4");
    created->setStart(makeDateTime(2024, 12, 24, 9, 0, 30));
    created->setEnd(makeDateTime(2024, 12, 24, 10, 0));
    created->userProperties().add("Link", kTextProperty).setValue("");
    created->save();
    ASSERT_TRUE(file->save());

    EXPECT_EQ(readWithPython(file->path()),
              (std::vector<std::string>{
                  "Abnahme, Teil 1; \xC3\x9C" "bergabe|2020-09-10 12:15:00|2020-09-10 13:00:00|p-17,a;b\\c",
                  "Not the actual summary 1|2020-09-15 15:30:00|2020-09-15 16:30:00|-",
                  "Not the actual summary either|2020-07-07 19:00:00|2020-07-07 19:30:00|-",
                  "Neu \xC3\xA4|2024-12-24 08:00:30|2024-12-24 09:00:00|-", // an empty link is no line
              }));
}

TEST_F(ExternalReaderTest, ReadsAllDayEventsAsDates)
{
    auto file = loadAt(dir.copyOf(sample("ical4j__EstoniaHolidays.ics")));
    auto first = file->calendar().appointments()[0];
    first->setStart(makeDateTime(2009, 4, 20));
    first->setEnd(makeDateTime(2009, 4, 21));
    ASSERT_TRUE(file->save());
    const auto lines = readWithPython(file->path());
    ASSERT_EQ(lines.size(), 152u);
    EXPECT_EQ(lines[0], "2. \xC3\xBClest\xC3\xB5usmisp\xC3\xBC" "ha|2009-04-20|2009-04-21|-");
}

} // namespace
} // namespace zelvant
