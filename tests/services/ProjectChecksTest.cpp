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

TEST_F(ProjectChecksTest, NoProjectWarnsOnlyWhenAskedAndUnderTheGivenTitle)
{
    EXPECT_FALSE(IsProjectOpen(app, messages, false, "Zelvant"));
    EXPECT_TRUE(messages.messages.empty());
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

TEST_F(ProjectChecksTest, NoTasksWarnsWithOrWithoutAProjectAndOneTaskPassesSilently)
{
    EXPECT_FALSE(ProjectHasTasks(app, messages, false, "Zelvant"));
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_FALSE(ProjectHasTasks(app, messages, true, "Zelvant")); // no project at all
    openEmptyProject();
    EXPECT_TRUE(IsProjectOpen(app, messages));
    EXPECT_FALSE(ProjectHasTasks(app, messages, true, "Zelvant"));
    ASSERT_EQ(messages.messages.size(), 2u);
    for (const auto& message : messages.messages)
        EXPECT_EQ(message.text, "Das Projekt enth\u00E4lt keine Vorg\u00E4nge.      ");
    app.project()->addTask();
    EXPECT_TRUE(ProjectHasTasks(app, messages));
    EXPECT_EQ(messages.messages.size(), 2u);
}

} // namespace
} // namespace zelvant
