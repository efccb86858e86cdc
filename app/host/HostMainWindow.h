#pragma once

#include "app/host/AddinManager.h"
#include "app/host/CommandBarView.h"
#include "app/host/GanttView.h"
#include "app/host/PlanHost.h"
#include "app/host/QtAddinWindows.h"
#include "app/host/ShellApplication.h"
#include "engine/LinkKeys.h"
#include "forms/qt/QtMessageSink.h"
#include "hostapi/Registry.h"
#include "hostapi/Shell.h"
#include "hosts/commandbars/CommandBarModel.h"
#include "hosts/common/UndoJournal.h"

#include <QMainWindow>

#include <filesystem>
#include <memory>

class QLabel;
class QSplitter;
class QTableWidget;

namespace zelvant {

// What the host shell works with.
struct HostSetup {
    Registry& registry;                   // settings and the add-in list
    std::filesystem::path commandBarFile; // where the menus and toolbars are kept between runs
    Shell& shell;                         // opens web addresses
    // Message boxes of the host and the add-in; Qt boxes over the window when not given.
    MessageSink* messages = nullptr;
    // The quick synchronisation's pause; the window's own when empty.
    std::function<void(int)> wait = {};
    // Where the last run of the add-in is kept so that Bearbeiten > Letzten Zelvant-Lauf
    // rückgängig machen can take it back; the same folder the command line uses. Empty: runs
    // are not kept, and there is nothing to take back.
    std::filesystem::path journalFolder = {};
    // Today for the chart's line and the start of new plans, and the time the add-in sees; the
    // machine's clock when not given.
    const Clock* clock = nullptr;
};

// The desktop host "zelvant-host": a plan in a table (Nr., Name, Anfang, Ende, Dauer, Text29)
// whose selected rows are the active selection, beside it the plan as a bar chart, menus and
// toolbars drawn from the command bars, and the add-ins connected through the add-in manager.
class HostMainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit HostMainWindow(HostSetup setup, QWidget* parent = nullptr);
    ~HostMainWindow() override;

    // Loads the menus and toolbars, then connects the add-ins registered to load at start.
    void start();
    // Opens a plan file; a failure is shown and gives false.
    bool openPlan(const std::filesystem::path& path);
    // Opens a new plan without a file.
    void newPlan();
    // Writes the menus and toolbars to their file; a failure is shown.
    void saveBars();
    // Puts the plan and the calendar back as they were before the last run of Zelvant, after
    // asking, and shows the plan as it is then; a refusal or failure is shown.
    void undoLastRun();

    // The plan application add-ins see.
    PlanHost& plan() { return plan_; }
    // The menus and toolbars.
    CommandBarModel& commandBars() { return bars_; }
    // How the menus and toolbars are drawn.
    CommandBarView& barView() { return *view_; }
    // The add-in manager.
    AddinManager& addins() { return *manager_; }
    // The add-in's windows.
    QtAddinWindows& addinWindows() { return windows_; }
    // The table of tasks.
    QTableWidget& table() { return *table_; }
    // The bar chart beside the table.
    GanttView& chart() { return *chart_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void runHostCommand(CommandBarControl& control);
    void openPlanDialog();
    void savePlan();
    void chooseCalendar();
    void manageAddins();
    bool confirmDiscard();
    void shutdown();

    void beginRun(const std::filesystem::path& calendar);
    void endRun();

    void followHostSwitch(bool on);
    void refreshTable();
    void updateSelection();
    void updateTitle();

    HostSetup setup_;
    QtMessageSink boxes_;
    MessageSink& messages_;
    SystemClock systemClock_;
    const Clock& clock_;
    PlanHost plan_;
    CommandBarModel bars_;
    ShellApplication application_;
    QtAddinWindows windows_;
    std::unique_ptr<AddinManager> manager_; // after everything its add-ins use, so it goes first
    QSplitter* splitter_;
    QTableWidget* table_;
    GanttView* chart_;
    QLabel* status_;
    std::unique_ptr<CommandBarView> view_;
    // The add-in's run under way: from its window's opening to the plan save after it closed.
    std::unique_ptr<UndoJournal::Run> run_;
    bool runWindowClosed_ = false;
    bool shutDown_ = false;
};

} // namespace zelvant
