#include "hosts/project/MemoryProjectApplication.h"

#include "hostapi/HostError.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace zelvant {
namespace {

// A moment in March 2024; the 4th is a Monday.
DateTime march(unsigned day, unsigned hour, unsigned minute = 0)
{
    return makeDateTime(2024, 3, day, hour, minute);
}

std::vector<SplitPart> partsOf(const Task& task)
{
    std::vector<SplitPart> parts;
    for (int i = 1; i <= task.splitPartCount(); ++i)
        parts.push_back(task.splitPart(i));
    return parts;
}

class MemoryProjectTest : public ::testing::Test {
protected:
    MemoryProject project{"Test", march(4, 8)};
};

TEST_F(MemoryProjectTest, BlankRowsTakeAnIdButAreNotTasks)
{
    project.addTask().setName("A");
    project.addBlankRow();
    MemoryTask& c = project.addTask();

    EXPECT_EQ(c.id(), 3);
    EXPECT_EQ(project.rowCount(), 3);
    EXPECT_EQ(project.taskCount(), 2);
    ASSERT_EQ(project.tasks().size(), 2u);
    EXPECT_EQ(project.tasks()[1], &c);
    EXPECT_THROW(project.taskById(2), HostError);
}

TEST_F(MemoryProjectTest, UniqueIdsStayUniqueAndNewOnesFollowTheHighest)
{
    project.addTask(7);
    EXPECT_THROW(project.addTask(7), HostError);
    EXPECT_THROW(project.addTask(0), HostError);
    project.addTask(3);
    EXPECT_EQ(project.addTask().uniqueId(), 8);
    EXPECT_EQ(project.taskByUniqueId(3), &project.taskById(2));
    EXPECT_EQ(project.taskByUniqueId(4), nullptr);
    // The highest number a plan can hold: the next task takes the lowest free one instead.
    project.addTask(2147483647);
    project.addTask(1);
    EXPECT_EQ(project.addTask().uniqueId(), 2);
}

TEST_F(MemoryProjectTest, NewTaskLastsOneDayOfTheProjectsLength)
{
    project.setMinutesPerDay(420);
    project.setStartDate(march(9, 10)); // a Saturday: the task starts on Monday
    MemoryTask& task = project.addTask();
    EXPECT_EQ(task.start(), march(11, 8));
    EXPECT_EQ(task.finish(), march(11, 16));
    EXPECT_EQ(task.duration(), Minutes{420});
}

TEST_F(MemoryProjectTest, SummaryTaskSpansItsSubtasks)
{
    MemoryTask& phase = project.addTask();
    MemoryTask& early = project.addTask();
    MemoryTask& group = project.addTask();
    MemoryTask& late = project.addTask();
    MemoryTask& after = project.addTask();
    early.setOutlineLevel(2);
    group.setOutlineLevel(2);
    late.setOutlineLevel(3);
    early.setStart(march(5, 8));
    late.setStart(march(7, 13));
    after.setStart(march(20, 8));
    group.assignSchedule(march(1, 8), march(1, 17), Minutes{480}); // a summary's own dates are ignored

    EXPECT_TRUE(phase.isSummary());
    EXPECT_TRUE(group.isSummary());
    EXPECT_FALSE(late.isSummary());
    EXPECT_FALSE(after.isSummary());
    EXPECT_EQ(phase.start(), march(5, 8));
    EXPECT_EQ(phase.finish(), march(8, 12));
    EXPECT_EQ(phase.duration(), Minutes{3 * 480 + 240});
    EXPECT_EQ(group.start(), march(7, 13));
    EXPECT_EQ(phase.splitPartCount(), 0);
    EXPECT_THROW(phase.splitPart(1), HostError);
}

TEST_F(MemoryProjectTest, SummaryTaskRejectsSchedulingWrites)
{
    MemoryTask& phase = project.addTask();
    project.addTask().setOutlineLevel(2);
    EXPECT_THROW(phase.setStart(march(5, 8)), HostError);
    EXPECT_THROW(phase.setDuration(Minutes{60}), HostError);
    EXPECT_THROW(phase.addSplitPart(march(6, 8), march(6, 12)), HostError);
    phase.setName("Phase 1"); // everything else may change
    EXPECT_EQ(phase.name(), "Phase 1");
}

TEST_F(MemoryProjectTest, TaskIsScheduledOnItsOwnCalendar)
{
    WorkCalendar early("Früh");
    early.setWeekday(std::chrono::Monday, {{6 * 60, 10 * 60}});
    early.setWeekday(std::chrono::Tuesday, {{6 * 60, 10 * 60}});
    project.addCalendar(early);

    MemoryTask& task = project.addTask();
    task.setCalendar("Früh");
    EXPECT_EQ(task.calendarName(), "Früh");
    task.setStart(march(4, 9));
    EXPECT_EQ(task.finish(), march(11, 9)); // 1 h on Monday, 4 h on Tuesday, the rest a week later
    task.setDuration(Minutes{120});
    EXPECT_EQ(task.finish(), march(5, 7));

    EXPECT_THROW(task.setCalendar("Unbekannt"), HostError);
    task.setCalendar("");
    EXPECT_EQ(task.calendarName(), kNoTaskCalendar);
}

TEST_F(MemoryProjectTest, MovingASplitTaskKeepsItsGapsInWorkingTime)
{
    MemoryTask& task = project.addTask();
    task.assignSplitParts({{march(4, 8), march(4, 12)}, {march(6, 8), march(6, 12)}});
    ASSERT_EQ(task.duration(), Minutes{480});

    // The gap is Monday afternoon and all of Tuesday: 12 working hours.
    task.setStart(march(5, 8));
    EXPECT_EQ(partsOf(task),
              (std::vector<SplitPart>{{march(5, 8), march(5, 12)}, {march(7, 8), march(7, 12)}}));
    task.setConstraintDate(march(8, 13));
    EXPECT_EQ(partsOf(task),
              (std::vector<SplitPart>{{march(8, 13), march(8, 17)}, {march(12, 13), march(12, 17)}}));
    EXPECT_EQ(task.duration(), Minutes{480});
}

TEST_F(MemoryProjectTest, LongerDurationGrowsTheLastPart)
{
    MemoryTask& task = project.addTask();
    task.assignSplitParts({{march(4, 8), march(4, 12)}, {march(6, 8), march(6, 12)}});
    task.setDuration(Minutes{720});
    EXPECT_EQ(partsOf(task),
              (std::vector<SplitPart>{{march(4, 8), march(4, 12)}, {march(6, 8), march(6, 17)}}));
}

TEST_F(MemoryProjectTest, ShorterDurationDropsPartsWithoutWork)
{
    MemoryTask& task = project.addTask();
    task.assignSplitParts(
        {{march(4, 8), march(4, 12)}, {march(6, 8), march(6, 12)}, {march(8, 8), march(8, 17)}});
    task.setDuration(Minutes{300});
    EXPECT_EQ(partsOf(task),
              (std::vector<SplitPart>{{march(4, 8), march(4, 12)}, {march(6, 8), march(6, 9)}}));
    task.setDuration(Minutes{240});
    EXPECT_EQ(partsOf(task), (std::vector<SplitPart>{{march(4, 8), march(4, 12)}}));
    EXPECT_EQ(task.finish(), march(4, 12));
}

TEST_F(MemoryProjectTest, SettingTheFinishChangesTheDuration)
{
    MemoryTask& task = project.addTask();
    task.setFinish(march(5, 12));
    EXPECT_EQ(task.start(), march(4, 8));
    EXPECT_EQ(task.duration(), Minutes{720});
    EXPECT_THROW(task.setFinish(march(1, 8)), HostError);
}

TEST_F(MemoryProjectTest, MilestoneGettingWorkStartsInWorkingTime)
{
    MemoryTask& task = project.addTask();
    task.setDuration(Minutes{0});
    task.setStart(march(9, 10));
    EXPECT_EQ(task.finish(), march(9, 10));
    task.setDuration(Minutes{60});
    EXPECT_EQ(partsOf(task), (std::vector<SplitPart>{{march(11, 8), march(11, 9)}}));
}

TEST_F(MemoryProjectTest, AddingAPartWithoutWorkingTimeFails)
{
    MemoryTask& task = project.addTask();
    EXPECT_THROW(task.addSplitPart(march(9, 8), march(9, 17)), HostError); // Saturday
    EXPECT_THROW(task.addSplitPart(march(6, 12), march(6, 8)), HostError);
    EXPECT_EQ(task.splitPartCount(), 1);
}

TEST_F(MemoryProjectTest, ChangesMadeAfterSavingClearTheSavedFlag)
{
    MemoryTask& task = project.addTask();
    const std::vector<std::function<void()>> changes = {
        [&] { task.setName("x"); },
        [&] { task.setField(188744015, "L1"); },
        [&] { task.setDuration(Minutes{60}); },
        [&] { task.setResourceNames("Anna;Ben"); },
        [&] { task.setOutlineLevel(2); },
        [&] { project.setText("t"); },
        [&] { project.addBlankRow(); },
    };
    for (std::size_t i = 0; i < changes.size(); ++i) {
        project.markSaved();
        (void)task.name();
        (void)task.start();
        EXPECT_TRUE(project.saved()) << "reading changed the project, before change " << i;
        changes[i]();
        EXPECT_FALSE(project.saved()) << "change " << i;
    }
}

class MemoryProjectApplicationTest : public ::testing::Test {
protected:
    MemoryProjectApplicationTest()
    {
        app.project()->addTask().setName("A");
        app.project()->addTask().setName("B");
    }

