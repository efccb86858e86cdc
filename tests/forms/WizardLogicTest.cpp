#include "forms/WizardLogic.h"

#include "forms/WizardTexts.h"
#include "tests/forms/qt/WizardWorld.h"

#include <gtest/gtest.h>

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

    WizardWorld w;
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
    EXPECT_EQ(form().cmdFinish.caption, "Verknüpfen");
    EXPECT_FALSE(form().cmdFinish.enabled);
    EXPECT_FALSE(form().cmdBack.enabled);
    EXPECT_TRUE(form().cmdNext.isDefault);
    EXPECT_TRUE(form().cmdCancel.isCancel);
    EXPECT_EQ(form().focus, "cmdNext");
    EXPECT_EQ(form().cboBusyStatus.listIndex, 2);
    EXPECT_EQ(form().cboBusyStatus.text, "Gebucht");
    EXPECT_EQ(form().dtpFrom.value, makeDateTime(2024, 3, 1));
    EXPECT_EQ(form().dtpTo.value, makeDateTime(2024, 3, 1));
    EXPECT_FALSE(form().chkDetailed.enabled);
    EXPECT_FALSE(form().chkAllDayEvent.enabled);
    EXPECT_FALSE(form().progress.shown);
}

TEST_F(WizardLogicTest, StoredChoicesArePresetAsIfClicked)
{
    for (auto [name, text] : {std::pair{"SyncType", "2"},
                              {"LinkType", "1"},
                              {"TaskType", "1"},
                              {"ResourceName", "Müller"},
                              {"TaskSummary", "1"},
                              {"CreateDeletedApps", "2"},
                              {"AppointmentType", "2"},
                              {"DateFrom", "01.02.2024"},
                              {"DateTo", "15.02.2024"}})
        w.registry.store(name, text);
    open();
    EXPECT_TRUE(form().optSync[2].value);
    EXPECT_EQ(form().cmdFinish.caption, "Entfernen");
    EXPECT_EQ(form().cmdFinish.toolTip, "Hier klicken, um die Verknüpfungen zu entfernen.");
    EXPECT_EQ(form().optLinkType[1].tag, "1");
    EXPECT_EQ(form().optTask[1].tag, "1");
    EXPECT_EQ(form().cboResource.text, "Müller");
    EXPECT_EQ(form().chkSummary.value, CheckState::Checked);
    EXPECT_EQ(form().chkCreateDeletedTasks.value, CheckState::Greyed);
    EXPECT_EQ(form().optAppointmentType[2].tag, "1");
    EXPECT_EQ(form().dtpFrom.value, makeDateTime(2024, 2, 1));
    EXPECT_EQ(form().dtpTo.value, makeDateTime(2024, 2, 15));
}

TEST_F(WizardLogicTest, AStoredOperationOutsideTheArrayChoosesNothingAndNextStays)
{
    w.registry.store("SyncType", "5");
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

TEST_F(WizardLogicTest, TasksToAppointmentsPathForwardAndBack)
{
    open();
    wizard->cmdNext();
    expectPage(*wizard, {"Step2", true, true, false, "cmdNext"});
    wizard->cmdNext();
    expectPage(*wizard, {"Step3", true, true, false, "cmdNext"});
    wizard->cmdNext();
    expectPage(*wizard, {"Step4", true, false, true, "lvwTasks"});
    wizard->cmdNext(); // disabled here: nothing happens
    expectPage(*wizard, {"Step4", true, false, true, "lvwTasks"});
    wizard->cmdBack();
    expectPage(*wizard, {"Step3", true, true, false, "cmdNext"});
    wizard->cmdBack();
    expectPage(*wizard, {"Step2", true, true, false, "cmdNext"});
    wizard->cmdBack();
    expectPage(*wizard, {"Step1", false, true, false, "cmdNext"});
    wizard->cmdBack(); // disabled on the first page
    expectPage(*wizard, {"Step1", false, true, false, "cmdNext"});
}

TEST_F(WizardLogicTest, AppointmentsToTasksPathForwardAndBack)
{
    open();
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 1}});
    expectPage(*wizard, {"Step5", true, true, false, "cmdNext"});
    wizard->cmdNext();
    expectPage(*wizard, {"Step6", true, false, true, "lvwAppointments"});
    wizard->cmdBack();
    expectPage(*wizard, {"Step5", true, true, false, "cmdBack"});
    wizard->cmdBack();
    expectPage(*wizard, {"Step2", true, true, false, "cmdBack"});
}

