#include "forms/qt/QuickSyncWindow.h"

#include "tests/forms/FormsWorld.h"
#include "tests/forms/qt/QtTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace zelvant::testing;

// Where screenshots go, when the environment asks for them.
QString screenshotFolder()
{
    return qEnvironmentVariable("ZELVANT_SCREENSHOTS");
}

class QuickSyncWindowTest : public ::testing::Test {
protected:
    QuickSyncWindowTest() { ensureOffscreenApplication(); }

    // Links one more task, each under a key of its own.
    void linkTask() { w.addLinkedTask("Entwurf", keyNo(++linked)); }

    // A window whose pauses only let it paint, recording their lengths; `ownMessages` gives it
    // its real message boxes.
    std::unique_ptr<QuickSyncWindow> makeWindow(bool ownMessages = false)
    {
        auto fastWait = [this](int ms) {
            waits.push_back(ms);
            if (onWait)
                onWait(ms);
            QuickSyncWindow::waitKeepingPainted(0);
        };
        auto window = std::make_unique<QuickSyncWindow>(QuickSyncInputs{
            w.host, w.launcher, [] { return false; }, ownMessages ? nullptr : &w.messages, fastWait});
        recorder = std::make_unique<PaintRecorder>(bar(*window), label(*window));
        return window;
    }

    static QProgressBar* bar(QuickSyncWindow& window)
    {
        return window.findChild<QProgressBar*>("barProgress");
    }
    static QLabel* label(QuickSyncWindow& window) { return window.findChild<QLabel*>("lblProgress"); }

    // Shows the window and lets it run until it has finished (and, normally, closed).
    static void showAndRun(QuickSyncWindow& window)
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.finished(); }, 10000));
        QApplication::processEvents();
    }

    FormsWorld w;
    MemoryProjectApplication& host = w.host;
    MemoryCalendarLauncher& launcher = w.launcher;
    int linked = 0;
    std::vector<int> waits;
    std::function<void(int)> onWait;
    std::unique_ptr<PaintRecorder> recorder;
};

TEST_F(QuickSyncWindowTest, NothingLinkedAnimatesTheBarThenClosesItself)
{
    host.project()->addTask();
    auto window = makeWindow();
    showAndRun(*window);

    std::vector<int> expected{0}; // the empty window is on screen before the run starts
    for (int p = 5; p <= 98; ++p)
        expected.push_back(p * 10);
    expected.push_back(1000);
    EXPECT_EQ(recorder->barValues, expected);
    EXPECT_EQ(recorder->labelTexts, (std::vector<std::string>{"", "Es gibt nichts zu synchronisieren...",
                                                              "Synchronisieren beendet."}));
    EXPECT_EQ(std::count(waits.begin(), waits.end(), 10), 94);
    EXPECT_EQ(waits.back(), 1000);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(launcher.startCount(), 0);
}

TEST_F(QuickSyncWindowTest, LinkedTasksShowThePassesBetweenTheFixedSteps)
{
    linkTask();
    linkTask();
    auto window = makeWindow();
    showAndRun(*window);

    // 5, the synchronisation pass to 50, the verification pass to 95, then 100 for a second.
    EXPECT_EQ(recorder->barValues, (std::vector<int>{0, 50, 275, 500, 725, 950, 1000}));
    ASSERT_GE(recorder->labelTexts.size(), 4u);
    EXPECT_EQ(recorder->labelTexts[1], "Synchronisieren wird vorbereitet...");
    const auto last = recorder->labelTexts.end();
    EXPECT_EQ(*(last - 2), "Synchronisieren wird abgeschlossen...");
    EXPECT_EQ(*(last - 1), "Synchronisieren beendet.");
    EXPECT_EQ(waits, (std::vector<int>{1000}));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_TRUE(launcher.application()->isQuit()); // started here, so quit again
    EXPECT_TRUE(host.hostSwitch());
}

TEST_F(QuickSyncWindowTest, UnreachableCalendarIsReportedAndTheWindowClosesAtOnce)
{
    linkTask();
    launcher.setStartFails(true);
    auto window = makeWindow();
    showAndRun(*window);

    EXPECT_EQ(w.messages.shown(), std::vector<std::string>{"Zelvant: Outlook konnte nicht gefunden werden!"});
    EXPECT_EQ(recorder->labelTexts, (std::vector<std::string>{"", "Synchronisieren wird vorbereitet..."}));
    EXPECT_TRUE(waits.empty()); // no closing second
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_EQ(host.hostSwitchCalls(), 0);
}

