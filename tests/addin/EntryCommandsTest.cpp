#include "addin/Connect.h"

#include "hosts/projectfile/ProjectFile.h"
#include "services/ProjectChecks.h"
#include "tests/addin/AddinWorld.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace zelvant::testing;

const std::string kPrompt =
    "question|Zelvant|Das Projekt muss zun\u00E4chst gespeichert      \r\nwerden. Fortfahren?      ";

class EntryCommandsTest : public ::testing::Test {
protected:
    EntryCommandsTest()
    {
        addin->OnConnection(world.application, ConnectMode::Startup, world.addInInst, world.custom);
    }

    // The journal from now on.
    void clearJournal()
    {
        world.journal.clear();
        world.messages.shown.clear();
    }

    AddinWorld world;
    std::unique_ptr<Connect> addin = world.makeConnect();
};

TEST_F(EntryCommandsTest, ShowSavesThePlanOpensTheWizardAndSavesAgain)
{
    world.openPlan(2);
    clearJournal();
    addin->Show();
    const Journal expected{
        "create wizard1",
        "question",
        "switch off",
        "text",
        "setText Notiz",
        "save",
        "saved",
        "wizard1 options",
        "wizard1 apply syncType=0",
        "wizard1 tabOrder cmdNext cmdFinish optSync(0) optSync(1) optSync(2) cmdInfo cmdCancel cmdBack",
        "wizard1 hide lblStep703",
        "wizard1 show",
        "save",
        "switch on",
    };
    EXPECT_EQ(world.journal, expected);
    EXPECT_EQ(world.messages.shown, std::vector<std::string>{kPrompt});
    EXPECT_TRUE(world.host.inner.hostSwitch());
}

TEST_F(EntryCommandsTest, QuickShowChecksForTasksAndLoadsNoSettings)
{
    world.openPlan(2);
    clearJournal();
    addin->QuickShow();
    const Journal expected{"create quick1", "taskCount",     "question", "switch off",
                           "text",          "setText Notiz", "save",     "saved",
                           "quick1 show",   "save",          "switch on"};
    EXPECT_EQ(world.journal, expected);
}

TEST_F(EntryCommandsTest, WithoutAPlanOnlyTheWarningIsShown)
{
    clearJournal();
    addin->Show();
    addin->QuickShow();
    const std::string warning = std::string("warning|Zelvant|") + kNoProjectOpenText;
    EXPECT_EQ(world.messages.shown, (std::vector<std::string>{warning, warning}));
    EXPECT_EQ(world.journal, (Journal{"create wizard1", "warning", "create quick1", "warning"}));
    EXPECT_EQ(world.host.inner.hostSwitchCalls(), 0);
}

TEST_F(EntryCommandsTest, HostThatIsNoPlanApplicationCountsAsNoPlan)
{
    world.openPlan(2);
    world.application.project = nullptr;
    clearJournal();
    addin->QuickShow();
    EXPECT_EQ(world.messages.shown,
              (std::vector<std::string>{std::string("warning|Zelvant|") + kNoProjectOpenText}));
}

TEST_F(EntryCommandsTest, QuickShowOnAPlanWithoutTasksShowsOnlyThatWarning)
{
    world.openPlan(0);
    clearJournal();
    addin->QuickShow();
    EXPECT_EQ(world.messages.shown,
              (std::vector<std::string>{std::string("warning|Zelvant|") + kNoTasksText}));
    EXPECT_EQ(world.host.saves, 0);
    EXPECT_EQ(world.host.inner.hostSwitchCalls(), 0);
}

TEST_F(EntryCommandsTest, ShowDoesNotNeedTasks)
{
    world.openPlan(0);
    addin->Show();
    EXPECT_EQ(std::count(world.journal.begin(), world.journal.end(), "wizard1 show"), 1);
}

TEST_F(EntryCommandsTest, AnsweringNoLeavesThePlanAndTheSwitchAlone)
{
    MemoryProject& plan = world.openPlan(2);
    plan.setText("ge\u00E4ndert");
    world.messages.answer = false;
    clearJournal();
    addin->Show();
    addin->QuickShow();
    EXPECT_EQ(world.journal,
              (Journal{"create wizard1", "question", "create quick1", "taskCount", "question"}));
    EXPECT_FALSE(plan.saved());
    EXPECT_EQ(world.host.inner.hostSwitchCalls(), 0);
}

