#include "engine/TasksToAppointments.h"

#include "hostapi/HostError.h"
#include "tests/engine/EngineWorld.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using Change = RunReport::Change;

class TasksToAppointmentsTest : public ::testing::Test {
protected:
    void run(const std::vector<Task*>& chosen, BusyStatus busy = BusyStatus::Busy)
    {
        LinkTasksToAppointments(w.inputs, chosen, busy, false, keys, w.context);
    }

    std::vector<AppointmentPtr> items() { return w.calendar.items(); }

    EngineWorld w;
    LinkKeyGenerator keys{w.clock, 11};
};

// Counts code points, so a cut through the middle of an umlaut would show.
std::size_t codePoints(const std::string& text)
{
    std::size_t n = 0;
    for (unsigned char c : text)
        n += (c & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

TEST_F(TasksToAppointmentsTest, AppointmentTakesTheBusyStatusOfTheListIndexAndBusyOutsideIt)
{
    const std::vector<std::pair<int, BusyStatus>> cases{{0, BusyStatus::Free},
                                                        {1, BusyStatus::Tentative},
                                                        {3, BusyStatus::OutOfOffice},
                                                        {4, BusyStatus::Busy}};
    for (auto [index, expected] : cases) {
        MemoryTask& task = w.addTask("T", makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 12));
        run({&task}, busyStatusFromIndex(index));
        EXPECT_EQ(items().back()->busyStatus(), expected) << index;
    }
    EXPECT_EQ(busyStatusFromIndex(-1), BusyStatus::Busy);
}

TEST_F(TasksToAppointmentsTest, UnsplitTaskGetsOneAppointmentWithThePlainNameAndIndexZero)
{
    MemoryTask& task = w.addTask("Entwurf", makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 17));
    run({&task});

    ASSERT_EQ(items().size(), 1u);
    AppointmentItem& item = *items()[0];
    EXPECT_EQ(item.subject(), "Entwurf");
    EXPECT_EQ(item.start(), makeDateTime(2024, 3, 4, 8));
    EXPECT_EQ(item.end(), makeDateTime(2024, 3, 4, 17));
    const std::string value = EngineWorld::linkOf(item);
    EXPECT_EQ(value.substr(0, 3), "000");
    EXPECT_EQ(value.substr(24), "202403040800202403041700Entwurf");
    // The key ends with the moment it was made.
    EXPECT_EQ(value.substr(12, 12), "202403010930");
    EXPECT_EQ(EngineWorld::linkOf(task), value);
    EXPECT_EQ(w.report.count(Change::AppointmentCreated), 1);
    EXPECT_EQ(w.report.count(Change::TaskLinked), 1);
    EXPECT_FALSE(w.report.hasFailures());
}

TEST_F(TasksToAppointmentsTest, SplitTaskGetsNumberedSubjectsSharingOneKey)
{
    MemoryTask& task = w.addSplitTask("Bau", {{makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 12)},
                                              {makeDateTime(2024, 3, 6, 8), makeDateTime(2024, 3, 6, 17)},
                                              {makeDateTime(2024, 3, 8, 13), makeDateTime(2024, 3, 8, 15)}});
    run({&task});

    ASSERT_EQ(items().size(), 3u);
    const std::string key{link::key(EngineWorld::linkOf(*items()[0]))};
    for (int i = 0; i < 3; ++i) {
        AppointmentItem& item = *items()[std::size_t(i)];
        const std::string value = EngineWorld::linkOf(item);
        EXPECT_EQ(item.subject(), "Bau (" + std::to_string(i + 1) + ")");
        EXPECT_EQ(value.substr(0, 3), "00" + std::to_string(i));
        EXPECT_EQ(link::key(value), key);
        EXPECT_EQ(link::storedName(value), "Bau");
    }
    EXPECT_EQ(items()[1]->start(), makeDateTime(2024, 3, 6, 8));
    // The task's field ends with the value of its last appointment.
    EXPECT_EQ(EngineWorld::linkOf(task), EngineWorld::linkOf(*items()[2]));
    EXPECT_EQ(EngineWorld::linkOf(task).substr(0, 3), "002");
}

