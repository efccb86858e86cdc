#pragma once

#include "engine/Progress.h"
#include "forms/QuickSync.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace zelvant {

// What the quick synchronisation window works on. Messages and the pause are the window's own
// (a message box, a pause that keeps the window painted) unless a caller hands in others.
struct QuickSyncInputs {
    ProjectApplication& host;
    CalendarLauncher& launcher;
    // Whether appointments deleted in the calendar are made again; the stored "CreateDeletedApps".
    std::function<bool()> recreateDeleted;
    MessageSink* messages = nullptr;
    std::function<void(int)> wait = {};
};

// The window "Synchronisierung": a progress bar and a label. The run starts by itself as soon
// as the window is shown, on a worker thread so the window stays responsive, and the window
// closes itself at the end. Plan and calendar must not be used by anyone else meanwhile: the
// window is modal, and the host's own reactions (its host switch) come over to its thread. When anything
// failed the window stays open with the list of failures and an OK button, so such a run is never taken for a
// clean one.
class QuickSyncWindow : public QDialog, private ProgressSink {
    Q_OBJECT

public:
    explicit QuickSyncWindow(QuickSyncInputs inputs, QWidget* parent = nullptr);
    ~QuickSyncWindow() override;

    // How the run ended; meaningful once the window has closed or shows its failures.
    const QuickSyncResult& runResult() const { return result_; }
    // Whether the run has finished.
    bool finished() const { return finished_; }

    // Closes the window like Esc, but only once the run has finished.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showProgress(double percent, const std::string& text) override;
    void start();
    void run();
    void endRun(QuickSyncResult result);
    void showFailures();
    void fitFailureList();

    QuickSyncInputs inputs_;
    std::unique_ptr<MessageSink> ownMessages_;
    QProgressBar* barProgress_;
    QLabel* lblProgress_;
    QListWidget* lstFailures_;
    QPushButton* cmdOK_;
    QuickSyncResult result_;
    bool started_ = false;
    bool finished_ = false;
    std::thread worker_;
    std::atomic<bool> workerDone_{true};
};

// Shows the quick synchronisation window modally over the plan and calendar and returns when it
// has closed: 0 after a clean run, 1 when the calendar could not be reached or anything failed.
// Creates the application object when there is none yet. `result` receives the run's outcome.
int runQuickSyncWindow(ProjectApplication& host, CalendarLauncher& launcher,
                       std::function<bool()> recreateDeleted, QuickSyncResult* result = nullptr);

} // namespace zelvant
