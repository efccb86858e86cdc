#include "forms/QuickSync.h"

#include "engine/LinkModel.h"
#include "engine/Progress.h"
#include "hosts/calendar/MemoryCalendarLauncher.h"
#include "hosts/project/MemoryProjectApplication.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

class Recorder : public ProgressSink, public MessageSink {
public:
    void showProgress(double percent, const std::string& text) override { steps.emplace_back(percent, text); }
    void warning(const std::string& text, const std::string& title) override { warnings.push_back(title + ": " + text); }
    void information(const std::string&, const std::string&) override {}
    bool askYesNo(const std::string&, const std::string&) override { return true; }

    std::vector<std::pair<double, std::string>> steps;
    std::vector<std::string> warnings;
    std::vector<int> waits;
};

DateTime at(unsigned day, unsigned hour) { return makeDateTime(2024, 3, day, hour); }

class QuickSyncTest : public ::testing::Test {
protected:
    QuickSyncTest() : host(std::make_unique<MemoryProject>("Plan", at(4, 8))) {}

    // A task with one linked appointment, deleted in the calendar when asked.
    MemoryTask& linkedTask(bool appointmentDeleted)
    {
        MemoryTask& task = host.project()->addTask();
        task.setName("Entwurf");
        const std::string value = link::build(0, "123456789202403011000", task.start(), task.finish(), "Entwurf");
        task.setField(kText29, value);
        auto item = launcher.calendar().addItem(
            {.start = task.start(), .end = task.finish(), .subject = "Entwurf", .userProperties = {{kLinkProperty, value}}});
        if (appointmentDeleted)
            item->remove();
        return task;
    }

    QuickSyncResult run(bool recreate = false)
    {
        return DoQuickSync({host, launcher, recorder, recorder, [this](int ms) { recorder.waits.push_back(ms); },
                            [recreate] { return recreate; }});
    }

    MemoryProjectApplication host;
    MemoryCalendarLauncher launcher;
    Recorder recorder;
};

TEST_F(QuickSyncTest, NothingLinkedRunsTheBarWithoutContactingTheCalendar)
{
    host.project()->addTask();
    const QuickSyncResult result = run();

    ASSERT_EQ(recorder.steps.size(), 95u); // 5..98, then 100
    EXPECT_EQ(recorder.steps.front(), (std::pair<double, std::string>{5, "Es gibt nichts zu synchronisieren..."}));
    EXPECT_EQ(recorder.steps[93].first, 98);
    EXPECT_EQ(recorder.steps.back(), (std::pair<double, std::string>{100, "Synchronisieren beendet."}));
    EXPECT_EQ(std::count(recorder.waits.begin(), recorder.waits.end(), 10), 94);
    EXPECT_EQ(recorder.waits.back(), 1000);
    EXPECT_EQ(launcher.startCount(), 0);
    EXPECT_EQ(result.linkedTasks, 0);
}

TEST_F(QuickSyncTest, LinkedTasksShowBothSweepsBetweenTheFixedSteps)
{
    linkedTask(false);
    linkedTask(false);
    run();

    std::vector<double> percents;
    for (const auto& step : recorder.steps)
        percents.push_back(step.first);
    EXPECT_EQ(percents, (std::vector<double>{5, 27.5, 50, 72.5, 95, 95, 100}));
    EXPECT_EQ(recorder.steps[0].second, "Synchronisieren wird vorbereitet...");
    EXPECT_EQ(recorder.steps[5].second, "Synchronisieren wird abgeschlossen...");
    EXPECT_EQ(recorder.steps[6].second, "Synchronisieren beendet.");
}

TEST_F(QuickSyncTest, CalendarStartedHereIsQuitOneTheUserHadOpenStays)
{
    linkedTask(false);
    run();
    EXPECT_EQ(launcher.startCount(), 1);
    EXPECT_TRUE(launcher.application()->isQuit());

    MemoryCalendarApplication& users = launcher.runApplication();
    run();
    EXPECT_EQ(launcher.startCount(), 1);
    EXPECT_FALSE(users.isQuit());
}

TEST_F(QuickSyncTest, UnreachableCalendarIsReportedAndTheHostSwitchUntouched)
{
    linkedTask(false);
    launcher.setStartFails(true);
    const QuickSyncResult result = run();

    EXPECT_FALSE(result.calendarReached);
    EXPECT_EQ(recorder.warnings, (std::vector<std::string>{"Zelvant: Outlook konnte nicht gefunden werden!"}));
    EXPECT_EQ(host.hostSwitchCalls(), 0);
    EXPECT_EQ(recorder.steps.back().first, 5); // no closing text
}

TEST_F(QuickSyncTest, HostSwitchIsTurnedOffAndOnAgain)
{
    linkedTask(false);
    run();
    EXPECT_EQ(host.hostSwitchCalls(), 2);
    EXPECT_TRUE(host.hostSwitch());
}

TEST_F(QuickSyncTest, StoredOptionDecidesAboutDeletedAppointments)
{
    MemoryTask& unlinked = linkedTask(true);
    run(false);
    EXPECT_EQ(unlinked.getField(kText29), "");

    QuickSyncTest::SetUp();
    MemoryTask& recreated = linkedTask(true);
    run(true);
    EXPECT_NE(recreated.getField(kText29), "");
    EXPECT_EQ(launcher.calendar().items().size(), 1u);
}

} // namespace
} // namespace zelvant
