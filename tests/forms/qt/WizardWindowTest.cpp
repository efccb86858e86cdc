#include "forms/qt/WizardWindow.h"

#include "tests/forms/FormsWorld.h"
#include "tests/forms/qt/QtTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
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
using P = WizardPage;

// What the logic does with the input is the logic tests' business; here that the window shows
// the logic's page, hands the user's input to it, and runs and closes as the buttons say.
class WizardWindowTest : public ::testing::Test {
protected:
    WizardWindowTest()
    {
        ensureOffscreenApplication();
        w.addTask("Entwurf", "Müller;Schmidt");
        w.addTask("Rohbau", "Müller");
        w.addLinkedTask("Richtfest", 1);
        w.addLinkedTask("Abnahme", 2);
        w.addAppointment("Besprechung", makeDateTime(2024, 3, 5, 8), makeDateTime(2024, 3, 5, 9),
                         {"Projekt"});
        window = std::make_unique<WizardWindow>(w.environment(), [this] { ++infoClicks; });
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    template <typename T = QWidget> T* find(const char* name) const { return window->findChild<T*>(name); }
    // Clicks buttons in turn; an option or a check box on its indicator.
    void click(std::vector<const char*> names)
    {
        for (const char* name : names) {
            auto* button = find<QAbstractButton>(name);
            const bool indicator = qobject_cast<QRadioButton*>(button) || qobject_cast<QCheckBox*>(button);
            QTest::mouseClick(button, Qt::LeftButton, {},
                              indicator ? QPoint(8, button->height() / 2) : QPoint());
        }
    }
    const wizard::WizardForm& form() const { return window->logic().form(); }

    FormsWorld w;
    std::unique_ptr<WizardWindow> window;
    int infoClicks = 0;
};

TEST_F(WizardWindowTest, ShowsThePageTheLogicIsOnWithItsFocus)
{
    const std::vector<std::pair<std::vector<const char*>, P>> walk{
        {{}, P::Operation},
        {{"cmdNext"}, P::Direction},
        {{"optLinkType(0)", "cmdNext"}, P::TaskChoice},
        {{"optTask(0)", "cmdNext"}, P::TaskList},
        {{"cmdBack", "cmdBack", "optLinkType(1)", "cmdNext"}, P::AppointmentChoice},
        {{"cmdBack", "cmdBack", "optSync(2)", "cmdNext"}, P::RemovalList},
        {{"cmdBack", "optSync(1)", "cmdNext"}, P::SyncList},
        {{"cmdFinish"}, P::Finished},
    };
    for (const auto& [buttons, page] : walk) {
        click(buttons);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->running(); }, 10000));
        ASSERT_EQ(window->logic().page(), page);
        auto* pages = find<QStackedWidget>("pages");
        EXPECT_EQ(pages->isVisible() ? pages->currentWidget()->objectName().toStdString() : "",
                  WizardLogic::view(page).frame);
        EXPECT_EQ(find("cmdNext")->isEnabled(), form().cmdNext.enabled);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), form().focus);
    }
}

TEST_F(WizardWindowTest, ControlsHandTheUsersInputToTheLogic)
{
    click({"cmdNext", "optLinkType(0)", "cmdNext"});
    click({"optTask(1)", "chkSummary"});
    QTest::keyClicks(find<QComboBox>("cboResource")->lineEdit(), "Bau");
    QTest::keyClick(find<QComboBox>("cboBusyStatus"), Qt::Key_Home);
    EXPECT_TRUE(form().optTask[1].value && form().chkSummary.value == CheckState::Checked);
    EXPECT_EQ(form().cboResource.text + std::to_string(form().cboBusyStatus.listIndex), "Bau0");
    click({"optTask(0)", "chkSummary", "cmdNext", "cmdTaskNone"});
    auto* list = find<QTreeWidget>("lvwTasks");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->checkState(0), Qt::Unchecked);
    list->topLevelItem(1)->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(!form().lvwTasks.items[0].checked && form().lvwTasks.items[1].checked);
    QTest::keyClick(list, Qt::Key_Return); // Enter on a list page does nothing
    click({"cmdBack", "cmdBack", "optLinkType(1)", "cmdNext"});
    EXPECT_EQ(list->topLevelItemCount(), 0);
    find<QDateEdit>("dtpFrom")->setDate(QDate(2007, 1, 2));
    EXPECT_EQ(form().dtpFrom.value, makeDateTime(2007, 1, 2));
    click({"cmdInfo"});
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(infoClicks, 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(w.registry.writeCount(), 0); // left without saving
}

TEST_F(WizardWindowTest, RunShowsTheProgressAsItGoesAndFertigCloses)
{
    w.host.faults().failOn("HostSwitch"); // a failed step, for the list below the bar
    click({"optSync(1)", "cmdNext"});
    PaintRecorder recorder(find<QProgressBar>("barProgress"), find<QLabel>("lblProgress"));
    click({"cmdFinish"});
    EXPECT_TRUE(window->running());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->running(); }, 10000));
    // Painted as the run went, on the worker's word: every step of both passes.
    EXPECT_EQ(recorder.barValues, (std::vector<int>{50, 275, 500, 725, 950, 1000}));
    EXPECT_EQ(recorder.labelTexts.back(), "Vorgang beendet.");
    EXPECT_FALSE(find("cmdBack")->isVisible());
    EXPECT_TRUE(find<QListWidget>("lstReport")->isVisible());
    EXPECT_EQ(find<QListWidget>("lstReport")->count(), int(form().reportLines.size()));
    EXPECT_EQ(find<QPushButton>("cmdFinish")->text().toStdString(), "Fertig");
    click({"cmdFinish"});
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

// A window destroyed while its run lasts (the program ends) serves the run's last steps and
// waits for it, rather than leaving it waiting for a window that is gone.
TEST_F(WizardWindowTest, DestroyedDuringARunTheWindowLetsTheRunFinish)
{
    click({"optSync(1)", "cmdNext", "cmdFinish"});
    ASSERT_TRUE(window->running());
    window.reset();
    EXPECT_GT(w.registry.writeCount(), 0); // the finished run stored the choices
}

TEST_F(WizardWindowTest, RunWizardTellsFertigFromClosingAndSwitchesTheHostBackOnOnce)
{
    window.reset();
    for (const bool fertig : {false, true}) {
        const int callsBefore = w.host.hostSwitchCalls();
        QTimer::singleShot(0, [&] {
            auto* shown = qobject_cast<WizardWindow*>(QApplication::activeModalWidget());
            ASSERT_NE(shown, nullptr);
            for (const char* name : {"optSync(1)", "cmdNext", "cmdFinish"})
                shown->findChild<QAbstractButton*>(name)->click();
            shown->reject(); // refused while the run lasts
            ASSERT_TRUE(QTest::qWaitFor([&] { return !shown->running(); }, 10000));
            if (fertig)
                shown->findChild<QPushButton*>("cmdFinish")->click();
            else
                shown->reject(); // the window's close button
        });
        EXPECT_EQ(runWizard(w.host, w.launcher, w.settings, {}, &w.messages), fertig ? 1 : 0);
        EXPECT_TRUE(w.host.hostSwitch());
        EXPECT_EQ(w.host.hostSwitchCalls() - callsBefore, 2); // off for the run, on again, not a third time
    }
}

} // namespace
} // namespace zelvant
