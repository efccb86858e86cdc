#include "forms/WizardLogic.h"

#include "forms/WizardTexts.h"
#include "tests/forms/FormsWorld.h"

#include <gtest/gtest.h>

#include <functional>

namespace zelvant {
namespace {

using namespace zelvant::testing;
using Strings = std::vector<std::string>;

const std::string kTitle = "Zelvant Assistent: ";

class WizardLogicTest : public ::testing::Test {
protected:
    WizardLogic& open()
    {
        wizard = std::make_unique<WizardLogic>(w.environment(), progress, [this] {
            repaints.push_back(wizard->page() + " " + wizard->form().progress.text);
        });
        return *wizard;
    }

    const wizard::WizardForm& form() const { return wizard->form(); }

    // Walks from the first page along the given option choices, each followed by "Weiter >".
    void walk(const std::vector<std::pair<OptionArray, int>>& choices)
    {
        for (auto [array, index] : choices) {
            wizard->clickOption(array, index);
            wizard->cmdNext();
        }
    }

    static Strings texts(const wizard::ListView& list, std::size_t column)
    {
        Strings result;
        for (const auto& item : list.items)
            result.push_back(item.texts.at(column));
        return result;
    }

    static Strings keys(const wizard::ListView& list)
    {
        Strings result;
        for (const auto& item : list.items)
            result.push_back(item.key);
        return result;
    }