TEST_F(WizardLogicTest, RemovalAndSynchronisationPagesFollowTheFirstPage)
{
    open();
    walk({{OptionArray::Sync, 2}});
    expectPage(*wizard, {"Step7", true, false, true, "lvwDeleteLinks"});
    wizard->cmdBack();
    expectPage(*wizard, {"Step1", false, true, false, "cmdNext"});
    walk({{OptionArray::Sync, 1}});
    expectPage(*wizard, {"Step8", true, false, true, "cmdFinish"});
}

TEST_F(WizardLogicTest, EachPageHasItsTabOrder)
{
    open();
    const Strings tail{"cmdInfo", "cmdCancel", "cmdBack"};
    const auto order = [&](Strings own) {
        Strings all{"cmdNext", "cmdFinish"};
        all.insert(all.end(), own.begin(), own.end());
        all.insert(all.end(), tail.begin(), tail.end());
        return all;
    };
    EXPECT_EQ(form().tabOrder, order({"optSync(0)", "optSync(1)", "optSync(2)"}));
    walk({{OptionArray::Sync, 0}});
    EXPECT_EQ(form().tabOrder, order({"optLinkType(0)", "optLinkType(1)"}));
    walk({{OptionArray::LinkType, 0}});
    EXPECT_EQ(form().tabOrder,
              order({"optTask(0)", "optTask(1)", "cboResource", "optTask(2)", "chkSummary"}));
    wizard->cmdNext();
    EXPECT_EQ(form().tabOrder, order({"lvwTasks"}));
    wizard->cmdBack();
    wizard->cmdBack();
    walk({{OptionArray::LinkType, 1}});
    EXPECT_EQ(form().tabOrder, order({"optAppointmentType(0)", "optAppointmentType(1)", "cboKategorie",
                                      "optAppointmentType(2)", "dtpFrom", "dtpTo"}));
    wizard->cmdNext();
    EXPECT_EQ(form().tabOrder, order({"lvwAppointments"}));
}

TEST_F(WizardLogicTest, GoingBackShowsTheOptionsChosenOnTheWayForward)
{
    open();
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 1}});
    wizard->clickOption(OptionArray::AppointmentType, 2);
    wizard->cmdBack();
    EXPECT_TRUE(form().optLinkType[1].value);
    EXPECT_FALSE(form().optLinkType[0].value);
    wizard->cmdBack();
    EXPECT_TRUE(form().optSync[0].value);
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 1}});
    EXPECT_TRUE(form().optAppointmentType[2].value);
}

TEST_F(WizardLogicTest, BackFromTheSynchronisationPageChoosesItAgainAndNextRefills)
{
    w.addLinkedTask("Entwurf", keyNo(1));
    w.addLinkedTask("Bau", keyNo(2));
    open();
    walk({{OptionArray::Sync, 1}});
    wizard->setItemChecked(WizardList::Sync, 0, false);
    wizard->clickOption(OptionArray::Sync, 0); // even a stray choice is undone by going back
    wizard->cmdBack();
    EXPECT_TRUE(form().optSync[1].value);
    EXPECT_EQ(form().cmdFinish.caption, "Synchronisieren");
    EXPECT_TRUE(form().lvwSync.items.empty());
    EXPECT_EQ(form().lvwSync.columns.size(), 3u);

    wizard->cmdNext();
    EXPECT_EQ(wizard->page(), "Step8");
    EXPECT_EQ(keys(form().lvwSync), (Strings{"x0000000001", "x0000000002"}));
    EXPECT_TRUE(form().lvwSync.items[0].checked);
}

TEST_F(WizardLogicTest, BackFromTheRemovalPageChoosesRemovalAgain)
{
    open();
    walk({{OptionArray::Sync, 2}});
    wizard->clickOption(OptionArray::Sync, 1);
    wizard->cmdBack();
    EXPECT_TRUE(form().optSync[2].value);
    EXPECT_EQ(form().cmdFinish.caption, "Entfernen");
}

