#include "forms/qt/WizardWindow.h"

#include "forms/WizardTexts.h"
#include "tests/forms/FormsWorld.h"
#include "tests/forms/qt/QtTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace zelvant::testing;
using Strings = std::vector<std::string>;

class WizardWindowTest : public ::testing::Test {
protected:
    WizardWindowTest() { ensureOffscreenApplication(); }

    WizardWindow& open()
    {
        window = std::make_unique<WizardWindow>(w.environment(), [this] { ++infoClicks; });
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }

    template <typename T = QWidget> T* find(const char* name) const
    {
        T* widget = window->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    // Clicks a button; an option or a check box on its indicator, where it takes clicks.
    void click(const char* name)
    {
        QAbstractButton* button = find<QAbstractButton>(name);
        const bool indicator = qobject_cast<QRadioButton*>(button) || qobject_cast<QCheckBox*>(button);
        QTest::mouseClick(button, Qt::LeftButton, {}, indicator ? QPoint(8, button->height() / 2) : QPoint());
    }
    // Chooses an option and goes on.
    void choose(const char* option)
    {
        click(option);
        click("cmdNext");
    }

    std::string page() const { return window->logic().page(); }
    int shownPage() const { return find<QStackedWidget>("pages")->currentIndex() + 1; }
    std::string text(const char* name) const { return find<QLabel>(name)->text().toStdString(); }
    std::string caption(const char* name) const { return find<QAbstractButton>(name)->text().toStdString(); }

    static Strings column(QTreeWidget* list, int c)
    {
        Strings result;
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            result.push_back(list->topLevelItem(row)->text(c).toStdString());
        return result;
    }

    static Strings headers(QTreeWidget* list)
    {
        Strings result;
        for (int c = 0; c < list->columnCount(); ++c)
            result.push_back(list->headerItem()->text(c).toStdString());
        return result;
    }

    FormsWorld w;
    std::unique_ptr<WizardWindow> window;
    int infoClicks = 0;
};

// Looks ---------------------------------------------------------------------------------------------

TEST_F(WizardWindowTest, HasTheFormsSizeCaptionAndButtonRow)
{
    open();
    EXPECT_EQ(window->size(), QSize(740, 512));
    EXPECT_EQ(window->windowTitle().toStdString(), "Zelvant Assistent");
    EXPECT_EQ(caption("cmdBack"), "< Zurück");
    EXPECT_TRUE(find<QPushButton>("cmdNext")->isDefault());
    EXPECT_EQ(find("cmdCancel")->geometry(), QRect(376, 448, 80, 25));
    EXPECT_EQ(find("cmdFinish")->geometry(), QRect(632, 448, 88, 25));
    EXPECT_FALSE(find("cmdBack")->isEnabled());
    EXPECT_FALSE(find("cmdFinish")->isEnabled());
    EXPECT_FALSE(find("barProgress")->isVisible());
    EXPECT_EQ(find("pages")->geometry(), QRect(24, 128, 689, 273));
}

TEST_F(WizardWindowTest, FinishCaptionFollowsTheChosenOperation)
{
    open();
    const std::vector<std::pair<const char*, const char*>> cases{
        {"optSync(1)", "Synchronisieren"}, {"optSync(2)", "Entfernen"}, {"optSync(0)", "Verknüpfen"}};
    for (auto [option, expected] : cases) {
        click(option);
        EXPECT_EQ(caption("cmdFinish"), expected);
    }
}

// The four paths ---------------------------------------------------------------------------------------

TEST_F(WizardWindowTest, TasksBecomeAppointments)
{
    MemoryTask& a = w.addTask("Entwurf");
    MemoryTask& b = w.addTask("Bau");
    open();
    click("cmdNext");
    EXPECT_EQ(shownPage(), 2);
    choose("optLinkType(0)");
    EXPECT_EQ(shownPage(), 3);
    QTest::keyClick(find<QComboBox>("cboBusyStatus"), Qt::Key_Home); // "Frei"
    choose("optTask(0)");
    EXPECT_EQ(page(), "Step4");
    EXPECT_EQ(shownPage(), 4);
    EXPECT_FALSE(find("cmdNext")->isEnabled());
    EXPECT_TRUE(find("cmdFinish")->isEnabled());

    QTreeWidget* list = find<QTreeWidget>("lvwTasks");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    list->topLevelItem(1)->setCheckState(0, Qt::Unchecked); // the user clears "Bau"
    click("cmdFinish");

    EXPECT_EQ(page(), "StepX");
    EXPECT_NE(FormsWorld::linkOf(a), "");
    EXPECT_EQ(FormsWorld::linkOf(b), "");
    ASSERT_EQ(w.calendar.items().size(), 1u);
    EXPECT_EQ(w.calendar.items()[0]->busyStatus(), BusyStatus::Free);
    EXPECT_FALSE(find("pages")->isVisible());
    EXPECT_TRUE(find("barProgress")->isVisible());
    EXPECT_EQ(find<QProgressBar>("barProgress")->value(), 1000);
    EXPECT_EQ(text("lblProgress"), "Vorgang beendet.");
    EXPECT_EQ(find("barProgress")->geometry().topLeft(), QPoint(128, 200));
    EXPECT_EQ(caption("cmdFinish"), "Fertig");
    EXPECT_EQ(find("cmdFinish")->pos(), QPoint(640, 448));
    EXPECT_FALSE(find("cmdNext")->isVisible() || find("cmdBack")->isVisible() ||
                 find("cmdCancel")->isVisible());
    EXPECT_FALSE(w.host.hostSwitch());

    click("cmdFinish");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_TRUE(w.host.hostSwitch());
}

TEST_F(WizardWindowTest, AppointmentsBecomeTasks)
{
    w.addAppointment("Neujahr", makeDateTime(2007, 1, 1, 10), makeDateTime(2007, 1, 1, 11));
    w.addAppointment("Messe", makeDateTime(2007, 6, 4, 8), makeDateTime(2007, 6, 4, 12));
    w.addAppointment("Besprechung", makeDateTime(2007, 3, 5, 8), makeDateTime(2007, 3, 5, 9, 30));
    open();
    choose("optSync(0)");
    choose("optLinkType(1)");
    EXPECT_EQ(shownPage(), 5);
    click("optAppointmentType(2)");
    find<QDateEdit>("dtpFrom")->setDate(QDate(2007, 1, 1));
    find<QDateEdit>("dtpTo")->setDate(QDate(2007, 12, 31));
    click("cmdNext");
    EXPECT_EQ(shownPage(), 6);

    QTreeWidget* list = find<QTreeWidget>("lvwAppointments");
    EXPECT_EQ(headers(list), (Strings{"Name", "Start", "Ende", "ID", "Sort"}));
    EXPECT_TRUE(list->isColumnHidden(3) && list->isColumnHidden(4));
    EXPECT_EQ(list->columnWidth(0), 200);
    EXPECT_EQ(column(list, 0), (Strings{"Messe", "Besprechung", "Neujahr"}));
    EXPECT_EQ(column(list, 1)[1], "05.03.2007 08:00");
    EXPECT_EQ(column(list, 2)[1], "05.03.2007 09:30");
    EXPECT_EQ(column(list, 4), (Strings{"0000039237", "0000039146", "0000039083"}));
    // Keys follow the calendar's order; the sort only changes where items are shown.
    EXPECT_EQ(list->topLevelItem(0)->data(0, Qt::UserRole).toString().toStdString(), "x0000000002");
    EXPECT_EQ(list->topLevelItem(2)->checkState(0), Qt::Checked);
    list->topLevelItem(0)->setCheckState(0, Qt::Unchecked); // the user clears "Messe"

    click("cmdFinish");
    EXPECT_EQ(page(), "StepX");
    ASSERT_EQ(w.project.tasks().size(), 2u);
    EXPECT_EQ(w.project.tasks()[0]->name(), "Neujahr"); // worked in calendar order
    EXPECT_EQ(w.project.tasks()[1]->name(), "Besprechung");
    EXPECT_EQ(w.setting("LinkType"), "1");
    EXPECT_EQ(w.setting("AppointmentType"), "2");
    EXPECT_EQ(w.setting("DateFrom"), "01.01.2007");
    EXPECT_EQ(w.setting("DateTo"), "31.12.2007");
}

TEST_F(WizardWindowTest, LinksAreRemoved)
{
    MemoryTask& keep = w.addLinkedTask("Entwurf", keyNo(1));
    MemoryTask& task = w.addLinkedTask("Bau", keyNo(2));
    open();
    choose("optSync(2)");
    EXPECT_EQ(page(), "Step7");
    QTreeWidget* list = find<QTreeWidget>("lvwDeleteLinks");
    EXPECT_EQ(headers(list), (Strings{"Nr.", "Name", "ID"}));
    EXPECT_EQ(column(list, 2), (Strings{FormsWorld::linkOf(keep), FormsWorld::linkOf(task)}));
    list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    click("cmdFinish");
    EXPECT_EQ(page(), "StepX");
    EXPECT_NE(FormsWorld::linkOf(keep), "");
    EXPECT_EQ(FormsWorld::linkOf(task), "");
    EXPECT_EQ(w.setting("SyncType"), "2");
}

TEST_F(WizardWindowTest, LinksAreSynchronisedWhileTheBarAndLabelRepaint)
{
    w.addLinkedTask("Entwurf", keyNo(1));
    w.addLinkedTask("Bau", keyNo(2));
    open();
    choose("optSync(1)");
    EXPECT_EQ(page(), "Step8");
    EXPECT_EQ(QApplication::focusWidget(), find("cmdFinish"));
    click("chkCreateDeletedTasks");
    PaintRecorder recorder(find<QProgressBar>("barProgress"), find<QLabel>("lblProgress"));
    click("cmdFinish");

    // Painted during the run, without the event loop: every step of both passes.
    EXPECT_EQ(recorder.barValues, (std::vector<int>{50, 275, 500, 725, 950, 1000}));
    ASSERT_GE(recorder.labelTexts.size(), 2u);
    EXPECT_EQ(recorder.labelTexts.front(), "Synchronisieren wird vorbereitet...");
    EXPECT_EQ(recorder.labelTexts.back(), "Vorgang beendet.");
    EXPECT_EQ(w.setting("CreateDeletedApps"), "1");
    EXPECT_TRUE(w.launcher.application()->isQuit());
}

// Navigation -------------------------------------------------------------------------------------------

TEST_F(WizardWindowTest, BackAndForthKeepsTheChosenOptions)
{
    open();
    choose("optSync(0)");
    choose("optLinkType(1)");
    click("optAppointmentType(2)");
    click("cmdBack");
    EXPECT_EQ(shownPage(), 2);
    EXPECT_TRUE(find<QRadioButton>("optLinkType(1)")->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), find("cmdBack"));
    click("cmdBack");
    EXPECT_TRUE(find<QRadioButton>("optSync(0)")->isChecked());
    click("cmdNext");
    click("cmdNext");
    EXPECT_TRUE(find<QRadioButton>("optAppointmentType(2)")->isChecked());
}

