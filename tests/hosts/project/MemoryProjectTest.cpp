#include "hosts/project/MemoryProjectApplication.h"

#include "hostapi/HostError.h"

#include <gtest/gtest.h>

#include <functional>

namespace zelvant {
namespace {

// A moment in March 2024; the 4th is a Monday.
DateTime march(unsigned day, unsigned hour)
{
    return makeDateTime(2024, 3, day, hour);
}

using Parts = std::vector<SplitPart>;

Parts partsOf(const Task& task)
{
    Parts parts;
    for (int i = 1; i <= task.splitPartCount(); ++i)
        parts.push_back(task.splitPart(i));
    return parts;
}

TEST(MemoryProject, SummarySpansItsSubtasksAndRefusesSchedulingWrites)
{
    MemoryProject project{"Test", march(4, 8)};
    MemoryTask& phase = project.addTask();
    project.addTask().setOutlineLevel(2);
    MemoryTask& late = project.addTask();
    late.setOutlineLevel(2);
    late.setStart(march(7, 13));
    project.addTask().setStart(march(20, 8)); // back on the top level
    EXPECT_EQ(phase.start(), march(4, 8));
    EXPECT_EQ(phase.finish(), march(8, 12));
    EXPECT_EQ(phase.splitPartCount(), 0);
    EXPECT_THROW(phase.setStart(march(5, 8)), HostError);
}

TEST(MemoryProject, SplitPartsKeepTheirGapsAndLoseTheirWorkFromTheEnd)
{
    MemoryProject project{"Test", march(4, 8)};
    MemoryTask& task = project.addTask();
    task.assignSplitParts({{march(4, 8), march(4, 12)}, {march(6, 8), march(6, 12)}});
    task.setStart(march(5, 8)); // the gap is 12 working hours
    EXPECT_EQ(partsOf(task), (Parts{{march(5, 8), march(5, 12)}, {march(7, 8), march(7, 12)}}));
    task.setDuration(Minutes{720});
    EXPECT_EQ(partsOf(task), (Parts{{march(5, 8), march(5, 12)}, {march(7, 8), march(7, 17)}}));
    task.setDuration(Minutes{240});
    EXPECT_EQ(partsOf(task), (Parts{{march(5, 8), march(5, 12)}}));
    EXPECT_THROW(task.addSplitPart(march(9, 8), march(9, 17)), HostError); // Saturday
}

TEST(MemoryProject, EveryChangeClearsTheSavedFlagAndReadingDoesNot)
{
    MemoryProject project{"Test", march(4, 8)};
    MemoryTask& task = project.addTask();
    const std::function<void()> changes[] = {
        [&] { task.setField(188744015, "L1"); },
        [&] { task.setDuration(Minutes{60}); },
        [&] { task.setOutlineLevel(2); },
        [&] { project.addBlankRow(); },
    };
    for (const auto& change : changes) {
        project.markSaved();
        (void)task.start();
        EXPECT_TRUE(project.saved());
        change();
        EXPECT_FALSE(project.saved());
    }
}

} // namespace
} // namespace zelvant
