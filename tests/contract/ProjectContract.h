#pragma once

// What every plan backend must do, seen only through the host interface. A backend type provides
//   static std::unique_ptr<ProjectApplication> make();   // open, empty project on "Standard",
//                                                         // project start Monday 2024-03-04 08:00
//   static void reopen(std::unique_ptr<ProjectApplication>&);  // save and load again, if it can
// Tests reopen before checking what they wrote, so a file-backed backend proves it keeps it.

#include "hostapi/HostError.h"
#include "hostapi/ProjectApi.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace zelvant {

template <typename Backend> class ProjectContract : public ::testing::Test {
protected:
    static constexpr int kText29 = 188744015;

    void SetUp() override { app_ = Backend::make(); }

    Project& project() { return app_->activeProject(); }
    Task& task(int id) { return project().taskById(id); }
    void reopen() { Backend::reopen(app_); }

    // A moment in March 2024; the 4th is a Monday.
    static DateTime march(unsigned day, unsigned hour, unsigned minute = 0)
    {
        return makeDateTime(2024, 3, day, hour, minute);
    }

    static void expectPart(Task& task, int index, DateTime start, DateTime finish)
    {
        EXPECT_EQ(task.splitPart(index), (SplitPart{start, finish})) << "part " << index;
    }

    std::unique_ptr<ProjectApplication> app_;
};

TYPED_TEST_SUITE_P(ProjectContract);

TYPED_TEST_P(ProjectContract, AddedTasksKeepOrderIdsAndUniqueIds)
{
    EXPECT_EQ(this->project().baseCalendar(), "Standard");
    EXPECT_THROW(this->project().taskById(1), HostError);
    std::vector<int> uniqueIds;
    for (const char* name : {"Rohbau", "Dach", "Fenster"}) {
        Task& added = this->project().addTask();
        added.setName(name);
        uniqueIds.push_back(added.uniqueId());
    }
    this->reopen();

    EXPECT_EQ(std::set<int>(uniqueIds.begin(), uniqueIds.end()).size(), 3u);
    const std::vector<Task*> tasks = this->project().tasks();
    ASSERT_EQ(tasks.size(), 3u);
    const char* names[] = {"Rohbau", "Dach", "Fenster"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tasks[i]->id(), i + 1);
        EXPECT_EQ(tasks[i]->uniqueId(), uniqueIds[i]);
        EXPECT_EQ(tasks[i]->name(), names[i]);
    }
    EXPECT_THROW(this->project().taskById(4), HostError);
}

TYPED_TEST_P(ProjectContract, NewTaskIsOneWorkingDayAtTheProjectStartAndLongerOnesSkipTheWeekend)
{
    this->project().addTask();
    this->project().addTask().setDuration(Minutes{6 * 480});
    this->reopen();

    Task& task = this->task(1);
    EXPECT_EQ(task.duration(), Minutes{480});
    EXPECT_EQ(task.constraintType(), ConstraintType::AsSoonAsPossible);
    EXPECT_EQ(task.calendarName(), kNoTaskCalendar);
    ASSERT_EQ(task.splitPartCount(), 1);
    this->expectPart(task, 1, this->march(4, 8), this->march(4, 17));
    EXPECT_EQ(this->task(2).finish(), this->march(11, 17));
}

TYPED_TEST_P(ProjectContract, MustStartOnMovesTheTaskToItsDateOrTheNextWorkingMoment)
{
    for (unsigned day : {6u, 9u}) { // a Wednesday, a Saturday
        Task& added = this->project().addTask();
        added.setConstraintType(ConstraintType::MustStartOn);
        added.setConstraintDate(this->march(day, 10));
    }
    this->reopen();

    Task& task = this->task(1);
    EXPECT_EQ(task.constraintType(), ConstraintType::MustStartOn);
    EXPECT_EQ(task.constraintDate(), this->march(6, 10));
    EXPECT_EQ(task.start(), this->march(6, 10));
    EXPECT_EQ(task.finish(), this->march(7, 10)); // 2 h before lunch, 4 h after, 2 h next morning
    EXPECT_EQ(this->task(2).start(), this->march(11, 8));
}

TYPED_TEST_P(ProjectContract, SettingTheStartPinsTheTaskThere)
{
    this->project().addTask().setStart(this->march(8, 16));
    this->reopen();

    Task& task = this->task(1);
    EXPECT_EQ(task.constraintType(), ConstraintType::MustStartOn);
    ASSERT_EQ(task.splitPartCount(), 1);
    this->expectPart(task, 1, this->march(8, 16), this->march(11, 16));
}