TEST_F(TasksToAppointmentsTest, MilestoneAtMidnightMinusOneLastsIntoTheNextDay)
{
    MemoryTask& task = w.addMilestone("Abnahme", makeDateTime(2024, 3, 4, 23, 59));
    run({&task});

    ASSERT_EQ(items().size(), 1u);
    EXPECT_EQ(items()[0]->subject(), "Abnahme");
    EXPECT_EQ(items()[0]->start(), makeDateTime(2024, 3, 4, 23, 59));
    EXPECT_EQ(items()[0]->end(), makeDateTime(2024, 3, 5, 0, 0));
    EXPECT_EQ(EngineWorld::linkOf(task).substr(0, 3), "000");
    EXPECT_EQ(EngineWorld::linkOf(task).substr(24, 24), "202403042359202403050000");
}

TEST_F(TasksToAppointmentsTest, SecondsStayOnTheAppointmentButNotInTheValue)
{
    MemoryTask& task =
        w.addTask("Takt", makeDateTime(2024, 3, 4, 8, 0, 30), makeDateTime(2024, 3, 4, 9, 15, 45));
    run({&task});

    ASSERT_EQ(items().size(), 1u);
    EXPECT_EQ(items()[0]->start(), makeDateTime(2024, 3, 4, 8, 0, 30));
    EXPECT_EQ(EngineWorld::linkOf(task).substr(24, 24), "202403040800202403040915");
}

TEST_F(TasksToAppointmentsTest, LongNameWithUmlautsIsCutToTwoHundredCharactersInThePlan)
{
    std::string name;
    for (int i = 0; i < 125; ++i)
        name += "\u00C4x"; // 250 characters, 375 bytes
    MemoryTask& task = w.addTask(name, makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 12));
    run({&task});

    const std::string cut = task.name();
    EXPECT_EQ(codePoints(cut), 200u);
    EXPECT_EQ(cut, name.substr(0, 300));
    ASSERT_EQ(items().size(), 1u);
    EXPECT_EQ(items()[0]->subject(), cut);
    EXPECT_EQ(link::storedName(EngineWorld::linkOf(task)), cut);
    EXPECT_EQ(w.report.count(Change::TaskRenamed), 1);
}

TEST_F(TasksToAppointmentsTest, LinkedTaskIsSkippedButCountedInTheProgress)
{
    MemoryTask& linked = w.addTask("Alt", makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 12));
    linked.setField(kText29, "kein gueltiger Wert");
    MemoryTask& fresh = w.addTask("Neu", makeDateTime(2024, 3, 5, 8), makeDateTime(2024, 3, 5, 12));
    run({&linked, &fresh});

    ASSERT_EQ(items().size(), 1u);
    EXPECT_EQ(items()[0]->subject(), "Neu");
    EXPECT_EQ(EngineWorld::linkOf(linked), "kein gueltiger Wert");
    ASSERT_EQ(w.progress.steps.size(), 3u);
    EXPECT_DOUBLE_EQ(w.progress.steps[0].percent, 50.0);
    EXPECT_EQ(w.progress.steps[0].text, "Task 1 von 2 wird verkn\u00FCpft...");
    EXPECT_DOUBLE_EQ(w.progress.steps[1].percent, 95.0);
    EXPECT_EQ(w.progress.steps[1].text, "Task 2 von 2 wird verkn\u00FCpft...");
    EXPECT_DOUBLE_EQ(w.progress.steps[2].percent, 98.0);
    EXPECT_EQ(w.progress.steps[2].text, "Vorgang wird abgeschlossen...");
}

TEST_F(TasksToAppointmentsTest, FailedSaveLeavesTheTaskUnlinkedAndTheReportNamesIt)
{
    MemoryTask& task = w.addTask("Entwurf", makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 12));
    MemoryTask& other = w.addTask("Review", makeDateTime(2024, 3, 5, 8), makeDateTime(2024, 3, 5, 12));
    w.calendarApp.failOnNewItem(1, "Save");
    run({&task, &other});

    EXPECT_EQ(EngineWorld::linkOf(task), "");
    ASSERT_EQ(items().size(), 1u); // the run went on with the next task
    EXPECT_EQ(items()[0]->subject(), "Review");
    ASSERT_EQ(w.report.failures().size(), 1u);
    EXPECT_EQ(w.report.failures()[0].subject, describeTask(1, "Entwurf"));
    EXPECT_EQ(w.report.count(Change::TaskLinked), 1);
}