    MemoryProjectApplication app{std::make_unique<MemoryProject>("Test", march(4, 8))};
};

TEST_F(MemoryProjectApplicationTest, WithoutAProjectEveryProjectCallFails)
{
    MemoryProjectApplication empty;
    EXPECT_THROW(empty.activeProject(), HostError);
    EXPECT_THROW(empty.activeSelectionTasks(), HostError);
    EXPECT_THROW(empty.fileSave(), HostError);
    EXPECT_THROW(empty.dateDifference(march(4, 8), march(4, 9), "Standard"), HostError);
    EXPECT_NO_THROW(empty.setHostSwitch(false));

    empty.open(app.close());
    EXPECT_EQ(empty.activeProject().name(), "Test");
    EXPECT_THROW(app.activeProject(), HostError);
}

TEST_F(MemoryProjectApplicationTest, SelectionIsReadInTheOrderGiven)
{
    EXPECT_TRUE(app.activeSelectionTasks().empty());
    app.select({2, 1});
    const std::vector<Task*> selected = app.activeSelectionTasks();
    ASSERT_EQ(selected.size(), 2u);
    EXPECT_EQ(selected[0]->name(), "B");
    EXPECT_EQ(selected[1]->name(), "A");
    app.select({3});
    EXPECT_THROW(app.activeSelectionTasks(), HostError);
}

TEST_F(MemoryProjectApplicationTest, DateDifferenceUsesTheNamedCalendar)
{
    WorkCalendar allDay("Durchgehend");
    for (unsigned day = 0; day < 7; ++day)
        allDay.setWeekday(std::chrono::weekday{day}, {{0, 24 * 60}});
    app.project()->addCalendar(allDay);
    EXPECT_EQ(app.dateDifference(march(8, 16), march(11, 9), "Durchgehend"), Minutes{(2 * 24 + 17) * 60});
    EXPECT_EQ(app.dateDifference(march(8, 16), march(11, 9), "Standard"), Minutes{120});
    EXPECT_THROW(app.dateDifference(march(8, 16), march(11, 9), kNoTaskCalendar), HostError);
}

} // namespace
} // namespace zelvant
