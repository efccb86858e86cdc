#include "addin/Connect.h"

#include "services/Registry.h"
#include "services/Settings.h"
#include "tests/addin/AddinWorld.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace zelvant::testing;

ControlState hostEntry(const std::string& caption, int id, bool beginGroup = false)
{
    return ControlState{kControlButton, id, caption, "", "", "", 0, kButtonAutomatic, beginGroup};
}

class ConnectCommandBarsTest : public ::testing::Test {
protected:
    void setTools(std::vector<ControlState> entries)
    {
        world.bars.addBar(
            BarState{"Tools", "Extras", kBarTypePopup, kBarPopup, true, true, std::move(entries)});
    }

    Connect& connect(ConnectMode mode = ConnectMode::Startup)
    {
        addins.push_back(world.makeConnect());
        addins.back()->OnConnection(world.application, mode, world.addInInst, world.custom);
        return *addins.back();
    }

    void disconnect(RemoveMode mode)
    {
        addins.back()->OnDisconnection(mode, world.custom);
        addins.pop_back();
    }

    std::vector<std::string> captions(const std::string& bar)
    {
        std::vector<std::string> result;
        for (const ControlPtr& control : world.bars.item(bar)->controls())
            result.push_back(control->caption());
        return result;
    }

    // Where the add-in's entry ended up (1-based) and whether it begins a group.
    std::pair<int, bool> menuEntry()
    {
        int position = 0;
        for (const ControlPtr& control : world.bars.item("Tools")->controls()) {
            ++position;
            if (control->tag() == kMenuTag)
                return {position, control->beginGroup()};
        }
        return {0, false};
    }

    AddinWorld world;
    std::vector<std::unique_ptr<Connect>> addins;
};

TEST_F(ConnectCommandBarsTest, ConnectionPutsTheMenuEntryAndTheToolbarWithTwoButtons)
{
    setTools({hostEntry("Standardkalender", 30101), hostEntry("COM-Add-Ins", 2131, true)});
    Connect& addin = connect();

    const ControlPtr entry = world.bars.item("Tools")->controls()[1];
    EXPECT_EQ(entry, addin.menuButton());
    EXPECT_EQ(entry->caption(), "&Zelvant Assistent");
    EXPECT_EQ(entry->tag(), "ZelvantWizard");
    EXPECT_EQ(entry->faceId(), 1098);
    EXPECT_EQ(entry->onAction(), "!<Zelvant.Connect>");
    EXPECT_EQ(entry->type(), kControlButton);
    EXPECT_EQ(entry->style(), kButtonAutomatic);
    EXPECT_TRUE(entry->beginGroup());

    const BarPtr toolbar = world.bars.item("Zelvant");
    EXPECT_TRUE(toolbar->visible());
    EXPECT_EQ(toolbar->position(), kBarTop);
    const std::vector<ControlPtr> buttons = toolbar->controls();
    ASSERT_EQ(buttons.size(), 2u);
    EXPECT_EQ(buttons[0], addin.toolbarButton());
    EXPECT_EQ(buttons[1], addin.toolbarButton2());
    EXPECT_EQ(
        ControlState({buttons[0]->type(), buttons[0]->id(), buttons[0]->caption(), buttons[0]->tag(),
                      buttons[0]->parameter(), buttons[0]->onAction(), buttons[0]->faceId(),
                      buttons[0]->style(), buttons[0]->beginGroup()}),
        (ControlState{kControlButton, kCustomControlId, "&Zelvant Assistent", "ZelvantWizardToolbar",
                      "ZelvantWizardToolbar", "!<Zelvant.Connect>", 1098, kButtonIconAndCaption, false}));
    EXPECT_EQ(ControlState({buttons[1]->type(), buttons[1]->id(), buttons[1]->caption(), buttons[1]->tag(),
                            buttons[1]->parameter(), buttons[1]->onAction(), buttons[1]->faceId(),
                            buttons[1]->style(), buttons[1]->beginGroup()}),
              (ControlState{kControlButton, kCustomControlId, "&Synchronisieren", "ZelvantSync",
                            "ZelvantSync", "!<Zelvant.Connect>", 2010, kButtonIconAndCaption, true}));
    EXPECT_TRUE(world.messages.shown.empty());
}

