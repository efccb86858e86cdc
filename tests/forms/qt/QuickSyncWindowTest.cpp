#include "forms/qt/QuickSyncWindow.h"

#include "tests/forms/FormsWorld.h"
#include "tests/forms/qt/QtTestSupport.h"

#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace zelvant {
namespace {

using namespace zelvant::testing;
using Strings = std::vector<std::string>;
using namespace std::chrono_literals;

class QuickSyncWindowTest : public ::testing::Test {
protected:
    QuickSyncWindowTest() { ensureOffscreenApplication(); }

    // Shows a window whose pauses are only recorded, and runs it to its end.
    std::unique_ptr<QuickSyncWindow> run(FormsWorld& world)
    {
        auto window = std::make_unique<QuickSyncWindow>(
            QuickSyncInputs{world.host, world.launcher, [] { return false; }, &world.messages,
                            [this](int ms) { waits.push_back(ms); }});
        recorder = std::make_unique<PaintRecorder>(window->findChild<QProgressBar*>("barProgress"),
                                                   window->findChild<QLabel*>("lblProgress"));
        window->show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->finished(); }, 10000));
        QApplication::processEvents();
        return window;
    }

    std::vector<int> waits;
    std::unique_ptr<PaintRecorder> recorder;
};

// What the user sees: the bar's values, the label's first and last texts, the pauses, how it closes.
TEST_F(QuickSyncWindowTest, RunsShowTheirStepsAndCloseThemselves)
{
    const Strings ready{"Synchronisieren wird vorbereitet...", "Synchronisieren beendet."};
    // linked tasks, calendar unreachable, bar ({}: not looked at), labels, pauses, result
    const std::vector<std::tuple<int, bool, std::vector<int>, Strings, std::size_t, int>> cases{
        {0, false, {}, {"Es gibt nichts zu synchronisieren...", ready[1]}, 95, QDialog::Accepted},
        {2, false, {0, 50, 275, 500, 725, 950, 1000}, ready, 1, QDialog::Accepted},
        {1, true, {}, {ready[0], ready[0]}, 0, QDialog::Rejected},
    };
    for (const auto& [linked, unreachable, bar, labels, pauses, result] : cases) {
        FormsWorld world;
        world.project.addTask();
        for (int n = 0; n < linked; ++n)
            world.addLinkedTask("Entwurf", n);
        world.launcher.setStartFails(unreachable);
        waits.clear();
        auto window = run(world);
        EXPECT_TRUE(bar.empty() || recorder->barValues == bar) << linked;
        ASSERT_GE(recorder->labelTexts.size(), 2u);
        EXPECT_EQ((Strings{recorder->labelTexts[1], recorder->labelTexts.back()}), labels);
        EXPECT_EQ(waits.size(), pauses);
        EXPECT_EQ(window->isVisible() ? -1 : window->result(), result);
        EXPECT_EQ(world.messages.shown().size(), unreachable ? 1u : 0u);
        EXPECT_EQ(world.launcher.startCount() == 0, linked == 0); // nothing linked: no calendar started
    }
}

// The run leaves the window's thread free: while the run pauses, the window still handles its
// events (here a timer of its thread), which a run on that thread would hold up until the end.
TEST_F(QuickSyncWindowTest, WindowKeepsHandlingEventsWhileTheRunWorks)
{
    FormsWorld world;
    world.addLinkedTask("Entwurf", 1);
    std::atomic<bool> ticked{false};
    std::vector<bool> tickedDuringPause;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ticked = true; });
    QuickSyncWindow window(QuickSyncInputs{world.host, world.launcher, [] { return false; }, &world.messages,
                                           [&](int) {
                                               ticked = false;
                                               const auto until = std::chrono::steady_clock::now() + 2s;
                                               while (!ticked && std::chrono::steady_clock::now() < until)
                                                   std::this_thread::sleep_for(1ms);
                                               tickedDuringPause.push_back(ticked);
                                           }});
    tick.start(5);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.finished(); }, 10000));
    EXPECT_EQ(tickedDuringPause, std::vector<bool>{true});
    EXPECT_EQ(EngineWorld::linkOf(*world.project.tasks().front()).empty(), false);
}

// The command line's entry, with real pauses and message boxes: failures stay listed until OK,
// a missing calendar is a warning box; both end with exit status 1.
TEST_F(QuickSyncWindowTest, RunQuickSyncWindowShowsFailuresOrTheMissingCalendarAndEndsWithOne)
{
    FormsWorld w;
    w.addLinkedTask("Entwurf", 1);
    for (const bool unreachable : {false, true}) {
        w.host.faults().clearFailures();
        if (!unreachable)
            w.host.faults().failOn("HostSwitch");
        w.launcher.setStartFails(unreachable);
        Strings seen;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                seen = {(box->windowTitle() + ": " + box->text()).toStdString()};
                box->button(QMessageBox::Ok)->click();
            } else if (auto* window = qobject_cast<QuickSyncWindow*>(modal); window && window->finished()) {
                auto* list = window->findChild<QListWidget*>("lstFailures");
                for (int row = 0; row < list->count(); ++row)
                    seen.push_back(list->item(row)->text().toStdString());
                seen.push_back(window->findChild<QLabel*>("lblProgress")->text().toStdString());
                window->findChild<QPushButton*>("cmdOK")->click();
            }
        });
        answer.start(20);
        QuickSyncResult result;
        EXPECT_EQ(runQuickSyncWindow(
                      w.host, w.launcher, [] { return false; }, &result),
                  1);
        ASSERT_EQ(seen.size(), unreachable ? 1u : 3u); // switching off and on again failed
        EXPECT_NE(seen.back().find(unreachable ? "Outlook konnte nicht gefunden werden!" : "Fehlern"),
                  std::string::npos);
        EXPECT_EQ(result.calendarReached, !unreachable);
    }
}

} // namespace
} // namespace zelvant