TYPED_TEST_P(ProjectContract, CustomFieldsReadEmptyUntilSetAndKeepTheirText)
{
    Task& first = this->project().addTask();
    this->project().addTask();
    EXPECT_EQ(first.getField(this->kText29), "");
    first.setField(this->kText29, "L0042|Zürich; Straße");
    first.setField(188743731, "other");
    this->reopen();

    EXPECT_EQ(this->task(1).getField(this->kText29), "L0042|Zürich; Straße");
    EXPECT_EQ(this->task(1).getField(188743731), "other");
    EXPECT_EQ(this->task(2).getField(this->kText29), "");

    this->task(1).setField(this->kText29, "L0043");
    this->reopen();
    EXPECT_EQ(this->task(1).getField(this->kText29), "L0043");
}

TYPED_TEST_P(ProjectContract, MilestoneSitsAtItsDateWithoutParts)
{
    Task& added = this->project().addTask();
    added.setDuration(Minutes{0});
    added.setConstraintType(ConstraintType::MustStartOn);
    added.setConstraintDate(this->march(9, 10)); // a Saturday: a milestone stays there
    this->reopen();

    Task& task = this->task(1);
    EXPECT_EQ(task.start(), this->march(9, 10));
    EXPECT_EQ(task.finish(), this->march(9, 10));
    EXPECT_EQ(task.splitPartCount(), 0);
}

TYPED_TEST_P(ProjectContract, AddedSplitPartsExtendTheTaskAndMergeWhereTheyMeet)
{
    Task& added = this->project().addTask();
    added.addSplitPart(this->march(6, 8), this->march(6, 12));
    added.addSplitPart(this->march(6, 11), this->march(6, 15)); // only 13:00-15:00 is new work
    added.addSplitPart(this->march(8, 8), this->march(8, 12));
    this->reopen();

    Task& task = this->task(1);
    ASSERT_EQ(task.splitPartCount(), 3);
    this->expectPart(task, 1, this->march(4, 8), this->march(4, 17));
    this->expectPart(task, 2, this->march(6, 8), this->march(6, 15));
    EXPECT_EQ(task.duration(), Minutes{480 + 360 + 240});
    EXPECT_EQ(task.finish(), this->march(8, 12));
    task.addSplitPart(this->march(5, 8), this->march(5, 10)); // no working time since Monday 17:00
    EXPECT_EQ(task.splitPartCount(), 3);
    this->expectPart(task, 1, this->march(4, 8), this->march(5, 10));
}

TYPED_TEST_P(ProjectContract, DeletingASplitPartRenumbersTheRest)
{
    Task& added = this->project().addTask();
    added.addSplitPart(this->march(8, 8), this->march(8, 12));
    added.addSplitPart(this->march(6, 8), this->march(6, 12));
    added.deleteSplitPart(2);
    this->reopen();

    Task& task = this->task(1);
    ASSERT_EQ(task.splitPartCount(), 2);
    this->expectPart(task, 2, this->march(8, 8), this->march(8, 12));
    task.deleteSplitPart(1);
    this->reopen();
    Task& rest = this->task(1);
    ASSERT_EQ(rest.splitPartCount(), 1);
    this->expectPart(rest, 1, this->march(8, 8), this->march(8, 12));
    EXPECT_EQ(rest.duration(), Minutes{240});
    EXPECT_THROW(rest.deleteSplitPart(1), HostError);
}

TYPED_TEST_P(ProjectContract, ChangesClearSavedUntilTheProjectIsSaved)
{
    this->project().setText("Stand 04.03.");
    EXPECT_FALSE(this->project().saved());
    this->app_->fileSave();
    EXPECT_TRUE(this->project().saved());
    this->reopen();

    EXPECT_EQ(this->project().text(), "Stand 04.03.");
    this->project().addTask().setName("Neu");
    EXPECT_FALSE(this->project().saved());
}

REGISTER_TYPED_TEST_SUITE_P(ProjectContract, AddedTasksKeepOrderIdsAndUniqueIds,
                            NewTaskIsOneWorkingDayAtTheProjectStartAndLongerOnesSkipTheWeekend,
                            MustStartOnMovesTheTaskToItsDateOrTheNextWorkingMoment,
                            SettingTheStartPinsTheTaskThere, CustomFieldsReadEmptyUntilSetAndKeepTheirText,
                            MilestoneSitsAtItsDateWithoutParts,
                            AddedSplitPartsExtendTheTaskAndMergeWhereTheyMeet,
                            DeletingASplitPartRenumbersTheRest,

                            ChangesClearSavedUntilTheProjectIsSaved);

} // namespace zelvant
