#include "hosts/calendarfile/CalendarFile.h"

#include "tests/hosts/calendarfile/IcsTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace zelvant {
namespace {

using namespace icstest;

// What a calendar shows of an item, to compare one in memory with the same event read again.
std::string shown(MemoryAppointment& a)
{
    const UserProperty* link = a.userProperties().find("voDediVave");
    return a.subject() + " | " + formatIso(a.start()) + " - " + formatIso(a.end()) + " | " +
           std::to_string(a.allDayEvent()) + std::to_string(int(a.busyStatus())) + " | " +
           (link ? link->value() : "");
}

// The edits a run makes: a move, a new subject, another busy status, a link.
const std::function<void(MemoryAppointment&)> kEdits[] = {
    [](MemoryAppointment& a) {
        a.setStart(a.start() + std::chrono::hours{24});
        a.setEnd(a.end() + std::chrono::hours{24});
    },
    [](MemoryAppointment& a) { a.setSubject(a.subject() + " (ge\u00E4ndert, 2\\3)"); },
    [](MemoryAppointment& a) { a.setBusyStatus(BusyStatus((int(a.busyStatus()) + 1) % 4)); },
    [](MemoryAppointment& a) {
        a.userProperties().add("voDediVave", kTextProperty).setValue("000abcdefghijklmnopqrstu202701180800");
    },
};

// The rules that hold for every real calendar: a run without a change writes nothing; a change
// to one event touches that event only and reads back as made; a save right after a save writes
// nothing.
TEST(CalendarFileRoundTripTest, OneChangedEventChangesOnlyItselfAndASecondSaveWritesNothing)
{
    for (const std::string& name : kSamples) {
        // Loaded, every event saved without a change, saved: nothing to write, nothing written.
        const std::string original = readText(sample(name));
        TempDir scratch;
        auto untouched = loadAt(scratch.copyOf(sample(name)));
        EXPECT_TRUE(untouched->warnings().empty()) << name;
        for (const auto& appointment : untouched->calendar().appointments())
            appointment->save();
        EXPECT_EQ(untouched->render(), original) << name;
        EXPECT_FALSE(untouched->save()) << name;
        EXPECT_EQ(readText(untouched->path()), original) << name;
        const std::size_t count = untouched->calendar().appointments().size();
        const std::size_t step = std::max<std::size_t>(1, count / 24); // every event of a small file
        for (std::size_t n = 0, index = 0; index < count; ++n, index += step) {
            SCOPED_TRACE(name + ", event " + std::to_string(index) + ", edit " + std::to_string(n % 4));
            TempDir dir;
            const auto path = dir.copyOf(sample(name));
            auto file = loadAt(path);
            MemoryAppointment& changed = *file->calendar().appointments()[index];
            kEdits[n % 4](changed);
            ASSERT_TRUE(file->save());

            // Every changed line lies inside the one event: no component starts or ends in them,
            // except the calendar's zone, added once when the event now names it.
            LineDiff diff = diffLines(original, readText(path));
            const auto zone = std::find(diff.added.begin(), diff.added.end(), "BEGIN:VTIMEZONE");
            if (zone != diff.added.end()) {
                EXPECT_EQ(*(zone + 1), "TZID:" + kZone);
                diff.added.erase(zone, std::find(zone, diff.added.end(), "END:VTIMEZONE") + 1);
            }
            for (const auto* lines : {&diff.removed, &diff.added})
                for (const std::string& line : *lines)
                    EXPECT_TRUE(line.rfind("BEGIN:", 0) != 0 && line.rfind("END:", 0) != 0) << line;

            auto again = loadAt(path);
            ASSERT_EQ(again->calendar().appointments().size(), count);
            EXPECT_EQ(shown(*again->calendar().appointments()[index]), shown(changed));
            EXPECT_FALSE(again->hasChanges());
            EXPECT_FALSE(again->save());
            EXPECT_FALSE(file->save()); // the first run's own next save too
        }
    }
}

} // namespace
} // namespace zelvant