TEST_F(WizardWindowTest, ListsAreEmptiedOnBackAndRefilledWithKeysFromOne)
{
    w.addLinkedTask("Entwurf", keyNo(1));
    open();
    choose("optSync(1)");
    QTreeWidget* list = find<QTreeWidget>("lvwSync");
    click("cmdSyncNone");
    EXPECT_EQ(list->topLevelItem(0)->checkState(0), Qt::Unchecked);
    click("cmdBack");
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_TRUE(find<QRadioButton>("optSync(1)")->isChecked());
    click("cmdNext");
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->data(0, Qt::UserRole).toString().toStdString(), "x0000000001");
    EXPECT_EQ(list->topLevelItem(0)->checkState(0), Qt::Checked);
}

TEST_F(WizardWindowTest, TabOrderAndFocusFollowThePage)
{
    open();
    EXPECT_EQ(QApplication::focusWidget(), find("cmdNext"));
    choose("optSync(0)");
    choose("optLinkType(0)");
    EXPECT_EQ(find("cboResource")->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(find("cboBusyStatus")->focusPolicy(), Qt::ClickFocus);
    EXPECT_EQ(find("optSync(0)")->focusPolicy(), Qt::ClickFocus);
    // cmdFinish is disabled here, so Tab from "Weiter >" reaches the first task option.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), find("optTask(0)"));
    click("cmdNext");
    EXPECT_EQ(QApplication::focusWidget(), find("lvwTasks"));
}

TEST_F(WizardWindowTest, EnterOnAListPageDoesNothing)
{
    w.addTask("Entwurf");
    open();
    choose("optSync(0)");
    choose("optLinkType(0)");
    choose("optTask(0)");
    ASSERT_EQ(QApplication::focusWidget(), find("lvwTasks"));
    QTest::keyClick(find("lvwTasks"), Qt::Key_Return);
    EXPECT_EQ(page(), "Step4");
    EXPECT_TRUE(w.messages.messages.empty());
    EXPECT_EQ(w.calendar.items().size(), 0u);
}

TEST_F(WizardWindowTest, EscapeLeavesWithoutSaving)
{
    open();
    click("optSync(2)");
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_EQ(w.registry.writeCount(), 0);
}

TEST_F(WizardWindowTest, InfoButtonOpensTheInfoDialog)
{
    open();
    click("cmdInfo");
    EXPECT_EQ(infoClicks, 1);
}

// Messages ------------------------------------------------------------------------------------------------

TEST_F(WizardWindowTest, DateMessagesKeepThePeriodPage)
{
    open();
    choose("optSync(0)");
    choose("optLinkType(1)");
    const std::vector<std::tuple<QDate, QDate, const char*>> cases{
        {QDate(2024, 3, 6), QDate(2024, 3, 5), wizard::kDateOrder},
        {QDate(2024, 3, 6), QDate(2050, 1, 1), wizard::kDateRange},
    };
    for (auto [from, to, message] : cases) {
        w.messages.messages.clear();
        find<QDateEdit>("dtpFrom")->setDate(from);
        find<QDateEdit>("dtpTo")->setDate(to);
        click("cmdNext");
        EXPECT_EQ(w.messages.shown(), Strings{std::string("Zelvant Assistent: ") + message});
        EXPECT_EQ(shownPage(), 5);
    }
}

TEST_F(WizardWindowTest, SelectionChecksNameWhatIsMissing)
{
    w.addTask("Entwurf");
    w.addLinkedTask("Bau", keyNo(1));
    w.addAppointment("Besprechung", makeDateTime(2024, 3, 5, 8), makeDateTime(2024, 3, 5, 9));
    struct Case {
        std::vector<const char*> options;
        const char* none;
        const char* message;
    };
    const std::vector<Case> cases{
        {{"optSync(0)", "optLinkType(0)", "optTask(0)"}, "cmdTaskNone", wizard::kNothingToLinkTasks},
        {{"optSync(0)", "optLinkType(1)", "optAppointmentType(0)"},
         "cmdAppNone",
         wizard::kNothingToLinkAppointments},
        {{"optSync(2)"}, "cmdNone", wizard::kNothingToUnlink},
        {{"optSync(1)"}, "cmdSyncNone", wizard::kNothingToSync},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        open();
        for (const char* option : c.options)
            choose(option);
        const std::string before = page();
        w.messages.messages.clear();
        click(c.none);
        click("cmdFinish");
        EXPECT_EQ(w.messages.shown(), Strings{std::string("Zelvant Assistent: ") + c.message});
        EXPECT_EQ(page(), before);
        EXPECT_TRUE(find("cmdBack")->isVisible() && find("pages")->isVisible());
        EXPECT_FALSE(find("barProgress")->isVisible());
    }
    EXPECT_EQ(w.host.hostSwitchCalls(), 0);
}

TEST_F(WizardWindowTest, UnreachableCalendarSaysSoInsteadOfFinished)
{
    w.addLinkedTask("Entwurf", keyNo(1));
    w.launcher.setStartFails(true);
    open();
    choose("optSync(1)");
    click("cmdFinish");
    EXPECT_EQ(w.messages.shown(), Strings{"Zelvant Assistent: Outlook konnte nicht gefunden werden!"});
    EXPECT_EQ(text("lblProgress"), "Outlook konnte nicht gefunden werden!");
    EXPECT_EQ(caption("cmdFinish"), "Fertig");
}

TEST_F(WizardWindowTest, PagesSayWhenTheCalendarCannotBeOpened)
{
    w.addAppointment("A", makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 9), {"Rot"});
    w.launcher.setStartFails(true);
    open();
    choose("optSync(0)");
    choose("optLinkType(1)");
    ASSERT_EQ(shownPage(), 5);
    EXPECT_TRUE(find<QLabel>("lblStatus")->isVisible());
    EXPECT_EQ(text("lblStatus"), "Der Kalender konnte nicht geöffnet werden; es werden keine Kategorien angeboten.");
    EXPECT_EQ(find<QComboBox>("cboKategorie")->count(), 0);

    click("cmdNext");
    ASSERT_EQ(shownPage(), 6);
    EXPECT_EQ(text("lblStatus"), "Der Kalender konnte nicht geöffnet werden; es werden keine Termine angeboten.");

    click("cmdBack");
    click("cmdBack");
    EXPECT_FALSE(find<QLabel>("lblStatus")->isVisible()) << "the second page has nothing to say";
}

