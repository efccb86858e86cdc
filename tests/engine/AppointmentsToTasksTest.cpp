// Linking appointments to new tasks: each chosen appointment becomes a task that must start when
// the appointment does and holds its working time; one that cannot take the link gets no task.

#include "engine/AppointmentsToTasks.h"

#include "tests/engine/EngineWorld.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using Change = RunReport::Change;

DateTime at(unsigned day, unsigned hour, unsigned minute = 0, unsigned second = 0)
{
    return makeDateTime(2024, 3, day, hour, minute, second);
}

struct Case {
    const char* what;
    AppointmentData appointment;
    const char* fault; // a call of the appointment that fails, or ""
    std::string name;  // of the task made, "" for none
    Minutes duration;
    std::string storedDates; // the value's dates
};

const Case kCases[] = {
    {"morning meeting",
     {.start = at(4, 9), .end = at(4, 11, 30), .subject = "Abstimmung"},
     "",
     "Abstimmung",
     Minutes{150},
     "202403040900202403041130"},
    {"over the lunch break: working time only",
     {.start = at(4, 11), .end = at(4, 14), .subject = "Workshop"},
     "",
     "Workshop",
     Minutes{120},
     "202403041100202403041400"},
    {"seconds are dropped",
     {.start = at(4, 9, 0, 45), .end = at(4, 11, 30, 15), .subject = "Takt"},
     "",
     "Takt",
     Minutes{150},
     "202403040900202403041130"},
    {"a long subject is cut on the appointment too",
     {.start = at(4, 9), .end = at(4, 10), .subject = std::string(200, 'a') + std::string(30, 'b')},
     "",
     std::string(200, 'a'),
     Minutes{60},
     "202403040900202403041000"},
    {"an appointment that cannot be saved gets no task",
     {.start = at(4, 9), .end = at(4, 10), .subject = "Gesperrt"},
     "Save",
     "",
     {},
     ""},
    {"an appointment that cannot take the link gets no task",
     {.start = at(4, 9), .end = at(4, 10), .subject = "Gesperrt"},
     "Add",
     "",
     {},
     ""},
};

TEST(AppointmentsToTasks, EachAppointmentBecomesATaskOfItsWorkingTimeOrNone)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EngineWorld w;
        LinkKeyGenerator keys{w.clock, 5};
        w.addTask("Vorhanden", at(4, 8), at(4, 17));
        auto item = w.calendar.addItem(AppointmentData(c.appointment));
        if (*c.fault)
            item->faults().failOn(c.fault);
        LinkAppointmentsToTasks(w.inputs, {item}, keys, w.context);
        item->faults().clearFailures();

        if (c.name.empty()) {
            EXPECT_EQ(w.project.taskCount(), 1);
            EXPECT_EQ(w.report.failures().size(), 1u);
            continue;
        }
        ASSERT_EQ(w.project.taskCount(), 2);
        Task& task = *w.project.tasks().back();
        EXPECT_EQ(task.id(), 2);
        EXPECT_EQ(task.name(), c.name);
        EXPECT_EQ(item->subject(), c.name);
        EXPECT_EQ(task.constraintType(), ConstraintType::MustStartOn);
        EXPECT_EQ(task.start(), truncateToMinute(c.appointment.start));
        EXPECT_EQ(task.duration(), c.duration);
        const std::string value = EngineWorld::linkOf(*item);
        EXPECT_EQ(value.substr(0, 3), "000");
        EXPECT_EQ(value.substr(12, 12), "202403010930"); // the key ends with the moment it was made
        EXPECT_EQ(value.substr(24), c.storedDates + c.name);
        EXPECT_EQ(EngineWorld::linkOf(task), value);
        EXPECT_EQ(w.report.count(Change::TaskCreated), 1);
        EXPECT_FALSE(w.report.hasFailures());
    }
}

TEST(AppointmentsToTasks, TasksFollowTheChosenOrderWithKeysNotInUse)
{
    EngineWorld w;
    LinkKeyGenerator earlier{w.clock, 5}, keys{w.clock, 5};
    const std::string used = earlier.next();
    w.addAppointment("Alt", at(4, 9), at(4, 10), link::build(0, used, at(4, 9), at(4, 10), "Alt"));
    auto first = w.addAppointment("Erster", at(4, 9), at(4, 10));
    auto second = w.addAppointment("Zweiter", at(5, 9), at(5, 10));
    LinkAppointmentsToTasks(w.inputs, {second, first}, keys, w.context);

    const std::vector<Task*> tasks = w.project.tasks();
    ASSERT_EQ(tasks.size(), 2u);
    EXPECT_EQ(tasks[0]->name(), "Zweiter");
    EXPECT_EQ(tasks[1]->name(), "Erster");
    EXPECT_NE(link::key(EngineWorld::linkOf(*tasks[0])), link::key(EngineWorld::linkOf(*tasks[1])));
    for (Task* task : tasks)
        EXPECT_NE(link::key(EngineWorld::linkOf(*task)), used);
    EXPECT_EQ(w.progress.texts(), (std::vector<std::string>{"Termin 1 von 2 wird verkn\u00FCpft...",
                                                            "Termin 2 von 2 wird verkn\u00FCpft...",
                                                            "Vorgang wird abgeschlossen..."}));
}

TEST(AppointmentsToTasks, AnAppointmentWhoseTaskCannotBeMadeLosesTheLinkAgain)
{
    EngineWorld w;
    LinkKeyGenerator keys{w.clock, 5};
    auto item = w.addAppointment("Termin", at(4, 9), at(4, 10));
    w.project.faults().failOn("AddTask");
    LinkAppointmentsToTasks(w.inputs, {item}, keys, w.context);
    EXPECT_EQ(w.project.taskCount(), 0);
    EXPECT_EQ(EngineWorld::linkOf(*item), ""); // offered again by the next query
    EXPECT_TRUE(w.report.hasFailures());
}

} // namespace
} // namespace zelvant
