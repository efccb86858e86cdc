#include "forms/qt/QuickSyncWindow.h"

#include "engine/LinkModel.h"
#include "hosts/calendar/MemoryCalendarLauncher.h"
#include "hosts/project/MemoryProjectApplication.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace zelvant {
namespace {

// One application object for the whole program, on the offscreen platform unless told otherwise.
void ensureApplication()
{
    if (QApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "zelvant_forms_qt_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives until the program ends
}

// Records what the bar and the label showed each time they were painted, leaving out repeats:
// what the user actually saw, in order.
class PaintRecorder : public QObject {
public:
    PaintRecorder(QProgressBar* bar, QLabel* label) : bar_(bar), label_(label)
    {
        bar->installEventFilter(this);
        label->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        if (watched == bar_ && (barValues.empty() || barValues.back() != bar_->value()))
            barValues.push_back(bar_->value());
        if (watched == label_ && (labelTexts.empty() || labelTexts.back() != label_->text().toStdString()))
            labelTexts.push_back(label_->text().toStdString());
        return false;
    }

    std::vector<int> barValues; // in tenths of a percent
    std::vector<std::string> labelTexts;

private:
    QProgressBar* bar_;
    QLabel* label_;
};

class FakeMessages : public MessageSink {
public:
    void warning(const std::string& text, const std::string& title) override
    {
        shown.push_back(title + ": " + text);
    }
    void information(const std::string& text, const std::string& title) override
    {
        shown.push_back(title + ": " + text);
    }
    bool askYesNo(const std::string&, const std::string&) override { return true; }

    std::vector<std::string> shown;
};

// Where screenshots go, when the environment asks for them.
QString screenshotFolder()
{
    return qEnvironmentVariable("ZELVANT_SCREENSHOTS");
}

class QuickSyncWindowTest : public ::testing::Test {
protected:
    QuickSyncWindowTest() : host(std::make_unique<MemoryProject>("Plan", makeDateTime(2024, 3, 4, 8)))
    {
        ensureApplication();
    }

    void linkTask()
    {
        MemoryTask& task = host.project()->addTask();
        task.setName("Entwurf");
        const std::string value =
            link::build(0, "123456789202403011000", task.start(), task.finish(), "Entwurf");
        task.setField(kText29, value);
        launcher.calendar().addItem({.start = task.start(),
                                     .end = task.finish(),
                                     .subject = "Entwurf",
                                     .userProperties = {{kLinkProperty, value}}});
    }

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
            host, launcher, [] { return false; }, ownMessages ? nullptr : &messages, fastWait});
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

    MemoryProjectApplication host;
    MemoryCalendarLauncher launcher;
    FakeMessages messages;
    std::vector<int> waits;
    std::function<void(int)> onWait;
    std::unique_ptr<PaintRecorder> recorder;
};

TEST_F(QuickSyncWindowTest, ShowsItsCaptionAndAnEmptyBarBeforeTheRun)
{
    auto window = makeWindow();
    EXPECT_EQ(window->windowTitle().toStdString(), "Synchronisierung");
    EXPECT_EQ(bar(*window)->value(), 0);
    EXPECT_FALSE(window->finished());
}

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

    EXPECT_EQ(messages.shown, (std::vector<std::string>{"Zelvant: Outlook konnte nicht gefunden werden!"}));
    EXPECT_EQ(recorder->labelTexts, (std::vector<std::string>{"", "Synchronisieren wird vorbereitet..."}));
    EXPECT_TRUE(waits.empty()); // no closing second
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_EQ(host.hostSwitchCalls(), 0);
}

TEST_F(QuickSyncWindowTest, UnreachableCalendarMessageIsAWarningBoxOverTheWindow)
{
    linkTask();
    launcher.setStartFails(true);
    auto window = makeWindow(true);
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    answer.start(20);
    showAndRun(*window);

    EXPECT_EQ(text.toStdString(), "Outlook konnte nicht gefunden werden!");
    EXPECT_EQ(title.toStdString(), "Zelvant");
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_FALSE(window->isVisible());
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

TEST_F(RunQuickSyncWindowTest, CleanRunEndsWithZero)
{
    linkTask();
    QuickSyncResult result;
    EXPECT_EQ(runQuickSyncWindow(
                  host, launcher, [] { return false; }, &result),
              0);
    EXPECT_EQ(result.linkedTasks, 1);
    EXPECT_FALSE(result.report.hasFailures());
}

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

TEST_F(RunQuickSyncWindowTest, UnreachableCalendarEndsWithOne)
{
    linkTask();
    launcher.setStartFails(true);
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Ok)->click();
    });
    answer.start(20);
    QuickSyncResult result;
    EXPECT_EQ(runQuickSyncWindow(
                  host, launcher, [] { return false; }, &result),
              1);
    EXPECT_FALSE(result.calendarReached);
}

} // namespace
} // namespace zelvant
