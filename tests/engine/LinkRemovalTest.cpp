// Removing links: a ticked row empties the link of the task's part count + 1 appointments that
// carry its key, in folder order, then the task's; nothing is deleted, and a row whose
// appointment could not be cleared keeps the task linked for another try.

#include "engine/LinkRemoval.h"

#include "tests/engine/EngineWorld.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace zelvant {
namespace {

using Change = RunReport::Change;
using Names = std::set<std::string>;

const std::string kKeyA = "111111111202403010930";
const std::string kKeyB = "222222222202403010930";

struct Scene {
    EngineWorld w;
    std::vector<LinkRow> rows;

    // A task linked to `count` appointments, one a day, named "name (k)"; its row is ticked.
    MemoryTask& linked(const std::string& name, const std::string& key, int count, bool ticked = true)
    {
        const DateTime day = makeDateTime(2024, 3, 4, 8);
        MemoryTask& task = w.addTask(name, day, day + Minutes{240});
        for (int i = 0; i < count; ++i) {
            const DateTime start = day + std::chrono::days{i};
            w.addAppointment(name + " (" + std::to_string(i + 1) + ")", start, start + Minutes{240},
                             link::build(i, key, start, start + Minutes{240}, name));
        }
        task.setField(kText29, link::build(count - 1, key, day, day + Minutes{240}, name));
        rows.push_back({task.id(), EngineWorld::linkOf(task), ticked});
        return task;
    }

    std::shared_ptr<MemoryAppointment> item(const std::string& subject)
    {
        for (const auto& candidate : w.calendar.appointments())
            if (candidate->subject() == subject)
                return candidate;
        return nullptr;
    }

    Names linkedAppointments()
    {
        Names names;
        for (const auto& item : w.calendar.appointments())
            if (!EngineWorld::linkOf(*item).empty())
                names.insert(item->subject());
        return names;
    }

    Names linkedTasks()
    {
        Names names;
        for (Task* task : w.project.tasks())
            if (!EngineWorld::linkOf(*task).empty())
                names.insert(task->name());
        return names;
    }
};

struct Case {
    const char* what;
    std::function<void(Scene&)> setUp;
    Names appointmentsLeft; // appointments that still carry a link afterwards
    Names tasksLeft;        // tasks that still carry a link afterwards
    int unlinked = 0;       // appointments whose link the run emptied
    int failures = 0;
};

const Case kCases[] = {
    {"a ticked split task", [](Scene& s) { s.linked("Bau", kKeyA, 3); }, {}, {}, 3},
    {"an unticked row stays as it is",
     [](Scene& s) {
         s.linked("Bleibt", kKeyA, 1, false);
         s.linked("Geht", kKeyB, 1);
     },
     {"Bleibt (1)"},
     {"Bleibt"},
     1},
    {"part count + 1 appointments in folder order, not one more",
     [](Scene& s) {
         s.linked("Teile", kKeyA, 2);
         s.w.addAppointment("Extra", makeDateTime(2024, 3, 9, 8), makeDateTime(2024, 3, 9, 9),
                            EngineWorld::linkOf(*s.item("Teile (2)")));
     },
     {"Extra"},
     {},
     2},
    {"the part count is the task's as it is now, not the row's",
     [](Scene& s) {
         s.linked("Gewachsen", kKeyA, 3);
         s.rows.back().linkValue.replace(0, 3, "000");
     },
     {},
     {},
     3},
    {"a task whose appointment was deleted is still unlinked",
     [](Scene& s) {
         s.linked("Verwaist", kKeyA, 1);
         s.item("Verwaist (1)")->remove();
     },
     {},
     {},
     0},
    {"an appointment with another key is left alone",
     [](Scene& s) {
         s.linked("Umgeschrieben", kKeyA, 2);
         std::string other = EngineWorld::linkOf(*s.item("Umgeschrieben (2)"));
         other.replace(3, 9, "999999999");
         s.item("Umgeschrieben (2)")->userProperties().find(kLinkProperty)->setValue(other);
     },
     {"Umgeschrieben (2)"},
     {},
     1},
    {"an appointment that cannot be cleared keeps the task linked",
     [](Scene& s) {
         s.linked("Gesperrt", kKeyA, 2);
         s.item("Gesperrt (2)")->faults().failOn("SetValue");
     },
     {"Gesperrt (2)"},
     {"Gesperrt"},
     1,
     2}, // the appointment, then the task that keeps its link
    {"a value without a key matches no appointment",
     [](Scene& s) {
         MemoryTask& task = s.w.addTask("Unsinn", makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 9));
         task.setField(kText29, "x");
         s.w.addAppointment("Kurz", makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 9), "ab");
         s.rows.push_back({task.id(), "x", true});
     },
     {"Kurz"},
     {},
     0},
};

TEST(LinkRemoval, EachRowEmptiesItsLinksOnBothSidesAndASecondRunNothing)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        Scene s;
        c.setUp(s);
        const std::size_t appointments = s.w.calendar.appointments().size();
        RemoveLinks(s.w.inputs, s.rows, s.w.context);
        for (const auto& item : s.w.calendar.appointments())
            item->faults().clearFailures();

        EXPECT_EQ(s.linkedAppointments(), c.appointmentsLeft);
        EXPECT_EQ(s.linkedTasks(), c.tasksLeft);
        EXPECT_EQ(s.w.calendar.appointments().size(), appointments); // nothing is deleted
        EXPECT_EQ(s.w.report.count(Change::AppointmentUnlinked), c.unlinked);
        EXPECT_EQ(int(s.w.report.failures().size()), c.failures);

        // Once more: a failed row is finished now, a finished one changes nothing.
        s.w.report = {};
        RemoveLinks(s.w.inputs, s.rows, s.w.context);
        EXPECT_FALSE(s.w.report.hasFailures());
        Names unticked;
        for (const LinkRow& row : s.rows)
            if (!row.ticked)
                unticked.insert(s.w.project.taskById(row.taskId).name());
        EXPECT_EQ(s.linkedTasks(), unticked);
    }
}

} // namespace
} // namespace zelvant