TEST_F(ConnectCommandBarsTest, ActionTextNamesTheIdentifierTheHostReports)
{
    setTools({hostEntry("Optionen", 40092)});
    world.addInInst.progId = "Zelvant.Connect.2";
    connect();
    EXPECT_EQ(world.bars.findControl(kMenuTag)->onAction(), "!<Zelvant.Connect.2>");
    EXPECT_EQ(world.bars.findControl(kSyncButtonTag)->onAction(), "!<Zelvant.Connect.2>");
}

class InsertBeforeIdTest : public ConnectCommandBarsTest, public ::testing::WithParamInterface<int> {};

TEST_P(InsertBeforeIdTest, EntryGoesRightBeforeTheFirstMarkedHostEntry)
{
    setTools({hostEntry("Eins", 500), hostEntry("Zwei", 501), hostEntry("Marke", GetParam()),
              hostEntry("Vier", 40085 + 1), hostEntry("F\u00FCnf", 2131 + 1)});
    connect();
    EXPECT_EQ(captions("Tools"),
              (std::vector<std::string>{"Eins", "Zwei", "&Zelvant Assistent", "Marke", "Vier", "F\u00FCnf"}));
    EXPECT_TRUE(menuEntry().second);
}

INSTANTIATE_TEST_SUITE_P(HostIds, InsertBeforeIdTest, ::testing::Values(2131, 40085, 40196, 40092));

TEST_F(ConnectCommandBarsTest, FirstMarkedEntryWinsOverLaterOnes)
{
    setTools({hostEntry("A", 40092), hostEntry("B", 2131)});
    connect();
    EXPECT_EQ(captions("Tools"), (std::vector<std::string>{"&Zelvant Assistent", "A", "B"}));
}

TEST_F(ConnectCommandBarsTest, WithoutAMarkedEntryTheEntryGoesBeforeTheLastOne)
{
    setTools({hostEntry("A", 1), hostEntry("B", 2), hostEntry("C", 3)});
    connect();
    EXPECT_EQ(captions("Tools"), (std::vector<std::string>{"A", "B", "&Zelvant Assistent", "C"}));
    EXPECT_TRUE(menuEntry().second);
}

TEST_F(ConnectCommandBarsTest, EmptyToolsMenuGetsTheEntryAsItsOnlyOne)
{
    setTools({});
    connect();
    EXPECT_EQ(captions("Tools"), (std::vector<std::string>{"&Zelvant Assistent"}));
    EXPECT_TRUE(menuEntry().second);
}

TEST_F(ConnectCommandBarsTest, RelatedEntryBeforeTheInsertionPointJoinsTheGroup)
{
    setTools({hostEntry("Sync mit RemBaPLOT", 600), hostEntry("B", 601), hostEntry("Optionen", 40196)});
    connect();
    EXPECT_EQ(menuEntry(), std::make_pair(3, false));
}

TEST_F(ConnectCommandBarsTest, RelatedEntryAtTheInsertionPointJoinsTheGroup)
{
    setTools({hostEntry("A", 600), hostEntry("KOVIXplan-Export", 40085)});
    connect();
    EXPECT_EQ(menuEntry(), std::make_pair(2, false));
}

TEST_F(ConnectCommandBarsTest, RelatedEntryAfterTheInsertionPointChangesNothing)
{
    setTools({hostEntry("A", 600), hostEntry("Optionen", 40085), hostEntry("Rembaplot", 601)});
    connect();
    EXPECT_EQ(menuEntry(), std::make_pair(2, true));
}

TEST_F(ConnectCommandBarsTest, SecondConnectionReusesEveryControlWithoutDuplicates)
{
    setTools({hostEntry("A", 600), hostEntry("Optionen", 40085)});
    connect();
    disconnect(RemoveMode::HostShutdown);
    // Between the two runs the user renamed both kinds of control and moved the entry to the end.
    const ControlPtr entry = world.bars.findControl(kMenuTag);
    entry->setCaption("Umbenannt");
    entry->setBeginGroup(false);
    world.bars.findControl(kSyncButtonTag)->setCaption("Sync!");

    Connect& again = connect();
    EXPECT_EQ(again.menuButton(), entry);
    EXPECT_EQ(captions("Tools"), (std::vector<std::string>{"A", "&Zelvant Assistent", "Optionen"}));
    EXPECT_FALSE(entry->beginGroup()) << "an existing entry keeps its group state";
    EXPECT_EQ(captions("Zelvant"), (std::vector<std::string>{"&Zelvant Assistent", "Sync!"}))
        << "toolbar buttons are taken as they are";
    EXPECT_EQ(world.bars.bars().size(), 2u);
}