    FormsWorld w;
    RecordingProgress progress;
    Strings repaints;
    std::unique_ptr<WizardLogic> wizard;
};

// Opening ------------------------------------------------------------------------------------------

TEST_F(WizardLogicTest, OpensOnTheFirstPageWithLinkingChosenWhenNothingIsStored)
{
    open();
    EXPECT_EQ(wizard->page(), "Step1");
    EXPECT_EQ(form().shownFrame, "fraStep1");
    EXPECT_TRUE(form().optSync[0].value);
    EXPECT_EQ((Strings{form().optSync[0].tag, form().optSync[1].tag, form().optSync[2].tag}),
              (Strings{"1", "0", "0"}));
    EXPECT_FALSE(form().cmdFinish.enabled);
    EXPECT_EQ(form().cboBusyStatus.listIndex, 2);
    EXPECT_EQ(form().cboBusyStatus.text, "Gebucht");
    EXPECT_EQ(form().dtpFrom.value, makeDateTime(2024, 3, 1));
    EXPECT_EQ(form().dtpTo.value, makeDateTime(2024, 3, 1));
    EXPECT_FALSE(form().chkDetailed.enabled);
    EXPECT_FALSE(form().chkAllDayEvent.enabled);
    EXPECT_FALSE(form().progress.shown);
}

TEST_F(WizardLogicTest, AStoredOperationOutsideTheArrayChoosesNothingAndNextStays)
{
    w.store("SyncType", "5");
    open();
    EXPECT_FALSE(form().optSync[0].value || form().optSync[1].value || form().optSync[2].value);
    EXPECT_EQ(form().optSync[0].tag, "");
    EXPECT_EQ(form().cmdFinish.caption, "Ende");
    wizard->cmdNext();
    EXPECT_EQ(wizard->page(), "Step1");
    EXPECT_EQ(form().shownFrame, "fraStep1");
}

TEST_F(WizardLogicTest, ResourceBoxOffersThePlansResourceNamesOnce)
{
    w.addTask("A", "Schmidt;Müller");
    w.addTask("B", "Müller");
    w.addTask("C", "");
    open();
    EXPECT_EQ(form().cboResource.items, (Strings{"Müller", "Schmidt"}));
    EXPECT_TRUE(form().cboResource.editable);
}

// Page flow ----------------------------------------------------------------------------------------

struct PageState {
    std::string page;
    bool back, next, finish;
    std::string focus;
};

void expectPage(const WizardLogic& logic, const PageState& expected)
{
    const auto& f = logic.form();
    SCOPED_TRACE(expected.page);
    EXPECT_EQ(logic.page(), expected.page);
    EXPECT_EQ(f.shownFrame, "fra" + expected.page);
    EXPECT_EQ(f.cmdBack.enabled, expected.back);
    EXPECT_EQ(f.cmdNext.enabled, expected.next);
    EXPECT_EQ(f.cmdFinish.enabled, expected.finish);
    EXPECT_EQ(f.focus, expected.focus);
    EXPECT_FALSE(f.busy);
}

TEST_F(WizardLogicTest, ButtonStatesAndFocusFollowEveryPageBothWays)
{
    using Choices = std::vector<std::pair<OptionArray, int>>;
    const std::function<void()> next = [this] { wizard->cmdNext(); };
    const std::function<void()> back = [this] { wizard->cmdBack(); };
    // Opens the wizard anew and walks along `choices`; or walks on from where it is.
    const auto fresh = [this](Choices choices) -> std::function<void()> {
        return [this, choices] {
            open();
            walk(choices);
        };
    };
    const auto then = [this](Choices choices) -> std::function<void()> {
        return [this, choices] { walk(choices); };
    };
    const std::vector<std::pair<std::function<void()>, PageState>> steps{
        {fresh({}), {"Step1", false, true, false, "cmdNext"}},
        {next, {"Step2", true, true, false, "cmdNext"}},
        {next, {"Step3", true, true, false, "cmdNext"}},
        {next, {"Step4", true, false, true, "lvwTasks"}},
        {next, {"Step4", true, false, true, "lvwTasks"}}, // disabled here: nothing happens
        {back, {"Step3", true, true, false, "cmdNext"}},
        {back, {"Step2", true, true, false, "cmdNext"}},
        {back, {"Step1", false, true, false, "cmdNext"}},
        {back, {"Step1", false, true, false, "cmdNext"}}, // disabled on the first page
        {fresh({{OptionArray::Sync, 0}, {OptionArray::LinkType, 1}}),
         {"Step5", true, true, false, "cmdNext"}},
        {next, {"Step6", true, false, true, "lvwAppointments"}},
        {back, {"Step5", true, true, false, "cmdBack"}},
        {back, {"Step2", true, true, false, "cmdBack"}},
        {fresh({{OptionArray::Sync, 2}}), {"Step7", true, false, true, "lvwDeleteLinks"}},
        {back, {"Step1", false, true, false, "cmdNext"}},
        {then({{OptionArray::Sync, 1}}), {"Step8", true, false, true, "cmdFinish"}},
    };
    for (const auto& [act, expected] : steps) {
        act();
        expectPage(*wizard, expected);
    }
}

// Where a page's order is not simply its controls from top to bottom: each box follows its option.
TEST_F(WizardLogicTest, TabOrderPutsEachBoxRightAfterItsOption)
{
    open();
    const auto order = [](Strings own) {
        Strings all{"cmdNext", "cmdFinish"};
        all.insert(all.end(), own.begin(), own.end());
        all.insert(all.end(), {"cmdInfo", "cmdCancel", "cmdBack"});
        return all;
    };
    EXPECT_EQ(form().tabOrder, order({"optSync(0)", "optSync(1)", "optSync(2)"}));
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 0}});
    EXPECT_EQ(form().tabOrder,
              order({"optTask(0)", "optTask(1)", "cboResource", "optTask(2)", "chkSummary"}));
    wizard->cmdBack();
    walk({{OptionArray::LinkType, 1}});
    EXPECT_EQ(form().tabOrder, order({"optAppointmentType(0)", "optAppointmentType(1)", "cboKategorie",
                                      "optAppointmentType(2)", "dtpFrom", "dtpTo"}));
    wizard->cmdNext();
    EXPECT_EQ(form().tabOrder, order({"lvwAppointments"}));
}

TEST_F(WizardLogicTest, BackFromAListPageChoosesItsOperationAgain)
{
    // Even a stray choice made meanwhile is undone by going back.
    for (auto [operation, stray, caption] : {std::tuple{1, 0, "Synchronisieren"}, {2, 1, "Entfernen"}}) {
        open();
        walk({{OptionArray::Sync, operation}});
        wizard->clickOption(OptionArray::Sync, stray);
        wizard->cmdBack();
        EXPECT_TRUE(form().optSync[std::size_t(operation)].value) << caption;
        EXPECT_EQ(form().cmdFinish.caption, caption);
    }
}

