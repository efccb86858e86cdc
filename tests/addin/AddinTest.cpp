// The add-in in a host of fakes: its controls, its two entry commands, its error report, its registration.

#include "addin/Connect.h"

#include "addin/ErrorReport.h"
#include "addin/Registration.h"
#include "hosts/projectfile/ProjectFile.h"
#include "services/ProjectChecks.h"
#include "services/Registry.h"
#include "services/Settings.h"
#include "tests/addin/AddinWorld.h"

#include <gtest/gtest.h>

#include <functional>

namespace zelvant {
namespace {

using namespace zelvant::testing;

ControlState entry(const std::string& caption, int id)
{
    return ControlState{kControlButton, id, caption, "", "", "", 0, kButtonAutomatic, false};
}

BarState toolsMenu(std::vector<ControlState> entries)
{
    return {"Tools", "Extras", kBarTypePopup, kBarPopup, true, true, std::move(entries)};
}

class ConnectCommandBarsTest : public ::testing::Test {
protected:
    // Starts over with the host's bars as `bars` and connects a new add-in.
    Connect& connect(const std::vector<BarState>& bars, ConnectMode mode = ConnectMode::Startup)
    {
        world.bars.restore(bars);
        return *addins.emplace_back(world.connect(mode));
    }

    // The bar as the host would store it; an empty one when it is not there.
    BarState bar(const std::string& name) const
    {
        for (const BarState& state : world.bars.state())
            if (state.name == name)
                return state;
        return {};
    }