TEST_F(WizardLogicTest, OptionClicksSetSelectionTagsAndTheFinishCaption)
{
    open();
    const Strings captions{"Verknüpfen", "Synchronisieren", "Entfernen"};
    for (int i = 0; i < 3; ++i) {
        wizard->clickOption(OptionArray::Sync, i);
        EXPECT_EQ(form().cmdFinish.caption, captions[std::size_t(i)]);
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
    w.registry.store("Category", "Blau");
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

TEST_F(WizardLogicTest, PeriodIsCheckedInOrderWhicheverChoiceIsMade)
{
    struct Case {
        std::optional<DateTime> from, to;
        const char* message; // nullptr: passes
    };
    const DateTime day = makeDateTime(2024, 3, 5);
    const std::vector<Case> cases{
        {day, day + std::chrono::hours(23), nullptr},
        {makeDateTime(1984, 1, 1), makeDateTime(2049, 12, 31), nullptr},
        {makeDateTime(2049, 12, 1), makeDateTime(2050, 1, 1), wizard::kDateRange},
        {makeDateTime(1983, 12, 31), day, wizard::kDateRange},
        {makeDateTime(2050, 1, 2), makeDateTime(2050, 1, 1), wizard::kDateOrder},
        {std::nullopt, day, wizard::kDateInvalid},
        {makeDateTime(2050, 1, 2), std::nullopt, wizard::kDateInvalid},
    };
    open();
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 1}});
    wizard->clickOption(OptionArray::AppointmentType, 0); // "Alle Termine verknüpfen": checked all the same
    for (const Case& c : cases) {
        w.messages.warnings.clear();
        wizard->setDateFrom(c.from);
        wizard->setDateTo(c.to);
        wizard->cmdNext();
        if (c.message) {
            EXPECT_EQ(w.messages.warnings, Strings{kTitle + c.message});
            EXPECT_EQ(wizard->page(), "Step5");
            EXPECT_EQ(form().dtpFrom.value, c.from);
            EXPECT_FALSE(form().busy);
        } else {
            EXPECT_TRUE(w.messages.warnings.empty());
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

    wizard->cmdBack();
    EXPECT_TRUE(form().lvwTasks.items.empty());
    wizard->cmdNext();
    EXPECT_EQ(keys(form().lvwTasks), (Strings{"x0000000001", "x0000000002"}));
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

TEST_F(WizardLogicTest, AppointmentListShowsGermanDatesAndTheLatestDayFirst)
{
    auto newYear = w.addAppointment("Neujahr", makeDateTime(2007, 1, 1, 10), makeDateTime(2007, 1, 1, 11));
    auto meeting =
        w.addAppointment("Besprechung", makeDateTime(2007, 3, 5, 8), makeDateTime(2007, 3, 5, 9, 30));
    open();
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 1}});
    wizard->cmdNext();

    const auto& list = form().lvwAppointments;
    EXPECT_EQ(list.columns.size(), 5u);
    EXPECT_EQ(list.columns[3], (wizard::ListColumn{"ID", "ID", 0}));
    EXPECT_EQ(list.columns[4], (wizard::ListColumn{"Sort", "Sort", 0}));
    ASSERT_EQ(list.items.size(), 2u);
    EXPECT_EQ(list.items[0].texts, (Strings{"Besprechung", "05.03.2007 08:00", "05.03.2007 09:30",
                                            meeting->entryId(), "0000039146"}));
    EXPECT_EQ(list.items[1].texts[4], "0000039083");
    // Keys follow the calendar's order; the sort only changes where items are shown.
    EXPECT_EQ(keys(list), (Strings{"x0000000002", "x0000000001"}));
    EXPECT_EQ(list.sortColumn, 4u);
    EXPECT_TRUE(list.sortDescending);
}

// Selection checks ------------------------------------------------------------------------------------