TEST_F(QuickSyncWindowTest, FailuresStayOnScreenUntilConfirmed)
{
    linkTask();
    host.faults().failOn("HostSwitch");
    auto window = makeWindow();
    auto* list = window->findChild<QListWidget*>("lstFailures");
    auto* ok = window->findChild<QPushButton*>("cmdOK");
    EXPECT_FALSE(list->isVisibleTo(window.get()));
    showAndRun(*window);

    ASSERT_TRUE(window->isVisible());
    ASSERT_TRUE(list->isVisible());
    ASSERT_EQ(list->count(), 2); // switching off and on again
    EXPECT_TRUE(list->item(0)->text().contains("Bildschirmaktualisierung ausschalten fehlgeschlagen"));
    EXPECT_TRUE(list->item(1)->text().contains("Bildschirmaktualisierung einschalten fehlgeschlagen"));
    EXPECT_NE(label(*window)->text().toStdString(), "Synchronisieren beendet.");
    EXPECT_TRUE(label(*window)->text().contains("Fehlern"));

    if (!screenshotFolder().isEmpty())
        window->grab().save(QDir(screenshotFolder()).filePath("quicksync-failures.png"));
    ASSERT_TRUE(ok->isVisible());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
}

TEST_F(QuickSyncWindowTest, CannotBeClosedWhileTheRunIsGoing)
{
    host.project()->addTask();
    auto window = makeWindow();
    std::vector<bool> visibleAfterClosing;
    onWait = [&](int ms) {
        if (ms != 10 || !visibleAfterClosing.empty())
            return;
        window->close();
        QTest::keyClick(window.get(), Qt::Key_Escape);
        window->reject();
        visibleAfterClosing.push_back(window->isVisible());
    };
    showAndRun(*window);

    EXPECT_EQ(visibleAfterClosing, std::vector<bool>{true});
    EXPECT_EQ(recorder->barValues.back(), 1000); // the run went on to its end
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

TEST_F(QuickSyncWindowTest, PauseKeepsTheWindowPainted)
{
    QWidget shown;
    auto* probeBar = new QProgressBar(&shown);
    auto* probeLabel = new QLabel(&shown);
    probeLabel->move(0, 40);
    shown.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&shown));
    PaintRecorder paints(probeBar, probeLabel);
    std::size_t paintedAtOnce = 99;
    QTimer::singleShot(0, [&] {
        probeLabel->setText("Pause");
        paintedAtOnce = paints.labelTexts.size();
    });
    QElapsedTimer clock;
    clock.start();
    QuickSyncWindow::waitKeepingPainted(40);

    EXPECT_GE(clock.elapsed(), 38);
    EXPECT_EQ(paintedAtOnce, 0u);                                    // the text was only set...
    EXPECT_EQ(paints.labelTexts, std::vector<std::string>{"Pause"}); // ...and painted in the pause
}

TEST_F(QuickSyncWindowTest, ScreenshotOfTheRunningBar)
{
    if (screenshotFolder().isEmpty())
        GTEST_SKIP() << "set ZELVANT_SCREENSHOTS to a folder to take screenshots";
    host.project()->addTask();
    auto window = makeWindow();
    bool taken = false;
    onWait = [&](int) {
        if (bar(*window)->value() == 500)
            taken = window->grab().save(QDir(screenshotFolder()).filePath("quicksync.png"));
    };
    showAndRun(*window);
    EXPECT_TRUE(taken);
}

// The command line's entry: real pauses and message boxes, an exit status for the shell.
class RunQuickSyncWindowTest : public QuickSyncWindowTest {};

TEST_F(RunQuickSyncWindowTest, RunWithFailuresEndsWithOneAfterTheListWasConfirmed)
{
    linkTask();
    host.faults().failOn("HostSwitch");
    QTimer confirm;
    int listed = 0;
    QObject::connect(&confirm, &QTimer::timeout, [&] {
        auto* window = qobject_cast<QuickSyncWindow*>(QApplication::activeModalWidget());
        if (!window || !window->finished())
            return;
        listed = window->findChild<QListWidget*>("lstFailures")->count();
        window->findChild<QPushButton*>("cmdOK")->click();
    });
    confirm.start(20);
    QuickSyncResult result;
    EXPECT_EQ(runQuickSyncWindow(
                  host, launcher, [] { return false; }, &result),
              1);
    EXPECT_EQ(listed, 2);
    EXPECT_TRUE(result.report.hasFailures());
}

TEST_F(RunQuickSyncWindowTest, UnreachableCalendarIsAWarningBoxAndEndsWithOne)
{
    linkTask();
    launcher.setStartFails(true);
    std::string shown;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        shown = (box->windowTitle() + ": " + box->text()).toStdString();
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        box->button(QMessageBox::Ok)->click();
    });
    answer.start(20);
    QuickSyncResult result;
    EXPECT_EQ(runQuickSyncWindow(
                  host, launcher, [] { return false; }, &result),
              1);
    EXPECT_EQ(shown, "Zelvant: Outlook konnte nicht gefunden werden!");
    EXPECT_FALSE(result.calendarReached);
}

} // namespace
} // namespace zelvant
