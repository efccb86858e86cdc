#include "hosts/calendarfile/CalendarFile.h"

#include "tests/hosts/calendarfile/IcsTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

namespace zelvant {
namespace {

using namespace icstest;

// The rules that hold for every real calendar: a run without a change writes nothing; a change
// to one event touches that event only; a save right after a save writes nothing.

TEST(CalendarFileRoundTripTest, LoadingAndSavingWithoutAChangeWritesNothing)
{
    for (const std::string& name : kSamples) {
        SCOPED_TRACE(name);
        TempDir dir;
        const auto path = dir.copyOf(sample(name));
        const auto written = std::filesystem::last_write_time(path);
        auto file = loadAt(path);
        EXPECT_TRUE(file->warnings().empty());
        for (const auto& appointment : file->calendar().appointments())
            appointment->save(); // saving without a change changes nothing
        EXPECT_EQ(file->render(), readText(sample(name)));
        EXPECT_FALSE(file->hasChanges());
        EXPECT_FALSE(file->save());
        EXPECT_EQ(readText(path), readText(sample(name)));
        EXPECT_EQ(std::filesystem::last_write_time(path), written);
        EXPECT_FALSE(std::filesystem::exists(path.string() + ".bak"));
    }
}

// One edit a run makes to an appointment, and how to see it after reloading.
struct Edit {
    std::string what;
    std::function<void(MemoryAppointment&)> apply;
    std::function<void(MemoryAppointment& before, MemoryAppointment& after)> check;
};

const std::vector<Edit> kEdits{
    {"moved a day later",
     [](MemoryAppointment& a) {
         a.setStart(a.start() + std::chrono::hours{24});
         a.setEnd(a.end() + std::chrono::hours{24});
     },
     [](MemoryAppointment& was, MemoryAppointment& is) {
         EXPECT_EQ(is.start(), was.start());
         EXPECT_EQ(is.end(), was.end());
         EXPECT_EQ(is.allDayEvent(), was.allDayEvent());
     }},
    {"renamed", [](MemoryAppointment& a) { a.setSubject(a.subject() + " (ge\u00E4ndert, 2\\3)"); },
     [](MemoryAppointment& was, MemoryAppointment& is) { EXPECT_EQ(is.subject(), was.subject()); }},
    {"busy status", [](MemoryAppointment& a) { a.setBusyStatus(BusyStatus((int(a.busyStatus()) + 1) % 4)); },
     [](MemoryAppointment& was, MemoryAppointment& is) { EXPECT_EQ(is.busyStatus(), was.busyStatus()); }},
    {"linked",
     [](MemoryAppointment& a) {
         a.userProperties().add("voDediVave", kTextProperty).setValue("000abcdefghijklmnopqrstu202701180800");
     },
     [](MemoryAppointment& was, MemoryAppointment& is) {
         EXPECT_EQ(is.userProperties().find("voDediVave")->value(),
                   was.userProperties().find("voDediVave")->value());
     }},
};

TEST(CalendarFileRoundTripTest, OneChangedEventChangesOnlyItselfAndASecondSaveWritesNothing)
{
    for (const std::string& name : kSamples) {
        const std::string original = readText(sample(name));
        const std::size_t count = loadAt(sample(name))->calendar().appointments().size();
        const std::size_t step = std::max<std::size_t>(1, count / 24); // every event of a small file
        for (std::size_t n = 0, index = 0; index < count; ++n, index += step) {
            const Edit& edit = kEdits[n % kEdits.size()];
            SCOPED_TRACE(name + ", event " + std::to_string(index) + ": " + edit.what);
            TempDir dir;
            const auto path = dir.copyOf(sample(name));
            auto file = loadAt(path);
            MemoryAppointment& changed = *file->calendar().appointments()[index];
            edit.apply(changed);
            ASSERT_TRUE(file->save());

            // Every changed line lies inside the one event: no component starts or ends in them,
            // except the calendar's zone, added once when the event now names it.
            LineDiff diff = diffLines(original, readText(path));
            const auto zone = std::find(diff.added.begin(), diff.added.end(), "BEGIN:VTIMEZONE");
            if (zone != diff.added.end()) {
                EXPECT_EQ(*(zone + 1), "TZID:" + kZone);
                diff.added.erase(zone, std::find(zone, diff.added.end(), "END:VTIMEZONE") + 1);
                EXPECT_EQ(std::count_if(diff.added.begin(), diff.added.end(),
                                        [](const std::string& line) {
                                            return line.rfind("DTSTART;TZID=" + kZone + ":", 0) == 0;
                                        }),
                          1);
            }
            for (const auto* lines : {&diff.removed, &diff.added})
                for (const std::string& line : *lines)
                    EXPECT_TRUE(line.rfind("BEGIN:", 0) != 0 && line.rfind("END:", 0) != 0) << line;
            EXPECT_NE(std::find(diff.added.begin(), diff.added.end(), "DTSTAMP:" + kRunStamp),
                      diff.added.end());

            auto again = loadAt(path);
            EXPECT_TRUE(again->warnings().empty());
            ASSERT_EQ(again->calendar().appointments().size(), count);
            edit.check(changed, *again->calendar().appointments()[index]);
            EXPECT_FALSE(again->hasChanges());
            EXPECT_FALSE(again->save());
            EXPECT_FALSE(file->save()); // the first run's own next save too
        }
    }
}

} // namespace
} // namespace zelvant