TEST_F(EntryCommandsTest, SaveThatLeavesThePlanUnsavedEndsWithoutAWindowAndTheSwitchOn)
{
    world.openPlan(2);
    ProjectFile::refuseSavingWithoutFile(world.host.inner);
    clearJournal();
    addin->Show();
    addin->QuickShow();
    EXPECT_EQ(std::count(world.journal.begin(), world.journal.end(), "wizard1 show"), 0);
    EXPECT_EQ(std::count(world.journal.begin(), world.journal.end(), "quick1 show"), 0);
    EXPECT_EQ(std::count(world.journal.begin(), world.journal.end(), "wizard1 options"), 0)
        << "no settings loaded";
    EXPECT_EQ(world.journal.back(), "switch on");
    EXPECT_TRUE(world.host.inner.hostSwitch());
    EXPECT_EQ(world.messages.shown, (std::vector<std::string>{kPrompt, kPrompt}))
        << "the failed save says nothing";
}

TEST_F(EntryCommandsTest, UnchangedSavedPlanIsStillRewrittenAndSavedTwice)
{
    MemoryProject& plan = world.openPlan(1);
    ASSERT_TRUE(plan.saved());
    // Saving notes whether the plan had changes: only then is anything written.
    std::vector<bool> changedWhenSaved;
    world.host.inner.setSaveFunction([&](MemoryProject& project) {
        changedWhenSaved.push_back(!project.saved());
        project.markSaved();
    });
    addin->Show();
    EXPECT_EQ(changedWhenSaved, (std::vector<bool>{true, false}));
    EXPECT_EQ(plan.text(), "Notiz");
}

TEST_F(EntryCommandsTest, SecondShowReusesTheWizardAndLoadsTheSettingsAgain)
{
    world.openPlan(1);
    addin->Show();
    world.registry.setText("[HKEY_CURRENT_USER\\Software\\Brimek\\Zelvant\\Settings]\n\"SyncType\"=\"2\"\n");
    clearJournal();
    addin->Show();
    EXPECT_EQ(world.windows.wizards, 1);
    EXPECT_NE(std::find(world.journal.begin(), world.journal.end(), "wizard1 apply syncType=2"),
              world.journal.end());
    EXPECT_NE(std::find(world.journal.begin(), world.journal.end(), "wizard1 show"), world.journal.end());
}

TEST_F(EntryCommandsTest, SettingsAreLoadedOverWhatTheWizardHolds)
{
    world.openPlan(1);
    addin->Show();
    auto& wizard = static_cast<FakeWizard&>(*addin->wizardForm());
    wizard.options_.resourceName = "M\u00FCller";
    wizard.options_.syncType = 1;
    addin->Show();
    EXPECT_EQ(wizard.options_.resourceName, "M\u00FCller") << "a text not stored stays as it is";
    EXPECT_EQ(wizard.options_.syncType, 0) << "a missing value gives its default";
    EXPECT_EQ(wizard.options_.dateFrom, makeDateTime(2024, 3, 11)) << "dates default to today";
}

TEST_F(EntryCommandsTest, FailingStepsArePassedOverSilently)
{
    MemoryProject& plan = world.openPlan(2);
    plan.faults().failOn("Text");
    world.host.inner.faults().failOn("HostSwitch");
    clearJournal();
    addin->QuickShow();
    EXPECT_NE(std::find(world.journal.begin(), world.journal.end(), "quick1 show"), world.journal.end());
    EXPECT_EQ(std::count(world.journal.begin(), world.journal.end(), "save"), 2);
    EXPECT_EQ(std::count_if(world.journal.begin(), world.journal.end(),
                            [](const std::string& entry) { return entry.rfind("setText", 0) == 0; }),
              0)
        << "a text that could not be read is not written";
    EXPECT_EQ(world.messages.shown, std::vector<std::string>{kPrompt});
}

TEST_F(EntryCommandsTest, UnreadableSavedFlagCountsAsUnsaved)
{
    MemoryProject& plan = world.openPlan(2);
    plan.faults().failOn("Saved");
    clearJournal();
    addin->QuickShow();
    EXPECT_EQ(std::count(world.journal.begin(), world.journal.end(), "quick1 show"), 0);
    EXPECT_EQ(world.journal.back(), "switch on");
}

TEST_F(EntryCommandsTest, WindowThatCannotBeMadeStillEndsWithSaveAndSwitchOn)
{
    class NoWindows : public AddinWindows {
    public:
        std::unique_ptr<WizardFormHandle> createWizard() override { throw HostError("kein Fenster"); }
        std::unique_ptr<QuickSyncFormHandle> createQuickSync() override { return nullptr; }
    } none;
    Connect broken(ConnectServices{world.registry, world.messages, none, world.clock});
    broken.OnConnection(world.application, ConnectMode::Startup, world.addInInst, world.custom);
    world.openPlan(2);
    clearJournal();
    broken.Show();
    broken.QuickShow();
    EXPECT_EQ(std::count(world.journal.begin(), world.journal.end(), "save"), 4);
    EXPECT_EQ(world.journal.back(), "switch on");
    EXPECT_EQ(world.messages.shown, (std::vector<std::string>{kPrompt, kPrompt}));
}

} // namespace
} // namespace zelvant