TEST_F(WizardLogicTest, EverySelectionCheckSaysWhatIsMissingAndKeepsThePage)
{
    w.addTask("Entwurf");
    w.addLinkedTask("Bau", keyNo(1));
    w.addAppointment("Besprechung", makeDateTime(2024, 3, 5, 8), makeDateTime(2024, 3, 5, 9));
    struct Case {
        std::vector<std::pair<OptionArray, int>> walk;
        WizardList list;
        const char* message;
    };
    const std::vector<Case> cases{
        {{{OptionArray::Sync, 0}, {OptionArray::LinkType, 0}, {OptionArray::Task, 0}},
         WizardList::Tasks,
         wizard::kNothingToLinkTasks},
        {{{OptionArray::Sync, 0}, {OptionArray::LinkType, 1}, {OptionArray::AppointmentType, 0}},
         WizardList::Appointments,
         wizard::kNothingToLinkAppointments},
        {{{OptionArray::Sync, 2}}, WizardList::DeleteLinks, wizard::kNothingToUnlink},
        {{{OptionArray::Sync, 1}}, WizardList::Sync, wizard::kNothingToSync},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        open();
        walk(c.walk);
        const std::string page = wizard->page();
        wizard->setAllItems(c.list, false);
        w.messages.warnings.clear();
        EXPECT_EQ(wizard->cmdFinish(), FinishResult::Stayed);
        EXPECT_EQ(w.messages.warnings, Strings{kTitle + c.message});
        EXPECT_EQ(wizard->page(), page);
        EXPECT_TRUE(form().cmdNext.visible && form().cmdBack.enabled && form().cmdFinish.enabled);
        EXPECT_EQ(form().cmdFinish.tag, "");
        EXPECT_FALSE(form().progress.shown);
    }
    EXPECT_EQ(w.host.hostSwitchCalls(), 0);
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

TEST_F(WizardLogicTest, OnlyTickedTasksGetAppointments)
{
    MemoryTask& a = w.addTask("A");
    MemoryTask& b = w.addTask("B");
    MemoryTask& c = w.addTask("C");
    open();
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 0}, {OptionArray::Task, 0}});
    wizard->setItemChecked(WizardList::Tasks, 1, false);
    EXPECT_EQ(wizard->cmdFinish(), FinishResult::Finished);

    EXPECT_EQ(wizard->collections().tasksToLink, (std::vector<Task*>{&a, &c}));
    EXPECT_NE(WizardWorld::linkOf(a), "");
    EXPECT_EQ(WizardWorld::linkOf(b), "");
    EXPECT_NE(WizardWorld::linkOf(c), "");
    EXPECT_EQ(w.calendar.items().size(), 2u);
    EXPECT_EQ(w.calendar.items()[0]->busyStatus(), BusyStatus::Busy);
}

TEST_F(WizardLogicTest, ChosenAppointmentsBecomeTasks)
{
    w.addAppointment("Besprechung", makeDateTime(2024, 3, 5, 8), makeDateTime(2024, 3, 5, 9));
    w.addAppointment("Messe", makeDateTime(2024, 3, 6, 8), makeDateTime(2024, 3, 6, 12));
    open();
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 1}});
    wizard->cmdNext();
    wizard->setItemChecked(WizardList::Appointments, 0, false); // "Messe", the later day, is shown first
    wizard->cmdFinish();

    ASSERT_EQ(w.project.tasks().size(), 1u);
    EXPECT_EQ(w.project.tasks()[0]->name(), "Besprechung");
    EXPECT_TRUE(wizard->form().reportLines.empty());
}

TEST_F(WizardLogicTest, OneTickedRemovalRowRemovesThatLinkOnly)
{
    MemoryTask& keep = w.addLinkedTask("Entwurf", keyNo(1));
    MemoryTask& unlink = w.addLinkedTask("Bau", keyNo(2));
    const std::string value = WizardWorld::linkOf(unlink);
    open();
    walk({{OptionArray::Sync, 2}});
    wizard->setItemChecked(WizardList::DeleteLinks, 0, false);
    wizard->cmdFinish();

    ASSERT_EQ(wizard->collections().tasksToUnlink.size(), 1u);
    EXPECT_EQ(wizard->collections().tasksToUnlink[0].taskId, unlink.id());
    EXPECT_EQ(wizard->collections().tasksToUnlink[0].linkValue, value);
    EXPECT_EQ(WizardWorld::linkOf(unlink), "");
    EXPECT_NE(WizardWorld::linkOf(keep), "");
}

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

