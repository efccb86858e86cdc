#include "engine/LinkRemoval.h"

#include "tests/engine/EngineWorld.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using Change = RunReport::Change;

class LinkRemovalTest : public ::testing::Test {
protected:
    // Links `task` to `count` new appointments (one a day) under `key`; the task's field
    // carries the part count `count - 1`.
    std::vector<std::shared_ptr<MemoryAppointment>> link(MemoryTask& task, const std::string& key, int count)
    {
        std::vector<std::shared_ptr<MemoryAppointment>> items;
        for (int i = 0; i < count; ++i) {
            const DateTime start = makeDateTime(2024, 3, 4, 8) + std::chrono::days{i};
            const DateTime end = start + Minutes{240};
            const std::string subject = link::subjectFor(task.name(), i + 1, count);
            items.push_back(
                w.addAppointment(subject, start, end, link::build(i, key, start, end, task.name())));
        }
        const DateTime day = makeDateTime(2024, 3, 4, 8);
        task.setField(kText29, link::build(count - 1, key, day, day + Minutes{240}, task.name()));
        return items;
    }

    MemoryTask& task(const std::string& name)
    {
        return w.addTask(name, makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 12));
    }

    LinkRow rowOf(Task& t, bool ticked = true) { return {t.id(), EngineWorld::linkOf(t), ticked}; }

    void run(const std::vector<LinkRow>& rows) { RemoveLinks(w.inputs, rows, w.context); }

    EngineWorld w;
    const std::string keyA = "111111111202403010930";
    const std::string keyB = "222222222202403010930";
};

TEST_F(LinkRemovalTest, TickedRowEmptiesEveryAppointmentAndThenTheTask)
{
    MemoryTask& a = task("Bau");
    auto items = link(a, keyA, 3);
    run({rowOf(a)});

    for (const auto& item : items) {
        ASSERT_NE(item->userProperties().find(kLinkProperty), nullptr); // the property stays, empty
        EXPECT_EQ(EngineWorld::linkOf(*item), "");
    }
    EXPECT_EQ(EngineWorld::linkOf(a), "");
    EXPECT_EQ(w.calendar.items().size(), 3u); // nothing is deleted
    EXPECT_EQ(w.report.count(Change::AppointmentUnlinked), 3);
    EXPECT_EQ(w.report.count(Change::TaskUnlinked), 1);
    EXPECT_FALSE(w.report.hasFailures());
}

TEST_F(LinkRemovalTest, UntickedRowOnlyAdvancesTheProgress)
{
    MemoryTask& kept = task("Bleibt");
    auto keptItems = link(kept, keyA, 1);
    MemoryTask& gone = task("Geht");
    auto goneItems = link(gone, keyB, 1);
    const std::string keptValue = EngineWorld::linkOf(kept);
    run({rowOf(kept, false), rowOf(gone)});

    EXPECT_EQ(EngineWorld::linkOf(kept), keptValue);
    EXPECT_EQ(EngineWorld::linkOf(*keptItems[0]), keptValue);
    EXPECT_EQ(EngineWorld::linkOf(gone), "");
    EXPECT_EQ(EngineWorld::linkOf(*goneItems[0]), "");
    ASSERT_EQ(w.progress.steps.size(), 2u); // no closing message
    EXPECT_DOUBLE_EQ(w.progress.steps[0].percent, 50.0);
    EXPECT_EQ(w.progress.steps[0].text, "Verkn\u00FCpfung 1 von 2 wird entfernt...");
    EXPECT_DOUBLE_EQ(w.progress.steps[1].percent, 95.0);
    EXPECT_EQ(w.progress.steps[1].text, "Verkn\u00FCpfung 2 von 2 wird entfernt...");
}

TEST_F(LinkRemovalTest, ClearsPartCountPlusOneAppointmentsInFolderOrder)
{
    for (const int parts : {1, 2}) {
        SCOPED_TRACE(parts);
        MemoryTask& a = task("Teile");
        auto items = link(a, parts == 1 ? keyA : keyB, parts);
        // One more appointment under the same key, later in the folder.
        auto extra = w.addAppointment("Teile", makeDateTime(2024, 3, 9, 8), makeDateTime(2024, 3, 9, 9),
                                      EngineWorld::linkOf(*items.back()));
        run({rowOf(a)});

        for (const auto& item : items)
            EXPECT_EQ(EngineWorld::linkOf(*item), "");
        EXPECT_NE(EngineWorld::linkOf(*extra), "");
        EXPECT_EQ(EngineWorld::linkOf(a), "");
    }
}

