// Linking tasks to new appointments: one appointment per split part, all or nothing per task.

#include "engine/TasksToAppointments.h"

#include "tests/engine/EngineWorld.h"

#include <gtest/gtest.h>

#include <functional>

namespace zelvant {
namespace {

using Change = RunReport::Change;

DateTime at(unsigned day, unsigned hour, unsigned minute = 0, unsigned second = 0)
{
    return makeDateTime(2024, 3, day, hour, minute, second);
}

struct Made {
    std::string subject;
    DateTime start, end;
    std::string value; // from the part index on, without the key: index + stored dates + name
};

struct Case {
    const char* what;
    std::function<void(EngineWorld&)> plan; // adds the tasks (all are chosen) and any failure
    std::vector<Made> made;                 // the appointments left in the calendar, in order
    int linked = 0;
    int failures = 0;
};

std::string value(const char* index, const char* dates, const std::string& name)
{
    return std::string(index) + dates + name;
}

const std::string k250 = [] {
    std::string name;
    for (int i = 0; i < 125; ++i)
        name += "\u00C4x"; // 250 characters, 375 bytes
    return name;
}();
const std::string k200 = k250.substr(0, 300); // 200 characters

const Case kCases[] = {
    {"unsplit task",
     [](EngineWorld& w) { w.addTask("Entwurf", at(4, 8), at(4, 17)); },
     {{"Entwurf", at(4, 8), at(4, 17), value("000", "202403040800202403041700", "Entwurf")}},
     1},
    {"split task: numbered subjects, one key",
     [](EngineWorld& w) {
         w.addSplitTask("Bau", {{at(4, 8), at(4, 12)}, {at(6, 8), at(6, 17)}, {at(8, 13), at(8, 15)}});
     },
     {{"Bau (1)", at(4, 8), at(4, 12), value("000", "202403040800202403041200", "Bau")},
      {"Bau (2)", at(6, 8), at(6, 17), value("001", "202403060800202403061700", "Bau")},
      {"Bau (3)", at(8, 13), at(8, 15), value("002", "202403081300202403081500", "Bau")}},
     1},
    {"milestone at 23:59 lasts a minute into the next day",
     [](EngineWorld& w) { w.addMilestone("Abnahme", at(4, 23, 59)); },
     {{"Abnahme", at(4, 23, 59), at(5, 0), value("000", "202403042359202403050000", "Abnahme")}},
     1},
    {"seconds stay on the appointment, not in the value",
     [](EngineWorld& w) { w.addTask("Takt", at(4, 8, 0, 30), at(4, 9, 15, 45)); },
     {{"Takt", at(4, 8, 0, 30), at(4, 9, 15, 45), value("000", "202403040800202403040915", "Takt")}},
     1},
    {"a long name is cut to 200 characters, not bytes",
     [](EngineWorld& w) { w.addTask(k250, at(4, 8), at(4, 12)); },
     {{k200, at(4, 8), at(4, 12), value("000", "202403040800202403041200", k200)}},
     1},
    {"a linked task is left as it is",
     [](EngineWorld& w) { w.addTask("Alt", at(4, 8), at(4, 12)).setField(kText29, "kein gueltiger Wert"); },
     {},
     0},
    {"a failed save leaves the task unlinked and the run goes on",
     [](EngineWorld& w) {
         w.addTask("Entwurf", at(4, 8), at(4, 12));
         w.addTask("Review", at(5, 8), at(5, 12));
         w.calendarApp.failOnNewItem(1, "Save");
     },
     {{"Review", at(5, 8), at(5, 12), value("000", "202403050800202403051200", "Review")}},
     1,
     1},
    {"an earlier part that fails takes the whole task back",
     [](EngineWorld& w) {
         w.addSplitTask("Bau", {{at(4, 8), at(4, 12)}, {at(6, 8), at(6, 12)}, {at(8, 8), at(8, 12)}});
         w.calendarApp.failOnNewItem(1, "Save");
     },
     {},
     0,
     1},
    {"a middle part that fails takes the whole task back",
     [](EngineWorld& w) {
         w.addSplitTask("Bau", {{at(4, 8), at(4, 12)}, {at(6, 8), at(6, 12)}, {at(8, 8), at(8, 12)}});
         w.calendarApp.failOnNewItem(2, "Save");
     },
     {},
     0,
     1},
    {"a task that cannot take the link leaves no appointment",
     [](EngineWorld& w) { w.addTask("Entwurf", at(4, 8), at(4, 12)).faults().failOn("SetField"); },
     {},
     0,
     1},
};

TEST(TasksToAppointments, EachTaskGetsOneAppointmentPerPartOrNone)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EngineWorld w;
        LinkKeyGenerator keys{w.clock, 11};
        c.plan(w);
        LinkTasksToAppointments(w.inputs, w.project.tasks(), BusyStatus::Busy, keys, w.context);

        const auto items = w.calendar.appointments();
        ASSERT_EQ(items.size(), c.made.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            const std::string stored = EngineWorld::linkOf(*items[i]);
            EXPECT_EQ(items[i]->subject(), c.made[i].subject);
            EXPECT_EQ(items[i]->start(), c.made[i].start);
            EXPECT_EQ(items[i]->end(), c.made[i].end);
            EXPECT_EQ(stored.substr(0, 3) + stored.substr(24), c.made[i].value);
            EXPECT_EQ(stored.substr(12, 12), "202403010930"); // the key ends with the moment it was made
        }
        for (Task* task : w.project.tasks())
            static_cast<MemoryTask*>(task)->faults().clearFailures();
        if (!items.empty()) { // the task's field ends with the value of its last appointment
            EXPECT_EQ(EngineWorld::linkOf(*w.project.tasks().back()), EngineWorld::linkOf(*items.back()));
        }
        EXPECT_EQ(w.linkRuleBreaches(), std::vector<std::string>{});
        EXPECT_EQ(w.report.count(Change::TaskLinked), c.linked);
        EXPECT_EQ(int(w.report.failures().size()), c.failures);
    }
}

// A generator seeded as the one that made the old links draws the same keys: it must step past them.
TEST(TasksToAppointments, NewKeysAreNeverOnesInUse)
{
    EngineWorld w;
    LinkKeyGenerator earlier{w.clock, 11};
    const std::string planKey = earlier.next(), calendarKey = earlier.next();
    w.addTask("Alt", at(4, 8), at(4, 9))
        .setField(kText29, link::build(0, planKey, at(4, 8), at(4, 9), "Alt"));
    w.addAppointment("Fremd", at(4, 8), at(4, 9), link::build(0, calendarKey, at(4, 8), at(4, 9), "Fremd"));
    MemoryTask& a = w.addTask("A", at(4, 8), at(4, 9));
    MemoryTask& b = w.addTask("B", at(4, 8), at(4, 9));
    LinkKeyGenerator keys{w.clock, 11};
    LinkTasksToAppointments(w.inputs, {&a, &b}, BusyStatus::Busy, keys, w.context);
    const std::string keyA{link::key(EngineWorld::linkOf(a))}, keyB{link::key(EngineWorld::linkOf(b))};
    EXPECT_EQ(keyA.size(), 21u);
    for (const std::string& used : {planKey, calendarKey, keyB})
        EXPECT_NE(keyA, used);
    EXPECT_NE(keyB, planKey);
    EXPECT_NE(keyB, calendarKey);
}

} // namespace
} // namespace zelvant