TEST_F(WizardLogicTest, RunShowsItsProgressSavesTheOptionsAndTurnsFinishIntoClose)
{
    w.addLinkedTask("Entwurf", keyNo(1));
    open();
    walk({{OptionArray::Sync, 1}});
    EXPECT_EQ(wizard->cmdFinish(), FinishResult::Finished);

    // The progress page was drawn before the calendar was asked for anything.
    EXPECT_EQ(repaints, Strings{"Step9 Synchronisieren wird vorbereitet..."});
    ASSERT_GE(progress.steps.size(), 3u);
    EXPECT_EQ(progress.steps.front(),
              (std::pair<double, std::string>{5, "Synchronisieren wird vorbereitet..."}));
    EXPECT_EQ(progress.steps[progress.steps.size() - 2],
              (std::pair<double, std::string>{100, "Vorgang wird abgeschlossen..."}));
    EXPECT_EQ(progress.steps.back(), (std::pair<double, std::string>{100, "Vorgang beendet."}));

    EXPECT_EQ(wizard->page(), "StepX");
    EXPECT_EQ(form().shownFrame, "");
    EXPECT_TRUE(form().progress.shown);
    EXPECT_EQ(form().progress.value, 100);
    EXPECT_EQ(form().cmdFinish.caption, "Fertig");
    EXPECT_EQ(form().cmdFinish.toolTip, "Klicken Sie hier, um den Assistenten zu schließen.");
    EXPECT_EQ(form().cmdFinish.tag, "Exit");
    EXPECT_EQ(form().cmdFinish.leftTwips, 9600);
    EXPECT_TRUE(form().cmdFinish.visible);
    EXPECT_FALSE(form().cmdBack.visible || form().cmdNext.visible || form().cmdCancel.visible ||
                 form().cmdInfo.visible);
    EXPECT_EQ(w.registry.setting("SyncType"), "1");

    // The host's screen stays off until "Fertig" is clicked.
    EXPECT_FALSE(w.host.hostSwitch());
    EXPECT_TRUE(wizard->hostSwitchLeftOff());
    EXPECT_EQ(wizard->cmdFinish(), FinishResult::Close);
    EXPECT_TRUE(w.host.hostSwitch());
    EXPECT_EQ(w.host.hostSwitchCalls(), 2);
}

TEST_F(WizardLogicTest, CalendarTheUserHadOpenStaysOpenOneStartedHereIsQuit)
{
    w.addLinkedTask("Entwurf", keyNo(1));
    open();
    walk({{OptionArray::Sync, 1}});
    wizard->cmdFinish();
    EXPECT_EQ(w.launcher.startCount(), 1);
    EXPECT_TRUE(w.launcher.application()->isQuit());

    MemoryCalendarApplication& users = w.launcher.runApplication();
    open();
    walk({{OptionArray::Sync, 1}});
    wizard->cmdFinish();
    EXPECT_EQ(w.launcher.startCount(), 1);
    EXPECT_FALSE(users.isQuit());
}

TEST_F(WizardLogicTest, UnreachableCalendarIsReportedWithoutClaimingSuccess)
{
    w.addLinkedTask("Entwurf", keyNo(1));
    w.launcher.setStartFails(true);
    open();
    walk({{OptionArray::Sync, 1}});
    EXPECT_EQ(wizard->cmdFinish(), FinishResult::Finished);

    EXPECT_EQ(w.messages.warnings, Strings{kTitle + "Outlook konnte nicht gefunden werden!"});
    EXPECT_EQ(form().progress.text, "Outlook konnte nicht gefunden werden!");
    for (const auto& step : progress.steps)
        EXPECT_NE(step.second, "Vorgang beendet.");
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

TEST_F(WizardLogicTest, CancelSavesNothing)
{
    open();
    wizard->clickOption(OptionArray::Sync, 2);
    wizard->cmdCancel();
    EXPECT_TRUE(w.registry.keys.empty());
}

TEST_F(WizardLogicTest, SavedOptionsAreThoseOnTheControls)
{
    w.addAppointment("Besprechung", makeDateTime(2024, 3, 5, 8), makeDateTime(2024, 3, 5, 9));
    open();
    walk({{OptionArray::Sync, 0}, {OptionArray::LinkType, 1}});
    wizard->clickOption(OptionArray::AppointmentType, 2);
    wizard->setDateFrom(makeDateTime(2024, 3, 1));
    wizard->setDateTo(makeDateTime(2024, 3, 31));
    wizard->setCreateDeletedTasks(CheckState::Checked);
    wizard->cmdNext();
    wizard->cmdFinish();
    EXPECT_EQ(w.registry.setting("SyncType"), "0");
    EXPECT_EQ(w.registry.setting("LinkType"), "1");
    EXPECT_EQ(w.registry.setting("AppointmentType"), "2");
    EXPECT_EQ(w.registry.setting("DateFrom"), "01.03.2024");
    EXPECT_EQ(w.registry.setting("DateTo"), "31.03.2024");
    EXPECT_EQ(w.registry.setting("CreateDeletedApps"), "1");
}

} // namespace
} // namespace zelvant