namespace zelvant {
namespace {

using namespace icstest;

// What a calendar shows of each item, to compare one in memory with the same file read again.
std::vector<std::string> shown(CalendarFile& file)
{
    std::vector<std::string> items;
    for (const auto& item : file.calendar().appointments()) {
        // An emptied property leaves no line in the file: missing and empty read the same.
        const UserProperty* link = item->userProperties().find("voDediVave");
        items.push_back(item->entryId() + " | " + item->subject() + " | " + formatIso(item->start()) + " - " +
                        formatIso(item->end()) + " | " + (link ? link->value() : ""));
    }
    return items;
}

// One of the edits a run makes: a move, a new subject or busy status, a link set or emptied.
void editAtRandom(MemoryAppointment& item, std::mt19937& random)
{
    switch (random() % 4) {
    case 0:
        item.setStart(item.start() + std::chrono::hours{24});
        item.setEnd(item.end() + std::chrono::hours{24});
        break;
    case 1:
        item.setSubject(item.subject() + " (" + std::to_string(random() % 100) + ", ge\u00E4ndert\\)");
        break;
    case 2:
        item.setBusyStatus(BusyStatus((int(item.busyStatus()) + 1) % 4));
        break;
    default: {
        UserProperties& properties = item.userProperties();
        UserProperty* link = properties.find("voDediVave");
        if (!link)
            link = &properties.add("voDediVave", kTextProperty);
        link->setValue(
            random() % 3 == 0 ? "" : "000abcdefghijklmnopqrstu20270118080" + std::to_string(random() % 10));
    }
    }
}

// Runs that save again and again: after every save the file holds exactly what the calendar in
// memory shows, reads back the same, and has nothing left to write. Each step picks a sample and
// a few random edits, creations and deletions.
TEST(CalendarFileRoundTripTest, EverySaveOfAChainLeavesWhatAFreshLoadShows)
{
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        TempDir dir;
        const auto path = dir.copyOf(sample(kSamples[seed % kSamples.size()]));
        auto file = loadAt(path);
        for (int save = 1; save <= 4; ++save) {
            SCOPED_TRACE("save " + std::to_string(save));
            const int steps = 1 + int(random() % 4);
            for (int step = 0; step < steps; ++step) {
                const auto items = file->calendar().appointments();
                const unsigned what = random() % 4;
                if (what == 0 || items.empty()) {
                    auto created = file->calendar().createItem();
                    created->setSubject("Neu " + std::to_string(save) + "." + std::to_string(step));
                    created->setStart(makeDateTime(2027, 2, 1 + unsigned(random() % 20), 8));
                    created->setEnd(created->start() + std::chrono::minutes{30 + int(random() % 300)});
                    created->save();
                    continue;
                }
                MemoryAppointment& item = *items[random() % items.size()];
                if (item.isUnreadable())
                    continue;
                if (what == 1)
                    item.remove();
                else if (what == 2)
                    editAtRandom(item, random);
                else
                    item.setSubject(item.subject()); // changed and changed back: nothing to write
            }
            file->save();
            EXPECT_FALSE(file->hasChanges());
            EXPECT_EQ(file->render(), readText(path));
            auto again = loadAt(path);
            EXPECT_EQ(shown(*again), shown(*file));
            EXPECT_FALSE(again->hasChanges());
        }
    }
}

} // namespace
} // namespace zelvant