TEST_F(TasksToAppointmentsTest, FailedPartLeavesTheTaskUnlinkedAndNoPartBehind)
{
    // Linked to parts 1 and 3 only, the next synchronisation would read part 2 as deleted in the
    // calendar and take it out of the plan: a task is linked whole or not at all.
    MemoryTask& task = w.addSplitTask("Bau", {{makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 12)},
                                              {makeDateTime(2024, 3, 6, 8), makeDateTime(2024, 3, 6, 12)},
                                              {makeDateTime(2024, 3, 8, 8), makeDateTime(2024, 3, 8, 12)}});
    MemoryTask& next = w.addTask("Dach", makeDateTime(2024, 3, 11, 8), makeDateTime(2024, 3, 11, 12));
    w.calendarApp.failOnNewItem(2, "Save");
    run({&task, &next});

    EXPECT_EQ(task.getField(kText29), "");
    ASSERT_EQ(items().size(), 1u); // only the next task's appointment
    EXPECT_EQ(items()[0]->subject(), "Dach");
    EXPECT_EQ(task.splitPartCount(), 3);
    EXPECT_TRUE(w.report.hasFailures());
    EXPECT_EQ(w.report.count(Change::TaskLinked), 1);
}

TEST_F(TasksToAppointmentsTest, TaskThatCannotTakeTheLinkLeavesNoAppointmentBehind)
{
    MemoryTask& task = w.addTask("Entwurf", makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 12));
    task.faults().failOn("SetField");
    run({&task});

    EXPECT_TRUE(items().empty());
    EXPECT_EQ(w.calendar.deletedEntryIds().size(), 1u);
    EXPECT_TRUE(w.report.hasFailures());
    EXPECT_EQ(w.report.count(Change::TaskLinked), 0);
}

TEST_F(TasksToAppointmentsTest, DetailedAppointmentsAreRefusedBeforeAnythingHappens)
{
    MemoryTask& task = w.addTask("Entwurf", makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 12));
    try {
        LinkTasksToAppointments(w.inputs, {&task}, BusyStatus::Busy, true, keys, w.context);
        FAIL() << "detailed appointments were accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "Detaillierte Termine werden nicht unterst\u00FCtzt.");
    }
    EXPECT_TRUE(items().empty());
    EXPECT_TRUE(w.progress.steps.empty());
    EXPECT_EQ(EngineWorld::linkOf(task), "");
}

TEST_F(TasksToAppointmentsTest, GeneratorSeededToRepeatStillGivesKeysNotInUse)
{
    // A generator with the same seed draws the same keys as the one that made the old links.
    LinkKeyGenerator earlier{w.clock, 11};
    const std::string planKey = earlier.next();
    const std::string calendarKey = earlier.next();
    const DateTime day = makeDateTime(2024, 3, 4, 8);
    MemoryTask& old = w.addTask("Alt", day, day + Minutes{60});
    old.setField(kText29, link::build(0, planKey, day, day + Minutes{60}, "Alt"));
    w.addAppointment("Fremd", day, day + Minutes{30},
                     link::build(0, calendarKey, day, day + Minutes{30}, "Fremd"));

    MemoryTask& a = w.addTask("A", day, day + Minutes{60});
    MemoryTask& b = w.addTask("B", day, day + Minutes{60});
    run({&a, &b});

    const std::string keyA{link::key(EngineWorld::linkOf(a))};
    const std::string keyB{link::key(EngineWorld::linkOf(b))};
    EXPECT_EQ(keyA.size(), 21u);
    EXPECT_NE(keyA, planKey);
    EXPECT_NE(keyA, calendarKey);
    EXPECT_NE(keyB, planKey);
    EXPECT_NE(keyB, calendarKey);
    EXPECT_NE(keyA, keyB);
}

} // namespace
} // namespace zelvant