TEST_F(WizardWindowTest, FailuresAreListedBelowTheBar)
{
    w.addTask("Entwurf").faults().failOn("SetField");
    open();
    choose("optSync(0)");
    choose("optLinkType(0)");
    choose("optTask(0)");
    click("cmdFinish");
    EXPECT_TRUE(find("lstReport")->isVisible());
    EXPECT_GE(find<QListWidget>("lstReport")->count(), 1);
    EXPECT_EQ(text("lblProgress"), "Vorgang beendet.");
}

// Settings --------------------------------------------------------------------------------------------------

TEST_F(WizardWindowTest, StoredSettingsArePresetOnTheControls)
{
    for (auto [name, value] : {std::pair{"SyncType", "2"},
                               {"LinkType", "1"},
                               {"TaskType", "1"},
                               {"ResourceName", "Schmidt"},
                               {"TaskSummary", "2"},
                               {"CreateDeletedApps", "1"},
                               {"AppointmentType", "2"},
                               {"DateFrom", "01.02.2024"},
                               {"DateTo", "15.02.2024"}})
        w.store(name, value);
    w.addTask("Entwurf", "Müller");
    open();
    EXPECT_TRUE(find<QRadioButton>("optSync(2)")->isChecked());
    EXPECT_EQ(caption("cmdFinish"), "Entfernen");
    EXPECT_TRUE(find<QRadioButton>("optLinkType(1)")->isChecked());
    EXPECT_TRUE(find<QRadioButton>("optTask(1)")->isChecked());
    EXPECT_EQ(find<QComboBox>("cboResource")->currentText().toStdString(), "Schmidt");
    EXPECT_EQ(find<QComboBox>("cboResource")->itemText(0).toStdString(), "Müller");
    EXPECT_EQ(find<QCheckBox>("chkSummary")->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(find<QCheckBox>("chkCreateDeletedTasks")->checkState(), Qt::Checked);
    EXPECT_EQ(find<QDateEdit>("dtpFrom")->date(), QDate(2024, 2, 1));
    EXPECT_EQ(find<QDateEdit>("dtpTo")->date(), QDate(2024, 2, 15));
}

// Entry point --------------------------------------------------------------------------------------------

TEST_F(WizardWindowTest, RunWizardTellsFertigFromClosingAndSwitchesTheHostBackOnOnce)
{
    w.addLinkedTask("Entwurf", keyNo(1));
    for (const bool fertig : {false, true}) {
        SCOPED_TRACE(fertig);
        const int callsBefore = w.host.hostSwitchCalls();
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* shown = qobject_cast<WizardWindow*>(QApplication::activeModalWidget());
            ASSERT_NE(shown, nullptr);
            shown->findChild<QRadioButton*>("optSync(1)")->click();
            shown->findChild<QPushButton*>("cmdNext")->click();
            shown->findChild<QPushButton*>("cmdFinish")->click();
            ran = shown->logic().page() == "StepX";
            if (fertig)
                shown->findChild<QPushButton*>("cmdFinish")->click();
            else
                shown->reject(); // closed by the window's close button
        });
        EXPECT_EQ(runWizard(w.host, w.launcher, w.settings, {}, &w.messages), fertig ? 1 : 0);
        EXPECT_TRUE(ran);
        EXPECT_TRUE(w.host.hostSwitch());
        EXPECT_EQ(w.host.hostSwitchCalls() - callsBefore, 2); // off for the run, on again, not a third time
    }
}

