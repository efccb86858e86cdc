#include "engine/AppointmentsToTasks.h"

#include "tests/engine/EngineWorld.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using Change = RunReport::Change;

class AppointmentsToTasksTest : public ::testing::Test {
protected:
    void run(const std::vector<AppointmentPtr>& chosen)
    {
        LinkAppointmentsToTasks(w.inputs, chosen, keys, w.context);
    }

    Task& lastTask() { return *w.project.tasks().back(); }

    EngineWorld w;
    LinkKeyGenerator keys{w.clock, 5};
};

TEST_F(AppointmentsToTasksTest, MorningMeetingBecomesAMustStartOnTaskOfItsWorkingTime)
{
    w.addTask("Vorhanden", makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 17));
    auto item = w.addAppointment("Abstimmung", makeDateTime(2024, 3, 4, 9), makeDateTime(2024, 3, 4, 11, 30));
    run({item});

    ASSERT_EQ(w.project.taskCount(), 2);
    Task& task = lastTask();
    EXPECT_EQ(task.id(), 2);
    EXPECT_EQ(task.name(), "Abstimmung");
    EXPECT_EQ(task.constraintType(), ConstraintType::MustStartOn);
    EXPECT_EQ(task.constraintDate(), makeDateTime(2024, 3, 4, 9));
    EXPECT_EQ(task.start(), makeDateTime(2024, 3, 4, 9));
    EXPECT_EQ(task.duration(), Minutes{150});

    const std::string value = EngineWorld::linkOf(*item);
    EXPECT_EQ(value.substr(0, 3), "000");
    EXPECT_EQ(value.substr(12, 12), "202403010930"); // the key ends with the moment it was made
    EXPECT_EQ(value.substr(24), "202403040900202403041130Abstimmung");
    EXPECT_EQ(EngineWorld::linkOf(task), value);
    EXPECT_EQ(w.report.count(Change::TaskCreated), 1);
    EXPECT_EQ(w.report.count(Change::TaskLinked), 1);
    EXPECT_FALSE(w.report.hasFailures());
}

TEST_F(AppointmentsToTasksTest, DurationFollowsTheBaseCalendarAcrossTheLunchBreak)
{
    // 11:00-14:00 holds two working hours on the Standard calendar (12:00-13:00 is free).
    auto item = w.addAppointment("Workshop", makeDateTime(2024, 3, 4, 11), makeDateTime(2024, 3, 4, 14));
    run({item});
    EXPECT_EQ(lastTask().duration(), Minutes{120});
}

TEST_F(AppointmentsToTasksTest, SecondsAreDroppedInConstraintAndValue)
{
    auto item =
        w.addAppointment("Takt", makeDateTime(2024, 3, 4, 9, 0, 45), makeDateTime(2024, 3, 4, 11, 30, 15));
    run({item});

    EXPECT_EQ(lastTask().constraintDate(), makeDateTime(2024, 3, 4, 9));
    EXPECT_EQ(EngineWorld::linkOf(*item).substr(24, 24), "202403040900202403041130");
}

TEST_F(AppointmentsToTasksTest, LongSubjectIsCutOnTheAppointmentToo)
{
    const std::string subject = std::string(200, 'a') + std::string(30, 'b');
    auto item = w.addAppointment(subject, makeDateTime(2024, 3, 4, 9), makeDateTime(2024, 3, 4, 10));
    run({item});

    EXPECT_EQ(item->subject(), std::string(200, 'a'));
    EXPECT_EQ(lastTask().name(), std::string(200, 'a'));
    EXPECT_EQ(link::storedName(EngineWorld::linkOf(*item)), std::string(200, 'a'));
}

TEST_F(AppointmentsToTasksTest, NewTasksFollowTheChosenOrderWithDistinctKeys)
{
    auto first = w.addAppointment("Erster", makeDateTime(2024, 3, 4, 9), makeDateTime(2024, 3, 4, 10));
    auto second = w.addAppointment("Zweiter", makeDateTime(2024, 3, 5, 9), makeDateTime(2024, 3, 5, 10));
    run({second, first});

    const std::vector<Task*> tasks = w.project.tasks();
    ASSERT_EQ(tasks.size(), 2u);
    EXPECT_EQ(tasks[0]->name(), "Zweiter");
    EXPECT_EQ(tasks[1]->name(), "Erster");
    EXPECT_NE(link::key(EngineWorld::linkOf(*tasks[0])), link::key(EngineWorld::linkOf(*tasks[1])));
    EXPECT_EQ(w.progress.texts(), (std::vector<std::string>{"Termin 1 von 2 wird verkn\u00FCpft...",
                                                            "Termin 2 von 2 wird verkn\u00FCpft...",
                                                            "Vorgang wird abgeschlossen..."}));
}

TEST_F(AppointmentsToTasksTest, AppointmentThatCannotBeSavedGetsNoTask)
{
    auto item = w.addAppointment("Gesperrt", makeDateTime(2024, 3, 4, 9), makeDateTime(2024, 3, 4, 10));
    auto other = w.addAppointment("Frei", makeDateTime(2024, 3, 5, 9), makeDateTime(2024, 3, 5, 10));
    item->faults().failOn("Save");
    run({item, other});

    ASSERT_EQ(w.project.taskCount(), 1);
    EXPECT_EQ(lastTask().name(), "Frei");
    ASSERT_EQ(w.report.failures().size(), 1u);
    EXPECT_EQ(w.report.failures()[0].subject, describeAppointment("Gesperrt"));
}

TEST_F(AppointmentsToTasksTest, AppointmentWithoutItsTaskLosesTheValueAgain)
{
    auto item = w.addAppointment("Termin", makeDateTime(2024, 3, 4, 9), makeDateTime(2024, 3, 4, 10));
    w.project.faults().failOn("AddTask");
    run({item});

    EXPECT_EQ(w.project.taskCount(), 0);
    EXPECT_EQ(EngineWorld::linkOf(*item), ""); // offered again by the next query
    EXPECT_TRUE(w.report.hasFailures());
}

TEST_F(AppointmentsToTasksTest, GeneratorSeededToRepeatStillGivesAKeyNotInUse)
{
    LinkKeyGenerator earlier{w.clock, 5};
    const std::string used = earlier.next();
    const DateTime day = makeDateTime(2024, 3, 4, 9);
    w.addAppointment("Alt", day, day + Minutes{60}, link::build(0, used, day, day + Minutes{60}, "Alt"));
    auto item = w.addAppointment("Neu", day, day + Minutes{60});
    run({item});

    EXPECT_NE(link::key(EngineWorld::linkOf(lastTask())), used);
}

} // namespace
} // namespace zelvant