TEST_F(ConnectCommandBarsTest, ExistingToolbarKeepsItsVisibilityAndPlace)
{
    setTools({hostEntry("Optionen", 40085)});
    world.bars.addBar(BarState{"Zelvant", "Zelvant", kBarTypeNormal, kBarBottom, false, false, {}});
    world.bars.addBar(BarState{"zelvant", "zelvant", kBarTypeNormal, kBarTop, true, false, {}});
    connect();
    const BarPtr toolbar = world.bars.item("Zelvant");
    EXPECT_FALSE(toolbar->visible());
    EXPECT_EQ(toolbar->position(), kBarBottom);
    EXPECT_EQ(toolbar->controls().size(), 2u);
    EXPECT_TRUE(world.bars.item("zelvant")->controls().empty()) << "names match exactly";
}

TEST_F(ConnectCommandBarsTest, UserUnloadRemovesTheControlsAndTheEmptiedToolbar)
{
    setTools({hostEntry("A", 600), hostEntry("Optionen", 40085)});
    connect();
    disconnect(RemoveMode::UserClosed);
    EXPECT_EQ(captions("Tools"), (std::vector<std::string>{"A", "Optionen"}));
    EXPECT_EQ(world.bars.find("Zelvant"), nullptr);
    EXPECT_TRUE(world.messages.shown.empty());
}

TEST_F(ConnectCommandBarsTest, ForeignControlKeepsTheToolbarAfterUnload)
{
    setTools({hostEntry("Optionen", 40085)});
    connect();
    world.bars.item("Zelvant")->addControl(kControlButton)->setCaption("Fremd");
    disconnect(RemoveMode::UserClosed);
    EXPECT_EQ(captions("Zelvant"), (std::vector<std::string>{"Fremd"}));
    EXPECT_EQ(world.bars.findControl(kMenuTag), nullptr);
}

TEST_F(ConnectCommandBarsTest, UnloadGoesOnWhenAControlIsAlreadyGone)
{
    setTools({hostEntry("Optionen", 40085)});
    connect();
    world.bars.findControl(kWizardButtonTag)->remove();
    disconnect(RemoveMode::UserClosed);
    EXPECT_EQ(world.bars.find("Zelvant"), nullptr);
    EXPECT_EQ(world.bars.findControl(kMenuTag), nullptr);
    EXPECT_TRUE(world.messages.shown.empty());
}

TEST_F(ConnectCommandBarsTest, HostShutdownLeavesEverythingInPlace)
{
    setTools({hostEntry("Optionen", 40085)});
    connect();
    const std::vector<BarState> before = world.bars.state();
    disconnect(RemoveMode::HostShutdown);
    EXPECT_EQ(world.bars.state(), before);
}

TEST_F(ConnectCommandBarsTest, WithoutToolsMenuTheToolbarIsStillBuilt)
{
    Connect& addin = connect();
    EXPECT_EQ(addin.menuButton(), nullptr);
    EXPECT_EQ(world.bars.findControl(kMenuTag), nullptr);
    EXPECT_EQ(captions("Zelvant"), (std::vector<std::string>{"&Zelvant Assistent", "&Synchronisieren"}));
    EXPECT_TRUE(world.messages.shown.empty());
}

TEST_F(ConnectCommandBarsTest, HostWithoutCommandBarsReportsMissingObject)
{
    world.application.bars = nullptr;
    connect();
    ASSERT_FALSE(world.messages.shown.empty());
    for (const std::string& box : world.messages.shown)
        EXPECT_NE(box.find("Fehlernummer: 91\r\n"), std::string::npos) << box;
}