TEST_F(WizardLogicTest, OptionClicksSetSelectionTagsAndMembersThatDoNotExistAreIgnored)
{
    open();
    for (int i = 0; i < 3; ++i) {
        wizard->clickOption(OptionArray::Sync, i);
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(form().optSync[std::size_t(j)].tag, i == j ? "1" : "0");
    }
    wizard->clickOption(OptionArray::Sync, 3);
    wizard->clickOption(OptionArray::LinkType, 2);
    EXPECT_EQ(form().cmdFinish.caption, "Entfernen");
    EXPECT_EQ(form().optLinkType[1].tag, "0");
    EXPECT_TRUE(form().optLinkType[0].value);
}

// Category box and dates ----------------------------------------------------------------------------

TEST_F(WizardLogicTest, CategoriesReplaceTheStoredOneAndAreListedOnce)
{
    w.store("Category", "Blau");
    w.addAppointment("A", makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 9), {"Rot", "Grün"});
    w.addAppointment("B", makeDateTime(2024, 3, 5, 8), makeDateTime(2024, 3, 5, 9), {"Blau"});
    open();
    EXPECT_EQ(form().cboKategorie.text, "Blau");
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 1}});
    EXPECT_EQ(form().cboKategorie.items, (Strings{"Rot", "Grün", "Blau"}));
    EXPECT_EQ(form().cboKategorie.text, "Rot");
    EXPECT_EQ(form().cboKategorie.listIndex, 0);
    EXPECT_TRUE(form().cboKategorie.enabled);
    EXPECT_TRUE(form().optAppointmentType[1].enabled);

    wizard->cmdBack();
    wizard->cmdNext();
    EXPECT_EQ(form().cboKategorie.items.size(), 3u);

    wizard->cmdNext();
    const int starts = w.launcher.startCount();
    wizard->setCategoryIndex(2);
    wizard->cmdBack();
    EXPECT_EQ(w.launcher.startCount(), starts);
    EXPECT_EQ(form().cboKategorie.text, "Blau");
}

TEST_F(WizardLogicTest, CalendarWithoutCategoriesDisablesTheCategoryChoice)
{
    w.addAppointment("A", makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 9));
    open();
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 1}});
    EXPECT_FALSE(form().cboKategorie.enabled);
    EXPECT_FALSE(form().optAppointmentType[1].enabled);
    EXPECT_TRUE(form().optAppointmentType[0].enabled);
}

TEST_F(WizardLogicTest, CalendarThatCannotBeOpenedEmptiesTheCategoriesAndSaysSo)
{
    w.addAppointment("A", makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 9), {"Rot", "Grün"});
    open();
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 1}});
    EXPECT_EQ(form().cboKategorie.items, (Strings{"Rot", "Grün"}));
    EXPECT_EQ(form().status, "");

    wizard->cmdBack();
    w.launcher.setStartFails(true);
    wizard->cmdNext();
    EXPECT_EQ(wizard->page(), "Step5");
    EXPECT_TRUE(form().cboKategorie.items.empty());
    EXPECT_EQ(form().cboKategorie.text, "");
    EXPECT_FALSE(form().cboKategorie.enabled);
    EXPECT_FALSE(form().optAppointmentType[1].enabled);
    EXPECT_EQ(form().status, "Der Kalender konnte nicht geöffnet werden; es werden keine Kategorien angeboten.");
    EXPECT_TRUE(w.messages.shown().empty()); // said on the page, not in a box

    wizard->cmdNext();
    EXPECT_EQ(wizard->page(), "Step6");
    EXPECT_TRUE(form().lvwAppointments.items.empty());
    EXPECT_EQ(form().status, "Der Kalender konnte nicht geöffnet werden; es werden keine Termine angeboten.");

    w.launcher.setStartFails(false);
    wizard->cmdBack();
    EXPECT_EQ(form().status, "");
    wizard->cmdNext();
    EXPECT_EQ(form().lvwAppointments.items.size(), 1u);
    EXPECT_EQ(form().status, "");
}

