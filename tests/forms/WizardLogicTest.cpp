#include "forms/WizardLogic.h"

#include "forms/WizardTexts.h"
#include "tests/forms/FormsWorld.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zelvant {
namespace {

using namespace zelvant::testing;
using Strings = std::vector<std::string>;
using P = WizardPage;

// Walks the wizard by steps apart by blanks: "S1" clicks optSync(1) and "Weiter >" (L: optLinkType,
// T: optTask, A: optAppointmentType); ">" is "Weiter >" alone, "<" is "< Zurück".
void walk(WizardLogic& wizard, const std::string& steps, const std::function<void()>& afterEach = {})
{
    std::istringstream in(steps);
    for (std::string step; in >> step;) {
        if (step == "<")
            wizard.cmdBack();
        else if (step == ">")
            wizard.cmdNext();
        else {
            wizard.clickOption(OptionArray(std::string("SLTA").find(step[0])), step[1] - '0');
            wizard.cmdNext();
        }
        if (afterEach)
            afterEach();
    }
}

DateTime day(int y, unsigned m, unsigned d, int h = 0)
{
    return makeDateTime(y, m, d, h);
}

class WizardLogicTest : public ::testing::Test {
protected:
    WizardLogic& open()
    {
        wizard = std::make_unique<WizardLogic>(w.environment(), progress, [this] {
            repaints.push_back(std::string(WizardLogic::view(wizard->page()).name) + " " +
                               form().progress.text);
        });
        return *wizard;
    }
    const wizard::WizardForm& form() const { return wizard->form(); }