TEST_F(ConnectCommandBarsTest, FailureWhileBuildingTheToolbarIsReportedOnceAndKeepsEarlierControls)
{
    setTools({hostEntry("Optionen", 40085)});
    // A foreign menu (no button) carries the wizard button's tag on the toolbar.
    BarState toolbar{"Zelvant", "Zelvant", kBarTypeNormal, kBarTop, true, false, {}};
    toolbar.controls.push_back(
        ControlState{kControlPopup, kCustomControlId, "X", kWizardButtonTag, "", "", 0, 0, false});
    world.bars.addBar(toolbar);
    Connect& addin = connect();
    ASSERT_EQ(world.messages.shown.size(), 1u);
    EXPECT_NE(world.messages.shown[0].find("Fehlernummer: 13\r\n"), std::string::npos);
    EXPECT_NE(addin.menuButton(), nullptr);
    EXPECT_EQ(world.bars.findControl(kSyncButtonTag), nullptr) << "the connection ends at the failure";
}

TEST_F(ConnectCommandBarsTest, ExternalStartOpensTheWizardWithoutControls)
{
    setTools({hostEntry("Optionen", 40085)});
    world.openPlan(1);
    connect(ConnectMode::External);
    EXPECT_EQ(world.bars.findControl(kMenuTag), nullptr);
    EXPECT_EQ(world.bars.find("Zelvant"), nullptr);
    EXPECT_EQ(world.windows.wizards, 1);
    EXPECT_NE(std::find(world.journal.begin(), world.journal.end(), "wizard1 show"), world.journal.end());
}

TEST_F(ConnectCommandBarsTest, DisplayOnConnectOpensTheWizardOnlyWhenLoadedIntoARunningHost)
{
    world.openPlan(1);
    std::string value = "1";
    RegSetString(world.registry, kHkeyCurrentUser, kAppSettingsKey, "DisplayOnConnect", value);
    connect(ConnectMode::Startup);
    connect(ConnectMode::CommandLine);
    EXPECT_EQ(world.windows.wizards, 0);
    connect(ConnectMode::AfterStartup);
    EXPECT_EQ(world.windows.wizards, 1);
    EXPECT_EQ(std::count(world.journal.begin(), world.journal.end(), "wizard1 show"), 1);

    value = "0";
    RegSetString(world.registry, kHkeyCurrentUser, kAppSettingsKey, "DisplayOnConnect", value);
    connect(ConnectMode::AfterStartup);
    EXPECT_EQ(world.windows.wizards, 1);
}

TEST_F(ConnectCommandBarsTest, ClicksReachTheCommandsAndLetTheHostsActionRun)
{
    setTools({hostEntry("Optionen", 40085)});
    world.openPlan(2);
    int hostActions = 0;
    world.bars.setDefaultAction([&](CommandBarControl&) { ++hostActions; });
    connect();
    world.bars.findControl(kMenuTag)->execute();
    world.bars.findControl(kWizardButtonTag)->execute();
    world.bars.findControl(kSyncButtonTag)->execute();
    EXPECT_EQ(std::count(world.journal.begin(), world.journal.end(), "wizard1 show"), 2);
    EXPECT_EQ(std::count(world.journal.begin(), world.journal.end(), "quick1 show"), 1);
    EXPECT_EQ(hostActions, 3);
}

TEST_F(ConnectCommandBarsTest, ClicksAfterTheAddinIsGoneReachOnlyTheHost)
{
    setTools({hostEntry("Optionen", 40085)});
    world.openPlan(2);
    int hostActions = 0;
    world.bars.setDefaultAction([&](CommandBarControl&) { ++hostActions; });
    connect();
    disconnect(RemoveMode::HostShutdown);
    world.bars.findControl(kSyncButtonTag)->execute();
    EXPECT_EQ(world.windows.quickForms, 0);
    EXPECT_EQ(hostActions, 1);
}

TEST_F(ConnectCommandBarsTest, DisconnectionUnloadsBothForms)
{
    setTools({hostEntry("Optionen", 40085)});
    world.openPlan(2);
    Connect& addin = connect();
    addin.Show();
    addin.QuickShow();
    EXPECT_NE(addin.wizardForm(), nullptr);
    EXPECT_NE(addin.quickForm(), nullptr);
    addin.OnDisconnection(RemoveMode::HostShutdown, world.custom);
    EXPECT_EQ(addin.wizardForm(), nullptr);
    EXPECT_EQ(addin.quickForm(), nullptr);
    addin.Show();
    EXPECT_EQ(world.windows.wizards, 2) << "a form unloaded is made anew";
}

} // namespace
} // namespace zelvant