// The rules themselves are the period check's; here: a missing date, which no picker can give,
// and that the period is checked whichever choice is made.
TEST_F(WizardLogicTest, PeriodIsCheckedWhicheverChoiceIsMade)
{
    struct Case {
        std::optional<DateTime> from, to;
        const char* message; // nullptr: passes
    };
    const DateTime day = makeDateTime(2024, 3, 5);
    const std::vector<Case> cases{
        {day, day + std::chrono::hours(23), nullptr},
        {makeDateTime(1983, 12, 31), day, wizard::kDateRange},
        {std::nullopt, day, wizard::kDateInvalid},
        {makeDateTime(2050, 1, 2), std::nullopt, wizard::kDateInvalid},
    };
    open();
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 1}});
    wizard->clickOption(OptionArray::AppointmentType, 0); // "Alle Termine verknüpfen"
    for (const Case& c : cases) {
        w.messages.messages.clear();
        wizard->setDateFrom(c.from);
        wizard->setDateTo(c.to);
        wizard->cmdNext();
        if (c.message) {
            EXPECT_EQ(w.messages.shown(), Strings{kTitle + c.message});
            EXPECT_EQ(wizard->page(), "Step5");
            EXPECT_EQ(form().dtpFrom.value, c.from);
            EXPECT_FALSE(form().busy);
        } else {
            EXPECT_TRUE(w.messages.messages.empty());
            EXPECT_EQ(wizard->page(), "Step6");
            wizard->cmdBack();
        }
    }
}

// Lists ----------------------------------------------------------------------------------------------

TEST_F(WizardLogicTest, TaskListShowsTheTasksOwnNumberAndHidesItsUniqueId)
{
    for (int row = 1; row < 12; ++row)
        w.project.addBlankRow();
    MemoryTask& task = w.project.addTask(4711);
    task.setName("Entwurf");
    w.addTask("Bau");
    open();
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 0}, {OptionArray::Task, 0}});

    const auto& list = form().lvwTasks;
    EXPECT_EQ(list.columns, (std::vector<wizard::ListColumn>{
                                {"Nr", "Nr.", 1000}, {"Name", "Name", 4000}, {"ID", "ID", 0}}));
    ASSERT_EQ(list.items.size(), 2u);
    EXPECT_EQ(list.items[0].texts, (Strings{"12", "Entwurf", "4711"}));
    EXPECT_EQ(keys(list), (Strings{"x0000000001", "x0000000002"}));
    EXPECT_TRUE(list.items[0].checked && list.items[1].checked);
    EXPECT_TRUE(list.fullRowSelect);
}

TEST_F(WizardLogicTest, TaskListOffersTheTasksOfTheNamedResource)
{
    w.addTask("Entwurf", "Müller");
    w.addTask("Bau", "Schmidt");
    open();
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 0}});
    wizard->clickOption(OptionArray::Task, 1);
    wizard->setResourceText("Schmidt");
    wizard->cmdNext();
    EXPECT_EQ(texts(form().lvwTasks, 1), Strings{"Bau"});
}

TEST_F(WizardLogicTest, ResourceMatchesWholeNamesOnly)
{
    const struct {
        const char* resources; // as the plan joins them
        const char* wanted;
        bool offered;
    } rows[] = {
        {"Anna", "Ann", false},         {"Ann", "Ann", true},          {"Anna;Ann", "Ann", true},
        {"Bob; Ann", "Ann", true},      {"Marianne", "Ann", false},    {"Ann-Kathrin", "Ann", false},
        {"Ann", "Anna", false},         {"Müller;Schmidt", "Schmidt", true}, {"", "Ann", false},
    };
    for (const auto& row : rows) {
        FormsWorld world;
        world.addTask("Vorgang", row.resources);
        WizardLogic logic(world.environment(), progress, {});
        logic.clickOption(OptionArray::Sync, 0);
        logic.cmdNext();
        logic.clickOption(OptionArray::LinkType, 0);
        logic.cmdNext();
        logic.clickOption(OptionArray::Task, 1);
        logic.setResourceText(row.wanted);
        logic.cmdNext();
        EXPECT_EQ(logic.form().lvwTasks.items.size(), row.offered ? 1u : 0u) << row.resources << " / " << row.wanted;
    }
}