TEST_F(LinkRemovalTest, PartCountComesFromTheTaskAsItIsNow)
{
    MemoryTask& a = task("Gewachsen");
    auto items = link(a, keyA, 3);
    // The page was filled when the task had one appointment; by now it has three.
    LinkRow row = rowOf(a);
    row.linkValue.replace(0, 3, "000");
    run({row});

    for (const auto& item : items)
        EXPECT_EQ(EngineWorld::linkOf(*item), "");
}

TEST_F(LinkRemovalTest, TaskWhoseAppointmentWasDeletedIsStillUnlinked)
{
    MemoryTask& a = task("Verwaist");
    auto items = link(a, keyA, 1);
    items[0]->remove();
    run({rowOf(a)});

    EXPECT_EQ(EngineWorld::linkOf(a), "");
    EXPECT_FALSE(w.report.hasFailures());
}

TEST_F(LinkRemovalTest, AppointmentWithAChangedKeyIsLeftAlone)
{
    MemoryTask& a = task("Umgeschrieben");
    auto items = link(a, keyA, 2);
    std::string changed = EngineWorld::linkOf(*items[1]);
    changed.replace(3, 9, "999999999");
    items[1]->userProperties().find(kLinkProperty)->setValue(changed);
    run({rowOf(a)});

    EXPECT_EQ(EngineWorld::linkOf(*items[0]), "");
    EXPECT_EQ(EngineWorld::linkOf(*items[1]), changed);
    EXPECT_EQ(EngineWorld::linkOf(a), "");
}

TEST_F(LinkRemovalTest, RunningTwiceChangesNothingTheSecondTime)
{
    MemoryTask& a = task("Zweimal");
    auto items = link(a, keyA, 2);
    MemoryTask& b = task("Andere");
    auto others = link(b, keyB, 1);
    const std::vector<LinkRow> rows{rowOf(a)};
    run(rows);
    const RunReport first = w.report;

    w.report = RunReport{};
    run(rows);

    EXPECT_EQ(w.report.count(Change::AppointmentUnlinked), 0);
    EXPECT_FALSE(w.report.hasFailures());
    EXPECT_EQ(EngineWorld::linkOf(a), "");
    EXPECT_NE(EngineWorld::linkOf(*others[0]), ""); // another task's link is never touched
    EXPECT_EQ(first.count(Change::AppointmentUnlinked), 2);
}

TEST_F(LinkRemovalTest, AppointmentThatCannotBeClearedKeepsTheTaskLinkedForAnotherTry)
{
    MemoryTask& a = task("Gesperrt");
    auto items = link(a, keyA, 2);
    items[1]->faults().failOn("SetValue");
    const std::string value = EngineWorld::linkOf(a);
    run({rowOf(a)});

    EXPECT_EQ(EngineWorld::linkOf(*items[0]), "");
    EXPECT_NE(EngineWorld::linkOf(*items[1]), "");
    EXPECT_EQ(EngineWorld::linkOf(a), value);
    ASSERT_TRUE(w.report.hasFailures());
    EXPECT_EQ(w.report.failures().back().subject, describeTask(a.id(), "Gesperrt"));

    items[1]->faults().clearFailures();
    run({rowOf(a)});
    EXPECT_EQ(EngineWorld::linkOf(*items[1]), "");
    EXPECT_EQ(EngineWorld::linkOf(a), "");
}

TEST_F(LinkRemovalTest, ValueWithoutAKeyMatchesNoAppointment)
{
    MemoryTask& a = task("Unsinn");
    a.setField(kText29, "x");
    auto item = w.addAppointment("Kurz", makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 9), "ab");
    run({rowOf(a)});

    EXPECT_EQ(EngineWorld::linkOf(*item), "ab");
    EXPECT_EQ(EngineWorld::linkOf(a), "");
}

} // namespace
} // namespace zelvant