    FormsWorld w;
    RecordingProgress progress;
    Strings repaints;
    std::unique_ptr<WizardLogic> wizard;
};

TEST_F(WizardLogicTest, OpensOnTheFirstPageWithTheStoredOrTheDefaultChoices)
{
    w.addTask("A", "Schmidt;Müller");
    w.addTask("B", "Müller");
    open();
    EXPECT_EQ(wizard->page(), P::Operation);
    EXPECT_EQ(form().optSync[0].tag + form().optSync[1].tag + form().cboBusyStatus.text, "10Gebucht");
    EXPECT_EQ(form().dtpTo.value, day(2024, 3, 1));
    EXPECT_FALSE(form().chkDetailed.enabled || form().chkAllDayEvent.enabled || form().progress.shown);
    EXPECT_EQ(form().cboResource.items, (Strings{"Müller", "Schmidt"})); // each name once, sorted
}

// After each step the page, the focus, the buttons and the tab order follow the page.
TEST_F(WizardLogicTest, PagesFollowTheChoicesBothWays)
{
    // clang-format off
    const std::vector<std::pair<std::string, std::vector<std::pair<P, std::string>>>> walks{
        {"S0 L0 T0 > < < < <", {{P::Direction, "cmdNext"}, {P::TaskChoice, "cmdNext"}, {P::TaskList, "lvwTasks"},
                                {P::TaskList, "lvwTasks"}, {P::TaskChoice, "cmdNext"}, {P::Direction, "cmdNext"},
                                {P::Operation, "cmdNext"}, {P::Operation, "cmdNext"}}},
        {"S0 L1 > < <", {{P::Direction, "cmdNext"}, {P::AppointmentChoice, "cmdNext"},
                         {P::AppointmentList, "lvwAppointments"}, {P::AppointmentChoice, "cmdBack"},
                         {P::Direction, "cmdBack"}}},
        {"S2 < S1", {{P::RemovalList, "lvwDeleteLinks"}, {P::Operation, "cmdNext"}, {P::SyncList, "cmdFinish"}}},
    };
    // clang-format on
    const std::set<P> lists{P::TaskList, P::AppointmentList, P::RemovalList, P::SyncList};
    for (const auto& [steps, expected] : walks) {
        std::vector<std::pair<P, std::string>> seen;
        walk(open(), steps, [&] {
            const auto& f = form();
            const P page = wizard->page();
            seen.emplace_back(page, f.focus);
            EXPECT_EQ(f.shownFrame, std::string("fra") + WizardLogic::view(page).name);
            EXPECT_EQ(f.tabOrder.front() + f.tabOrder.back(), "cmdNextcmdBack");
            EXPECT_EQ(f.tabOrder.size(), WizardLogic::view(page).inputs.size() + 5);
            EXPECT_EQ((std::vector<bool>{f.cmdBack.enabled, f.cmdNext.enabled, f.cmdFinish.enabled}),
                      (std::vector<bool>{page != P::Operation, !lists.count(page), lists.count(page) == 1}));
        });
        EXPECT_EQ(seen, expected) << steps;
    }
    for (const char* steps : {"S2", "S1"}) { // back from a list page undoes a stray choice
        walk(open(), steps);
        wizard->clickOption(OptionArray::Sync, 0);
        walk(*wizard, "<");
        EXPECT_EQ(form().cmdFinish.caption, steps[1] == '2' ? "Entfernen" : "Synchronisieren");
    }
}

// The rules themselves are the period check's; here that it runs whichever choice is made.
TEST_F(WizardLogicTest, PeriodIsCheckedBeforeTheAppointmentsAreListed)
{
    walk(open(), "S0 L1");
    wizard->clickOption(OptionArray::AppointmentType, 0);
    wizard->setDateFrom(day(2024, 3, 6));
    wizard->setDateTo(day(2024, 3, 5));
    walk(*wizard, ">");
    EXPECT_EQ(w.messages.shown(), Strings{"Zelvant Assistent: " + std::string(wizard::kDateOrder)});
    EXPECT_EQ(wizard->page(), P::AppointmentChoice);
    wizard->setDateTo(day(2024, 3, 6, 23)); // later on the same day is fine
    walk(*wizard, ">");
    EXPECT_EQ(wizard->page(), P::AppointmentList);
}

TEST_F(WizardLogicTest, CategoriesComeFromTheCalendarOnEachVisitOrTheStatusSaysWhyNot)
{
    w.store("Category", "Blau");
    w.addAppointment("A", day(2024, 3, 4, 8), day(2024, 3, 4, 9), {"Rot", "Grün"});
    w.addAppointment("B", day(2024, 3, 5, 8), day(2024, 3, 5, 9), {"Blau", "Rot"});
    EXPECT_EQ(open().form().cboKategorie.text, "Blau");
    walk(*wizard, "S0 L1 A1");
    EXPECT_EQ(form().cboKategorie.items, (Strings{"Rot", "Grün", "Blau"}));
    EXPECT_EQ(form().cboKategorie.text, "Rot"); // the first replaces the stored one
    const int starts = w.launcher.startCount();
    walk(*wizard, "<"); // the category box stays; the calendar is not asked again
    EXPECT_EQ(w.launcher.startCount(), starts);
    EXPECT_TRUE(form().optAppointmentType[1].enabled && form().status.empty());
    w.launcher.setStartFails(true);
    walk(*wizard, "< L1");
    EXPECT_TRUE(form().cboKategorie.items.empty() && !form().cboKategorie.enabled &&
                !form().optAppointmentType[1].enabled);
    EXPECT_EQ(form().status, wizard::kNoCategoriesStatus);
    walk(*wizard, "A0");
    EXPECT_EQ(form().status, wizard::kNoAppointmentsStatus);
    EXPECT_TRUE(form().lvwAppointments.items.empty() && w.messages.messages.empty());
}

// A run from the list page: what the user chose there is what changed in plan and calendar, and
// the links the run made or left follow the link rule.
TEST(WizardRunTest, RunsChangeWhatTheChoicesSay)
{
    using L = WizardLogic;
    struct Run {
        std::function<void(FormsWorld&)> setup;
        std::function<void(L&)> choose;
        std::set<std::string> linked;
        std::size_t appointments;
        std::function<void(FormsWorld&, L&)> check = {};
    };
    const auto meeting = [](FormsWorld& f, const char* name, DateTime start,
                            std::vector<std::string> categories = {}) {
        f.addAppointment(name, start, start + std::chrono::hours(1), std::move(categories));
    };
    // clang-format off
    const std::vector<Run> runs{
        {[](FormsWorld& f) { f.addTask("Entwurf"); f.addTask("Bau"); },
         [](L& l) { walk(l, "S0 L0"); l.setBusyStatusIndex(0); walk(l, "T0"); l.setItemChecked(WizardList::Tasks, 1, false); },
         {"Entwurf"}, 1,
         [](FormsWorld& f, L&) { EXPECT_EQ(f.calendar.items()[0]->busyStatus(), BusyStatus::Free); }},
        {[&](FormsWorld& f) { meeting(f, "Neujahr", day(2007, 1, 1, 10)); meeting(f, "Messe", day(2007, 6, 4, 8));
                              meeting(f, "Besprechung", day(2007, 3, 5, 8)); meeting(f, "Vorjahr", day(2006, 3, 5)); },
         [](L& l) { walk(l, "S0 L1"); l.clickOption(OptionArray::AppointmentType, 2); l.setDateFrom(day(2007, 1, 1));
                    l.setDateTo(day(2007, 12, 31)); walk(l, ">");
                    l.setItemChecked(WizardList::Appointments, 0, false); }, // the latest is listed first
         {"Neujahr", "Besprechung"}, 4,
         [](FormsWorld& f, L&) { EXPECT_EQ(f.project.tasks()[0]->name(), "Neujahr"); // in calendar order
                                 EXPECT_EQ(f.setting("AppointmentType") + f.setting("DateTo"), "231.12.2007"); }},
        {[&](FormsWorld& f) { meeting(f, "Rot", day(2024, 3, 4, 8), {"Rot"}); meeting(f, "Blau", day(2024, 3, 5, 8), {"Blau"}); },
         [](L& l) { walk(l, "S0 L1"); l.clickOption(OptionArray::AppointmentType, 1); l.setCategoryIndex(1); walk(l, ">"); },
         {"Blau"}, 2},
        {[](FormsWorld& f) { f.addLinkedTask("Entwurf", 1); f.addLinkedTask("Bau", 2); },
         [](L& l) { walk(l, "S2"); l.setItemChecked(WizardList::DeleteLinks, 0, false); },
         {"Entwurf"}, 2},
        {[](FormsWorld& f) { f.addLinkedTask("Entwurf", 1); f.addLinkedTask("Bau", 2); f.calendar.items().front()->remove(); },
         [](L& l) { walk(l, "S1"); l.setCreateDeletedTasks(CheckState::Checked); l.setItemChecked(WizardList::Sync, 1, false); },
         {"Entwurf", "Bau"}, 2,
         [](FormsWorld& f, L& l) { EXPECT_EQ(l.collections().tasksToSync, (std::vector<Task*>{f.project.tasks()[0]}));
                                   EXPECT_EQ(f.setting("CreateDeletedApps"), "1"); }},
    };
    // clang-format on
    for (std::size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(i);
        FormsWorld w;
        runs[i].setup(w);
        RecordingProgress progress;
        WizardLogic wizard(w.environment(), progress, {});
        runs[i].choose(wizard);
        EXPECT_EQ(wizard.cmdFinish(), FinishResult::Finished);
        EXPECT_EQ(w.messages.shown(), Strings{});
        EXPECT_EQ(wizard.form().reportLines, Strings{});
        EXPECT_EQ(w.linkedTaskNames(), runs[i].linked);
        EXPECT_EQ(w.calendar.items().size(), runs[i].appointments);
        if (runs[i].check)
            runs[i].check(w, wizard);
    }
}

TEST_F(WizardLogicTest, EndeWithNothingTickedSaysWhatIsMissingAndStays)
{
    w.addTask("Entwurf");
    w.addLinkedTask("Bau", 1);
    w.addAppointment("Besprechung", day(2024, 3, 5, 8), day(2024, 3, 5, 9));
    const std::vector<std::tuple<std::string, WizardList, const char*>> cases{
        {"S0 L0 T0", WizardList::Tasks, wizard::kNothingToLinkTasks},
        {"S0 L1 A0", WizardList::Appointments, wizard::kNothingToLinkAppointments},
        {"S2", WizardList::DeleteLinks, wizard::kNothingToUnlink},
        {"S1", WizardList::Sync, wizard::kNothingToSync},
    };
    for (const auto& [steps, list, message] : cases) {
        walk(open(), steps);
        const P page = wizard->page();
        w.messages.messages.clear();
        wizard->setAllItems(list, false);
        EXPECT_EQ(wizard->cmdFinish(), FinishResult::Stayed);
        EXPECT_EQ(w.messages.shown(), Strings{"Zelvant Assistent: " + std::string(message)});
        EXPECT_EQ(wizard->page(), page);
        EXPECT_FALSE(form().progress.shown);
    }
    EXPECT_EQ(w.host.hostSwitchCalls(), 0);
}

TEST_F(WizardLogicTest, ProgressPageIsDrawnBeforeTheRunAndTheHostScreenWaitsForFertig)
{
    w.addLinkedTask("Entwurf", 1);
    MemoryCalendarApplication& users = w.launcher.runApplication();
    walk(open(), "S1");
    EXPECT_EQ(wizard->cmdFinish(), FinishResult::Finished);
    EXPECT_EQ(repaints,
              Strings{"Step9 Synchronisieren wird vorbereitet..."}); // before the calendar was asked
    EXPECT_EQ(progress.texts().back(), "Vorgang beendet.");
    EXPECT_FALSE(users.isQuit()); // the calendar the user had open stays open
    EXPECT_TRUE(wizard->hostSwitchLeftOff());
    EXPECT_EQ(wizard->cmdFinish(), FinishResult::Close);
    EXPECT_TRUE(w.host.hostSwitch() && !wizard->hostSwitchLeftOff());
}

TEST_F(WizardLogicTest, UnreachableCalendarOrFailedStepsAreReportedNotHidden)
{
    w.addLinkedTask("Entwurf", 1);
    w.launcher.setStartFails(true);
    walk(open(), "S1");
    wizard->cmdFinish();
    EXPECT_EQ(w.messages.shown(), Strings{"Zelvant Assistent: Outlook konnte nicht gefunden werden!"});
    EXPECT_EQ(progress.texts().back() + form().cmdFinish.caption,
              "Outlook konnte nicht gefunden werden!Fertig");
    EXPECT_EQ(wizard->cmdFinish(), FinishResult::Close);
    EXPECT_EQ(w.host.hostSwitchCalls(), 0);

    w.addTask("Bau").faults().failOn("SetField");
    w.launcher.setStartFails(false);
    walk(open(), "S0 L0 T0");
    wizard->cmdFinish();
    EXPECT_EQ(form().progress.text, "Vorgang beendet.");
    ASSERT_EQ(form().reportLines.size(), 1u);
    EXPECT_NE(form().reportLines[0].find("Bau"), std::string::npos);
}

} // namespace
} // namespace zelvant
