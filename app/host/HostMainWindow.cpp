#include "app/host/HostMainWindow.h"

#include "addin/Registration.h"
#include "app/host/AddinManagerDialog.h"
#include "app/host/CalendarDialog.h"
#include "app/host/HostBars.h"
#include "engine/LinkModel.h"
#include "forms/qt/WorkerRun.h"
#include "hosts/commandbars/CommandBarFile.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QSet>
#include <QSplitter>
#include <QStatusBar>
#include <QTableWidget>

#include <cmath>

namespace zelvant {

namespace {

const char* const kHostTitle = "zelvant-host";

enum Column {
    kColumnId,
    kColumnName,
    kColumnStart,
    kColumnFinish,
    kColumnDuration,
    kColumnLink,
    kColumnCount
};

// "3 Tage", "1 Tag", "0,5 Tage": working time in the plan's days.
QString durationText(Minutes duration, int minutesPerDay)
{
    const double days = double(duration.count()) / double(minutesPerDay);
    QString number = QString::number(std::round(days * 100) / 100, 'f', 2);
    while (number.endsWith('0'))
        number.chop(1);
    if (number.endsWith('.'))
        number.chop(1);
    number.replace('.', ',');
    return number + (number == "1" ? " Tag" : " Tage");
}

QTableWidgetItem* cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

QString qtext(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

HostMainWindow::HostMainWindow(HostSetup setup, QWidget* parent)
    : QMainWindow(parent), setup_(std::move(setup)), boxes_(this),
      messages_(setup_.messages ? *setup_.messages : boxes_),
      clock_(setup_.clock ? *setup_.clock : systemClock_), application_(bars_, plan_),
      windows_(plan_, setup_.registry, setup_.shell,
               {setup_.messages, setup_.wait,
                [this](const std::filesystem::path& calendar) { beginRun(calendar); },
                [this] { runWindowClosed_ = true; },
                [this](const CalDavCalendar::Written& written) {
                    if (run_)
                        run_->recordRemote(written.url, written.before, written.tag);
                }})
{
    const ConnectServices services{setup_.registry, messages_, windows_, clock_};
    Registry& registry = setup_.registry;
    manager_ = std::make_unique<AddinManager>(
        registry, application_, addinClasses(),
        [&registry, services](const std::string& progId) { return createAddin(registry, progId, services); });

    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName("splitPlan");
    splitter_->setChildrenCollapsible(false);
    table_ = new QTableWidget(0, kColumnCount, splitter_);
    table_->setObjectName("tblTasks");
    table_->setHorizontalHeaderLabels({"Nr.", "Name", "Anfang", "Ende", "Dauer", "Text29"});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 8);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setColumnWidth(kColumnId, 44);
    table_->setColumnWidth(kColumnName, 250);
    table_->setColumnWidth(kColumnStart, 120);
    table_->setColumnWidth(kColumnFinish, 120);
    table_->setColumnWidth(kColumnDuration, 80);
    // The chart's time scale stands beside this header and needs two lines: weeks over days.
    table_->horizontalHeader()->setMinimumHeight(2 * table_->fontMetrics().height() + 8);
    chart_ = new GanttView(splitter_);
    chart_->setObjectName("ganttChart");
    chart_->follow(*table_);
    splitter_->addWidget(table_);
    splitter_->addWidget(chart_);
    splitter_->setStretchFactor(1, 1); // a wider window gives the chart more time, not the table
    splitter_->setSizes({700, 560});
    setCentralWidget(splitter_);
    connect(table_, &QTableWidget::itemSelectionChanged, this, &HostMainWindow::updateSelection);

    status_ = new QLabel;
    statusBar()->addWidget(status_, 1);
    setContextMenuPolicy(
        Qt::NoContextMenu); // the bars are the add-ins' and the host's, not the user's to hide

    // A run on a window's worker thread switches the host too; the table follows on its own thread.
    plan_.setSwitchListener([this](bool on) { onWindowThread(this, [&] { followHostSwitch(on); }); });
    // The add-in saves the plan right after its window closed: that save ends the run.
    plan_.setSaveListener([this] {
        if (run_ && runWindowClosed_)
            endRun();
    });
    // After a run whose calendar side failed, the add-in's save would make the plan disagree
    // with the calendar: nothing is written, and the user learns why.
    plan_.setSaveGuard([this] {
        const std::optional<std::string> refusal = windows_.takeSaveRefusal();
        if (!refusal)
            return true;
        messages_.warning(*refusal, kHostTitle);
        status_->setText("Der Plan wurde nach der fehlgeschlagenen Synchronisierung nicht gespeichert.");
        return false;
    });
    bars_.setDefaultAction([this](CommandBarControl& control) { runHostCommand(control); });
    view_ = std::make_unique<CommandBarView>(bars_, *this);
    resize(1260, 560);
    refreshTable();
}

HostMainWindow::~HostMainWindow()
{
    shutdown();
    bars_.setDefaultAction({});
    plan_.setSwitchListener({});
    plan_.setSaveListener({});
    plan_.setSaveGuard({});
}

// Start and end -------------------------------------------------------------------------------------

void HostMainWindow::start()
{
    try {
        if (const auto stored = CommandBarFile::load(setup_.commandBarFile))
            bars_.restore(*stored);
    } catch (const std::exception& error) {
        messages_.warning(
            std::string("Die Men\u00FCs und Symbolleisten konnten nicht gelesen werden; es gelten "
                        "die Standardleisten.\n") +
                error.what(),
            kHostTitle);
    }
    hostbars::addMissingBars(bars_);
    manager_->startup();
    view_->rebuild();
}

void HostMainWindow::closeEvent(QCloseEvent* event)
{
    if (!shutDown_ && !confirmDiscard()) {
        event->ignore();
        return;
    }
    shutdown();
    event->accept();
}

void HostMainWindow::shutdown()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    manager_->shutdown();
    endRun();
    saveBars();
}

void HostMainWindow::saveBars()
{
    try {
        CommandBarFile::save(setup_.commandBarFile, bars_.state());
    } catch (const std::exception& error) {
        messages_.warning(
            std::string("Die Men\u00FCs und Symbolleisten konnten nicht gespeichert werden.\n") +
                error.what(),
            kHostTitle);
    }
}

// The host's own commands ---------------------------------------------------------------------------

void HostMainWindow::runHostCommand(CommandBarControl& control)
{
    switch (control.id()) {
    case hostbars::kFileNew:
        newPlan();
        return;
    case hostbars::kFileOpen:
        openPlanDialog();
        return;
    case hostbars::kFileSave:
        savePlan();
        return;
    case hostbars::kFileExit:
        close();
        return;
    case hostbars::kUndoLastRun:
        undoLastRun();
        return;
    case hostbars::kDefaultCalendar:
        chooseCalendar();
        return;
    case hostbars::kComAddins:
        manageAddins();
        return;
    default:
        break;
    }
    // A control of an add-in that is not loaded: nothing answers its click.
    const std::string action = control.onAction();
    if (action.size() > 3 && action.rfind("!<", 0) == 0 &&
        !addins().connected(action.substr(2, action.size() - 3)))
        status_->setText(QString("Das Add-In %1 ist nicht geladen (Extras > COM-Add-Ins...).")
                             .arg(qtext(action.substr(2, action.size() - 3))));
}

bool HostMainWindow::openPlan(const std::filesystem::path& path)
{
    endRun();
    try {
        plan_.openFile(path);
    } catch (const std::exception& error) {
        messages_.warning(error.what(), kHostTitle);
        return false;
    }
    refreshTable();
    return true;
}

void HostMainWindow::newPlan()
{
    if (!confirmDiscard())
        return;
    endRun();
    plan_.newPlan("Projekt1", DateTime{dateOf(clock_.now())} + std::chrono::hours(8));
    refreshTable();
}

void HostMainWindow::openPlanDialog()
{
    if (!confirmDiscard())
        return;
    const QString chosen = QFileDialog::getOpenFileName(this, "Plan \u00F6ffnen", {},
                                                        "Projektpl\u00E4ne (*.xml);;Alle Dateien (*)");
    if (!chosen.isEmpty())
        openPlan(chosen.toStdString());
}

void HostMainWindow::savePlan()
{
    try {
        plan_.fileSave();
    } catch (const std::exception& error) {
        messages_.warning(error.what(), kHostTitle);
    }
    updateTitle();
}

void HostMainWindow::chooseCalendar()
{
    CalendarDialog dialog(setup_.registry, this);
    dialog.exec();
}

void HostMainWindow::manageAddins()
{
    AddinManagerDialog dialog(*manager_, messages_, this);
    if (dialog.exec() == QDialog::Accepted)
        saveBars();
}

// The last run -------------------------------------------------------------------------------------

namespace {

std::filesystem::path comparable(const std::filesystem::path& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return (error ? path : absolute).lexically_normal();
}

} // namespace

void HostMainWindow::beginRun(const std::filesystem::path& calendar)
{
    endRun();
    const auto plan = plan_.file();
    if (setup_.journalFolder.empty() || !plan)
        return;
    run_ = std::make_unique<UndoJournal::Run>(setup_.journalFolder,
                                              std::vector<std::filesystem::path>{*plan, calendar});
    runWindowClosed_ = false;
}

void HostMainWindow::endRun()
{
    if (!run_)
        return;
    const std::unique_ptr<UndoJournal::Run> run = std::move(run_);
    if (run->problem())
        messages_.warning("Dieser Lauf kann nicht r\u00FCckg\u00E4ngig gemacht werden.\n" + *run->problem(),
                          kHostTitle);
}

void HostMainWindow::undoLastRun()
{
    endRun();
    if (setup_.journalFolder.empty()) {
        messages_.information("Es gibt keinen Zelvant-Lauf, der r\u00FCckg\u00E4ngig gemacht werden kann.",
                              kHostTitle);
        return;
    }
    UndoJournal journal(setup_.journalFolder);
    CalDavResources server({}); // for the events a run wrote on a calendar server
    std::vector<UndoJournal::File> files;
    try {
        files = journal.files();
        journal.check(&server); // no question whose "Ja" would be refused
    } catch (const std::exception& error) {
        messages_.warning(error.what(), kHostTitle);
        return;
    }
    if (files.empty()) {
        messages_.information("Es gibt keinen Zelvant-Lauf, der r\u00FCckg\u00E4ngig gemacht werden kann.",
                              kHostTitle);
        return;
    }
    // The open plan is shown anew when the undo puts its file back.
    const auto open = plan_.file();
    bool reload = false;
    std::string question =
        "Den letzten Zelvant-Lauf r\u00FCckg\u00E4ngig machen? Diese Dateien bekommen ihren Stand "
        "vor dem Lauf zur\u00FCck:";
    for (const UndoJournal::File& file : files) {
        question += "\n" + file.path.string();
        reload = reload || (open && comparable(*open) == comparable(file.path));
    }
    if (reload && plan_.project() && !plan_.project()->saved())
        question += "\n\nUngespeicherte \u00C4nderungen am ge\u00F6ffneten Plan gehen dabei verloren.";
    if (!messages_.askYesNo(question, kHostTitle))
        return;
    try {
        journal.undo(&server);
    } catch (const std::exception& error) {
        messages_.warning(error.what(), kHostTitle);
        return;
    }
    if (reload && !openPlan(*open))
        return;
    status_->setText("Der letzte Zelvant-Lauf ist r\u00FCckg\u00E4ngig gemacht.");
}

// Asks before a plan with unsaved changes goes; true when it may go.
bool HostMainWindow::confirmDiscard()
{
    MemoryProject* project = plan_.project();
    if (!project || project->saved() || !plan_.file())
        return true;
    if (!messages_.askYesNo("\u00C4nderungen an \u201E" + project->name() + "\u201C speichern?", kHostTitle))
        return true;
    try {
        plan_.fileSave();
        return true;
    } catch (const std::exception& error) {
        messages_.warning(error.what(), kHostTitle);
        return false;
    }
}

// The table -----------------------------------------------------------------------------------------

void HostMainWindow::followHostSwitch(bool on)
{
    // While the switch is off the plan changes without being drawn; switched on, it is drawn anew.
    if (on)
        refreshTable();
    table_->setUpdatesEnabled(on);
    chart_->setUpdatesEnabled(on);
}

void HostMainWindow::refreshTable()
{
    QSet<int> selected;
    for (const QModelIndex& row : table_->selectionModel()->selectedRows())
        selected.insert(table_->item(row.row(), kColumnId)->data(Qt::UserRole).toInt());

    const QSignalBlocker quiet(table_);
    table_->clearSelection();
    table_->setRowCount(0);
    // The chart's rows come from the same loop as the table's, so row i is the same task in both.
    std::vector<GanttRow> chartRows;
    if (MemoryProject* project = plan_.project()) {
        for (Task* task : project->tasks()) {
            chartRows.push_back(ganttRow(*task));
            const int row = table_->rowCount();
            table_->insertRow(row);
            auto* id = cell(QString::number(task->id()));
            id->setData(Qt::UserRole, task->id());
            id->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, kColumnId, id);
            const auto* memoryTask = dynamic_cast<const MemoryTask*>(task);
            const int level = memoryTask ? memoryTask->outlineLevel() : 1;
            auto* name = cell(QString(qsizetype(4) * (level - 1), ' ') + qtext(task->name()));
            if (task->isSummary()) {
                QFont bold = name->font();
                bold.setBold(true);
                name->setFont(bold);
            }
            table_->setItem(row, kColumnName, name);
            table_->setItem(row, kColumnStart, cell(qtext(formatGerman(task->start()))));
            table_->setItem(row, kColumnFinish, cell(qtext(formatGerman(task->finish()))));
            table_->setItem(row, kColumnDuration,
                            cell(durationText(task->duration(), project->minutesPerDay())));
            table_->setItem(row, kColumnLink, cell(qtext(task->getField(kText29))));
            if (selected.contains(task->id()))
                table_->selectionModel()->select(table_->model()->index(row, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    chart_->setRows(std::move(chartRows), clock_.now());
    updateSelection();
    updateTitle();
}

void HostMainWindow::updateSelection()
{
    std::vector<int> ids;
    for (const QModelIndex& row : table_->selectionModel()->selectedRows())
        ids.push_back(table_->item(row.row(), kColumnId)->data(Qt::UserRole).toInt());
    std::sort(ids.begin(), ids.end());
    plan_.select(std::move(ids));
}

void HostMainWindow::updateTitle()
{
    MemoryProject* project = plan_.project();
    if (!project) {
        setWindowTitle(kHostTitle);
        status_->setText("Kein Plan ge\u00F6ffnet.");
        return;
    }
    setWindowTitle(
        QString("%1%2 - %3").arg(qtext(project->name()), project->saved() ? "" : " *", kHostTitle));
    const auto file = plan_.file();
    status_->setText(file ? qtext(file->string())
                          : "Neuer Plan ohne Datei: er kann nicht gespeichert werden.");
}

} // namespace zelvant