    AddinWorld world;
    std::vector<std::unique_ptr<Connect>> addins;
};

TEST_F(ConnectCommandBarsTest, ConnectionPutsTheMenuEntryAndTheToolbarWithTwoButtons)
{
    world.addInInst.progId = "Zelvant.Connect.2"; // the action names what the host reports
    connect({toolsMenu({entry("Standardkalender", 30101), entry("COM-Add-Ins", 2131)})});
    const std::string action = "!<Zelvant.Connect.2>";
    EXPECT_EQ(bar("Tools").controls[1], (ControlState{kControlButton, kCustomControlId, "&Zelvant Assistent",
                                                      kMenuTag, "", action, 1098, kButtonAutomatic, true}));
    EXPECT_EQ(bar("Zelvant"),
              (BarState{"Zelvant",
                        "Zelvant",
                        kBarTypeNormal,
                        kBarTop,
                        true,
                        false,
                        {{kControlButton, kCustomControlId, "&Zelvant Assistent", kWizardButtonTag,
                          kWizardButtonTag, action, 1098, kButtonIconAndCaption, false},
                         {kControlButton, kCustomControlId, "&Synchronisieren", kSyncButtonTag,
                          kSyncButtonTag, action, 2010, kButtonIconAndCaption, true}}}));
    EXPECT_TRUE(world.messages.shown.empty());
}

// The entry goes before the first of the host's marked entries (or before the last entry) and
// begins a group, unless a related product's entry comes first: then it joins theirs.
TEST_F(ConnectCommandBarsTest, MenuEntryFindsItsPlaceAndGroup)
{
    const struct Case {
        std::vector<ControlState> entries;
        std::size_t position; // 0-based
        bool beginGroup;
    } cases[] = {
        {{entry("Eins", 500), entry("Marke", 2131), entry("Vier", 2132)}, 1, true},
        {{entry("Eins", 500), entry("Zwei", 501), entry("Marke", 40196)}, 2, true},
        {{entry("A", 1), entry("B", 2), entry("C", 3)}, 2, true},
        {{}, 0, true},
        {{entry("Sync mit RemBaPLOT", 600), entry("B", 601), entry("Optionen", 40196)}, 2, false},
        {{entry("A", 600), entry("Optionen", 40085), entry("Rembaplot", 601)}, 1, true},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.entries.empty() ? "" : row.entries.back().caption);
        connect({toolsMenu(row.entries)});
        const std::vector<ControlState> tools = bar("Tools").controls;
        ASSERT_EQ(tools.size(), row.entries.size() + 1);
        EXPECT_EQ(tools[row.position].tag, kMenuTag);
        EXPECT_EQ(tools[row.position].beginGroup, row.beginGroup);
    }
}

// What the user changed between two runs stays: the add-in takes its controls as they are and
// makes no second one; bar names match exactly.
TEST_F(ConnectCommandBarsTest, SecondConnectionTakesEveryControlAsItIs)
{
    connect({toolsMenu({entry("A", 600), entry("Optionen", 40085)})});
    BarState toolbar = bar("Zelvant"), tools = bar("Tools");
    toolbar.visible = false;
    toolbar.position = kBarBottom;
    toolbar.controls[1].caption = "Sync!";
    tools.controls[1].beginGroup = false;
    BarState renamed = tools;
    renamed.controls[1].caption = "Umbenannt"; // the menu entry alone gets its caption back
    const BarState other{"zelvant", "zelvant", kBarTypeNormal, kBarTop, true, false, {}};
    connect({renamed, toolbar, other});
    EXPECT_EQ(world.bars.state(), (std::vector<BarState>{tools, toolbar, other}));
}

// Unloaded by the user, the add-in takes away what is its own, whatever is already gone; a
// foreign button keeps the toolbar. A host that merely closes keeps everything.
TEST_F(ConnectCommandBarsTest, UnloadTakesAwayOnlyWhatIsTheAddinsOwn)
{
    const struct Case {
        RemoveMode mode;
        bool foreign, wizardButtonGone;
    } cases[] = {{RemoveMode::UserClosed, false, false},
                 {RemoveMode::UserClosed, true, true},
                 {RemoveMode::HostShutdown, true, false}};
    for (const auto& [mode, foreign, gone] : cases) {
        SCOPED_TRACE(std::to_string(foreign) + std::to_string(gone));
        const BarState tools = toolsMenu({entry("A", 600), entry("Optionen", 40085)});
        connect({tools});
        if (gone)
            world.bars.findControl(kWizardButtonTag)->remove();
        if (foreign)
            world.bars.item("Zelvant")->addControl(kControlButton)->setCaption("Fremd");
        std::vector<BarState> expected = world.bars.state();
        addins.back()->OnDisconnection(mode, world.custom);
        if (mode == RemoveMode::UserClosed) {
            expected = {tools};
            if (foreign)
                expected.push_back({"Zelvant",
                                    "Zelvant",
                                    kBarTypeNormal,
                                    kBarTop,
                                    true,
                                    false,
                                    {entry("Fremd", kCustomControlId)}});
        }
        EXPECT_EQ(world.bars.state(), expected);
        EXPECT_TRUE(world.messages.shown.empty());
    }
}

TEST_F(ConnectCommandBarsTest, MissingOrWrongPartsOfTheHost)
{
    // No Tools menu: the toolbar is built all the same, without a word.
    EXPECT_EQ(connect({}).menuButton(), nullptr);
    EXPECT_EQ(bar("Zelvant").controls.size(), 2u);
    EXPECT_TRUE(world.messages.shown.empty());

    // No command bars at all: the error report names the missing object.
    world.barsGone = true;
    connect({});
    ASSERT_FALSE(world.messages.shown.empty());
    for (const std::string& box : world.messages.shown)
        EXPECT_EQ(box, "warning|Zelvant|Es ist folgender Fehler aufgetreten:      \r\n\r\n"
                       "Fehlernummer: 91\r\n"
                       "Fehlerbeschreibung: Objektvariable oder With-Blockvariable nicht festgelegt\r\n\r\n"
                       "Bitte \u00FCbermitteln Sie diese Informationen an support@zelvant.example      ");

    // A failure not of the add-in's own is reported as the host's automation error.
    AddInErr(world.messages, HostError(""));
    EXPECT_NE(world.journal.back().find("\r\nFehlernummer: -2147467259\r\nFehlerbeschreibung: \r\n\r\n"),
              std::string::npos);
}

TEST_F(ConnectCommandBarsTest, ClicksReachTheCommandsWhileConnectedAndAlwaysTheHostsAction)
{
    world.openPlan(2);
    int hostActions = 0;
    world.bars.setDefaultAction([&](CommandBarControl&) { ++hostActions; });
    connect({toolsMenu({entry("Optionen", 40085)})});
    for (const char* tag : {kMenuTag, kWizardButtonTag, kSyncButtonTag})
        world.bars.findControl(tag)->execute();
    EXPECT_EQ(world.count("wizard1 show"), 2);
    EXPECT_EQ(world.count("quick1 show"), 1);
    EXPECT_EQ(hostActions, 3);
    addins.pop_back(); // a click after the add-in is gone reaches only the host
    world.bars.findControl(kSyncButtonTag)->execute();
    EXPECT_EQ(world.windows.quickForms, 1);
    EXPECT_EQ(hostActions, 4);
}

// Entry commands ---------------------------------------------------------------------------------

const std::string kPrompt =
    "question|Zelvant|Das Projekt muss zun\u00E4chst gespeichert      \r\nwerden. Fortfahren?      ";

Journal join(std::initializer_list<Journal> parts)
{
    Journal all;
    for (const Journal& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Each command over each kind of plan, as the exact sequence of calls: the plan is rewritten so
// that even an unchanged one is saved, no window opens over a plan not saved, a failing step is
// passed over, the plan's text is never lost and the host's screen is switched on again.
TEST(EntryCommands, EachCommandRunsItsStepsInOrder)
{
    const std::string noPlan = std::string("warning|Zelvant|") + kNoProjectOpenText;
    const Journal savePlan{kPrompt, "switch off", "save changes"}, after{"save", "switch on"};
    const Journal wizard =
        join({{"wizard1 options", "wizard1 apply syncType=0",
               "wizard1 tabOrder cmdNext cmdFinish optSync(0) optSync(1) optSync(2) cmdInfo "
               "cmdCancel cmdBack",
               "wizard1 hide lblStep703", "wizard1 show"},
              after});
    using Prepare = std::function<void(AddinWorld&)>;
    const struct Case {
        const char* name;
        int tasks; // -1: no plan open
        Prepare prepare;
        bool quick;
        Journal journal;
    } cases[] = {
        {"wizard", 2, {}, false, join({{"create wizard1"}, savePlan, wizard})},
        {"wizard without tasks", 0, {}, false, join({{"create wizard1"}, savePlan, wizard})},
        {"quick", 2, {}, true, join({{"create quick1"}, savePlan, {"quick1 show"}, after})},
        {"wizard without plan", -1, {}, false, {"create wizard1", noPlan}},
        {"host is no plan application",
         2,
         [](AddinWorld& w) { w.planAppGone = true; },
         true,
         {"create quick1", noPlan}},
        {"quick without tasks",
         0,
         {},
         true,
         {"create quick1", std::string("warning|Zelvant|") + kNoTasksText}},
        {"wizard answered no",
         2,
         [](AddinWorld& w) { w.messages.answer = false; },
         false,
         {"create wizard1", kPrompt}},
        {"plan stays unsaved", 2, [](AddinWorld& w) { ProjectFile::refuseSavingWithoutFile(w.host.inner); },
         false, join({{"create wizard1"}, savePlan, {"switch on"}})},
        {"text and switch failing", 2,
         [](AddinWorld& w) {
             w.host.inner.project()->faults().failOn("Text"), w.host.inner.faults().failOn("HostSwitch");
         },
         true, join({{"create quick1", kPrompt, "switch off", "save", "quick1 show"}, after})},
        {"wizard cannot be made", 2, [](AddinWorld& w) { w.windows.broken = true; }, false,
         join({{"create wizard1"}, savePlan, after})},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        AddinWorld world;
        const auto addin = world.connect();
        if (row.tasks >= 0)
            world.openPlan(row.tasks);
        if (row.prepare)
            row.prepare(world);
        row.quick ? addin->QuickShow() : addin->Show();
        EXPECT_EQ(world.journal, row.journal);
        EXPECT_TRUE(world.host.inner.hostSwitch());
        if (MemoryProject* plan = world.host.inner.project()) {
            plan->faults().clearFailures();
            EXPECT_EQ(plan->text(), "Notiz");
        }
    }
}

TEST(EntryCommands, EveryShowReusesTheWizardAndLoadsTheStoredSettingsOverItsContents)
{
    AddinWorld world;
    const auto addin = world.connect();
    world.openPlan(1);
    addin->Show();
    auto& wizard = dynamic_cast<FakeWindows::Form&>(*addin->wizardForm());
    world.registry.setText("[HKEY_CURRENT_USER\\Software\\Brimek\\Zelvant\\Settings]\n\"SyncType\"=\"2\"\n");
    addin->Show();
    EXPECT_EQ(world.windows.wizards, 1);
    EXPECT_EQ(world.count("wizard1 apply syncType=2"), 1);
    EXPECT_EQ(world.count("wizard1 show"), 2);
    EXPECT_EQ(wizard.options_.dateFrom, makeDateTime(2024, 3, 11)) << "the add-in's clock gives today";
}

// Registration -----------------------------------------------------------------------------------

// Registered, taken out, registered again: each time the host's list and the class agree.
TEST(Registration, RegisteringAndUnregisteringRoundTrip)
{
    AddinWorld world;
    const ConnectServices services{world.registry, world.messages, world.windows, world.clock};
    const auto loadable = [&](const std::string& id) {
        return createAddin(world.registry, id, services) != nullptr;
    };
    const auto entry = [&] { return readAddinRegistration(world.registry, kProgId); };
    DllUnregisterServer(world.registry);
    EXPECT_EQ(world.registry.writeCount(), 0) << "taking out what was never there writes nothing";
    EXPECT_FALSE(loadable(kProgId));
    DllRegisterServer(world.registry);
    EXPECT_EQ(entry(), (AddinRegistration{
                           kProgId, "Zelvant",
                           "COM Addin zur Synchronisierung von Project Tasks und Outlook Terminen.", 3}));
    EXPECT_TRUE(loadable(kProgId) && !loadable("Other.Connect"));
    setAddinLoadBehavior(world.registry, kProgId, kLoadNotLoaded);
    EXPECT_EQ(entry()->loadBehavior, 2u);
    DllUnregisterServer(world.registry);
    EXPECT_FALSE(entry().has_value() || loadable(kProgId));
    DllRegisterServer(world.registry);
    world.registry.setFailing(true);
    EXPECT_FALSE(entry().has_value() || loadable(kProgId))
        << "an unreadable registry counts as not registered";
    EXPECT_THROW(DllRegisterServer(world.registry), HostError);
}

} // namespace
} // namespace zelvant