// Screenshots --------------------------------------------------------------------------------------------

// With ZELVANT_SCREENSHOTS set to a folder, saves a picture of every page there.
TEST_F(WizardWindowTest, ScreenshotsOfEveryPage)
{
    const QString folder = qEnvironmentVariable("ZELVANT_SCREENSHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "set ZELVANT_SCREENSHOTS to a folder to take screenshots";
    QDir().mkpath(folder);
    for (const char* name : {"Entwurf", "Rohbau", "Dach decken", "Innenausbau"})
        w.addTask(name, "Müller;Schmidt");
    w.addLinkedTask("Richtfest", keyNo(1));
    w.addLinkedTask("Abnahme", keyNo(2));
    w.addAppointment("Besprechung", makeDateTime(2024, 3, 5, 8), makeDateTime(2024, 3, 5, 9, 30),
                     {"Projekt"});
    w.addAppointment("Baustellentermin", makeDateTime(2024, 3, 12, 13), makeDateTime(2024, 3, 12, 15),
                     {"Bau"});
    const auto shot = [&](const char* name) {
        QApplication::processEvents();
        ASSERT_TRUE(window->grab().save(folder + "/wizard-" + name + ".png"));
    };
    open();
    shot("step1");
    choose("optSync(0)");
    shot("step2");
    choose("optLinkType(0)");
    shot("step3");
    choose("optTask(0)");
    shot("step4");
    click("cmdBack");
    click("cmdBack");
    choose("optLinkType(1)");
    shot("step5");
    click("cmdNext");
    shot("step6");
    click("cmdBack");
    click("cmdBack");
    click("cmdBack");
    choose("optSync(2)");
    shot("step7");
    click("cmdBack");
    choose("optSync(1)");
    shot("step8");
    click("cmdFinish");
    shot("done");
}

} // namespace
} // namespace zelvant
