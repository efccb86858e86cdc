#include "services/ProjectChecks.h"

#include "hosts/project/MemoryProjectApplication.h"
#include "tests/services/RecordingMessages.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

class ProjectChecksTest : public ::testing::Test {
protected:
    void openEmptyProject()
    {
        app.open(std::make_unique<MemoryProject>("Plan", makeDateTime(2024, 3, 4, 8)));
    }

    MemoryProjectApplication app;
    RecordingMessages messages;
};

TEST_F(ProjectChecksTest, NoProjectAndNoWarningWantedShowsNothing)
{
    EXPECT_FALSE(IsProjectOpen(app, messages, false, "Zelvant"));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(ProjectChecksTest, NoProjectWarnsWithTheExactTextAndTitle)
{
    EXPECT_FALSE(IsProjectOpen(app, messages, true, "Titel"));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].kind, "warning");
    EXPECT_EQ(messages.messages[0].text, "Es ist kein Projekt ge\u00F6ffnet!      ");
    EXPECT_EQ(messages.messages[0].title, "Titel");
}

TEST_F(ProjectChecksTest, ProjectWhoseNameCannotBeReadCountsAsNotOpen)
{
    openEmptyProject();
    app.project()->faults().failOn("Name");
    EXPECT_FALSE(IsProjectOpen(app, messages));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].title, "Zelvant");
}

TEST_F(ProjectChecksTest, EmptyProjectIsOpenButHasNoTasks)
{
    openEmptyProject();
    EXPECT_TRUE(IsProjectOpen(app, messages));
    EXPECT_FALSE(ProjectHasTasks(app, messages, true, "Zelvant"));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].kind, "warning");
    EXPECT_EQ(messages.messages[0].text, "Das Projekt enth\u00E4lt keine Vorg\u00E4nge.      ");
}

TEST_F(ProjectChecksTest, ProjectWithOneTaskPassesSilently)
{
    openEmptyProject();
    app.project()->addTask();
    EXPECT_TRUE(ProjectHasTasks(app, messages));
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(ProjectChecksTest, NoProjectAlsoGivesTheNoTasksWarning)
{
    EXPECT_FALSE(ProjectHasTasks(app, messages, true, "Zelvant"));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, kNoTasksText);
    EXPECT_FALSE(ProjectHasTasks(app, messages, false, "Zelvant"));
    EXPECT_EQ(messages.messages.size(), 1u);
}

} // namespace
} // namespace zelvant