TEST_F(WizardLogicTest, AllAndNoneTickAndClearEveryItem)
{
    w.addTask("A");
    w.addTask("B");
    open();
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 0}, {OptionArray::Task, 0}});
    wizard->setAllItems(WizardList::Tasks, false);
    EXPECT_FALSE(form().lvwTasks.items[0].checked || form().lvwTasks.items[1].checked);
    wizard->setAllItems(WizardList::Tasks, true);
    EXPECT_TRUE(form().lvwTasks.items[0].checked && form().lvwTasks.items[1].checked);
}

// Runs --------------------------------------------------------------------------------------------------

TEST_F(WizardLogicTest, SynchronisationLeavesOutClearedTasksByTheirLinkValue)
{
    MemoryTask& a = w.addLinkedTask("Entwurf", keyNo(1));
    w.addLinkedTask("Bau", keyNo(2));
    open();
    walk({{OptionArray::Sync, 1}});
    wizard->setItemChecked(WizardList::Sync, 1, false);
    wizard->cmdFinish();
    EXPECT_EQ(wizard->collections().tasksToSync, std::vector<Task*>{&a});
}

TEST_F(WizardLogicTest, ProgressPageIsDrawnBeforeTheRunAndTheHostWaitsForFertig)
{
    w.addLinkedTask("Entwurf", keyNo(1));
    open();
    walk({{OptionArray::Sync, 1}});
    EXPECT_EQ(wizard->cmdFinish(), FinishResult::Finished);

    // Drawn once, before the calendar was asked for anything.
    EXPECT_EQ(repaints, Strings{"Step9 Synchronisieren wird vorbereitet..."});
    EXPECT_EQ(wizard->page(), "StepX");
    EXPECT_EQ(form().cmdFinish.tag, "Exit");
    EXPECT_TRUE(wizard->hostSwitchLeftOff());
    EXPECT_EQ(wizard->cmdFinish(), FinishResult::Close);
}

TEST_F(WizardLogicTest, CalendarTheUserHadOpenStaysOpen)
{
    w.addLinkedTask("Entwurf", keyNo(1));
    MemoryCalendarApplication& users = w.launcher.runApplication();
    open();
    walk({{OptionArray::Sync, 1}});
    wizard->cmdFinish();
    EXPECT_EQ(w.launcher.startCount(), 0);
    EXPECT_FALSE(users.isQuit());
}

TEST_F(WizardLogicTest, UnreachableCalendarIsReportedWithoutClaimingSuccess)
{
    w.addLinkedTask("Entwurf", keyNo(1));
    w.launcher.setStartFails(true);
    open();
    walk({{OptionArray::Sync, 1}});
    EXPECT_EQ(wizard->cmdFinish(), FinishResult::Finished);

    EXPECT_EQ(w.messages.shown(), Strings{kTitle + "Outlook konnte nicht gefunden werden!"});
    EXPECT_EQ(form().progress.text, "Outlook konnte nicht gefunden werden!");
    for (const auto& step : progress.steps)
        EXPECT_NE(step.text, "Vorgang beendet.");
    EXPECT_EQ(form().cmdFinish.caption, "Fertig");
    EXPECT_EQ(wizard->cmdFinish(), FinishResult::Close);
    EXPECT_EQ(w.host.hostSwitchCalls(), 0);
}

TEST_F(WizardLogicTest, FailuresOfTheRunStayVisibleAsAList)
{
    MemoryTask& task = w.addTask("Entwurf");
    task.faults().failOn("SetField");
    open();
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 0}, {OptionArray::Task, 0}});
    wizard->cmdFinish();
    EXPECT_EQ(form().progress.text, "Vorgang beendet.");
    ASSERT_FALSE(form().reportLines.empty());
    EXPECT_NE(form().reportLines[0].find("Entwurf"), std::string::npos);
}

} // namespace
} // namespace zelvant
