// The host shell end to end on Qt's offscreen platform: the real main window over copies of the
// bundled example, the registry and the command bars in files, the add-in connected as at a user's
// start, message boxes answered by the test. The add-in itself in a host of fakes: tests/addin.

#include "app/host/HostMainWindow.h"

#include "addin/Connect.h"
#include "addin/Registration.h"
#include "app/cli/Commands.h"
#include "app/cli/Session.h"
#include "app/host/HostBars.h"
#include "forms/qt/EnsureApplication.h"
#include "forms/qt/QuickSyncWindow.h"
#include "hosts/commandbars/CommandBarFile.h"
#include "hosts/common/FileStore.h"
#include "hosts/projectfile/ProjectFile.h"
#include "hosts/registry/FileRegistry.h"
#include "services/Settings.h"
#include "tests/services/RecordingMessages.h"
#include "tests/support/FixedClock.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace zelvant {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

struct NoShell : Shell {
    void open(const std::string&) override {}
};

// Closes the quick synchronisation's window when it stayed open after its run, and notes that.
class ModalWatcher {
public:
    ModalWatcher()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { look(); });
        timer_.start(10);
    }
    Strings seen;

private:
    void look()
    {
        auto* quick = qobject_cast<QuickSyncWindow*>(QApplication::activeModalWidget());
        if (quick && quick != last_ && quick->finished()) {
            last_ = quick;
            seen.push_back("quicksync stayed open");
            quick->reject();
        }
    }
    QTimer timer_;
    QWidget* last_ = nullptr;
};

class HostShellTest : public ::testing::Test {
protected:
    HostShellTest()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static QApplication* application = ensureApplication().release(); // lives until the program ends
        (void)application;
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::copy_file(fs::path(ZELVANT_EXAMPLES) / "Umzug.xml", plan());
        fs::copy_file(fs::path(ZELVANT_EXAMPLES) / "Kalender.ics", calendar());
        EXPECT_TRUE(setDefaultCalendarPath(registry, calendar()));
    }
    ~HostShellTest() override
    {
        cli::Session::journalRunsIn({}, std::cerr);
        window.reset();
        fs::remove_all(dir);
    }

    fs::path plan() const { return dir / "Umzug.xml"; }
    fs::path calendar() const { return dir / "Kalender.ics"; }
    fs::path barsFile() const { return dir / "commandbars.txt"; }
    fs::path journal() const { return dir / "journal"; }

    // Starts the host anew; one running before is closed as the user would.
    HostMainWindow& startHost(const Clock* clock = nullptr)
    {
        if (window)
            window->close();
        window.reset();
        HostSetup setup{registry, barsFile(), shell, &messages, [](int) {}};
        setup.journalFolder = journal();
        setup.clock = clock;
        window = std::make_unique<HostMainWindow>(setup);
        EXPECT_TRUE(window->openPlan(plan()));
        window->show();
        window->start();
        QApplication::processEvents();
        return *window;
    }

    QAction* action(const std::string& bar, const std::string& tag)
    {
        return window->barView().action(bar, tag);
    }

    // The entries of a drawn menu, separators as "|".
    Strings entries(const std::string& menu)
    {
        Strings texts;
        for (QAction* entry : window->barView().menu(menu)->actions())
            texts.push_back(entry->isSeparator() ? "|" : entry->text().toStdString());
        return texts;
    }

    // Links tasks 4 and 5 of the plan with new appointments, the way `zelvant link-tasks` does,
    // journal included when `journaled`.
    void linkTasks(bool journaled = false)
    {
        std::ostringstream out, err;
        cli::Session::journalRunsIn(journaled ? journal() : fs::path{}, err);
        cli::CommandOptions options;
        options.project = plan();
        options.calendar = calendar();
        options.quiet = true;
        options.taskIds = {4, 5};
        cli::CommandContext context{registry, out, err};
        ASSERT_EQ(cli::runLinkTasks(options, context), cli::kDone) << err.str();
        cli::Session::journalRunsIn({}, std::cerr);
    }

    // Moves the appointment of task 4 ("Angebote einholen", 13.-15.01.2027) in the calendar, as
    // the user would: a day later at the start, three at the end.
    void moveAppointment()
    {
        std::string text = readWholeFile(calendar());
        for (const auto& [from, to] :
             {std::pair{"DTSTART;TZID=Europe/Berlin:20270113", "DTSTART;TZID=Europe/Berlin:20270114"},
              std::pair{"DTEND;TZID=Europe/Berlin:20270115", "DTEND;TZID=Europe/Berlin:20270118"}}) {
            const auto at = text.find(from);
            ASSERT_NE(at, std::string::npos) << text;
            text.replace(at, std::string(from).size(), to);
        }
        std::ofstream(calendar(), std::ios::binary | std::ios::trunc) << text;
    }

    std::string shownStart(int row) { return window->table().item(row, 2)->text().toStdString(); }

    Strings shown(const std::string& kind) const
    {
        Strings texts;
        for (const auto& message : messages.messages)
            if (message.kind == kind)
                texts.push_back(message.text);
        return texts;
    }

    QAction* undoEntry()
    {
        QMenu* edit = window->barView().menu("Edit");
        for (QAction* entry : edit ? edit->actions() : QList<QAction*>{})
            if (entry->text().toStdString() == "Letzten Zelvant-Lauf &r\u00FCckg\u00E4ngig machen")
                return entry;
        return nullptr;
    }

    fs::path dir =
        fs::temp_directory_path() / ("zelvant-host-" + std::to_string(::getpid()) + "-" +
                                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    FileRegistry registry{dir / "registry.txt"};
    NoShell shell;
    RecordingMessages messages;
    std::unique_ptr<HostMainWindow> window;
};

// Registered by the command line, the add-in is connected at the host's start and puts its
// toolbar and its entry before the host's add-in manager, in a group of its own; taken out
// again, the host has only its own bars.
TEST_F(HostShellTest, CommandLineRegistrationIsWhatTheHostLoads)
{
    const auto run = [this](const char* command) {
        const std::string line = "ZELVANT_REGISTRY_FILE='" + (dir / "registry.txt").string() + "' '" +
                                 ZELVANT_BINARY + "' " + command + " > /dev/null";
        const int status = std::system(line.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    ASSERT_EQ(run("register"), 0);
    startHost();
    ASSERT_NE(action("Zelvant", kSyncButtonTag), nullptr);
    EXPECT_EQ(action("Zelvant", kSyncButtonTag)->text().toStdString(), "&Synchronisieren");
    EXPECT_EQ(entries("Tools"),
              (Strings{"&Standardkalender...", "|", "&Zelvant Assistent", "|", "COM-&Add-Ins..."}));
    EXPECT_TRUE(messages.messages.empty());

    ASSERT_EQ(run("unregister"), 0);
    window.reset();
    fs::remove(barsFile());
    startHost();
    EXPECT_TRUE(window->addins().addins().empty());
    EXPECT_EQ(window->barView().toolbar("Zelvant"), nullptr);
    EXPECT_EQ(entries("Tools"), (Strings{"&Standardkalender...", "|", "COM-&Add-Ins..."}));
}

// "Synchronisieren" carries the moved appointment into the saved plan and the table; the menu
// entry "Letzten Zelvant-Lauf rückgängig machen" takes that run back, once.
TEST_F(HostShellTest, QuickSynchronisationAndItsUndo)
{
    linkTasks();
    moveAppointment();
    const std::string planBefore = readWholeFile(plan()), calendarBefore = readWholeFile(calendar());
    DllRegisterServer(registry);
    startHost();
    ASSERT_EQ(shownStart(3), "13.01.2027 08:00");

    ModalWatcher watcher;
    action("Zelvant", kSyncButtonTag)->trigger();
    ASSERT_TRUE(window->addinWindows().lastQuickSync().has_value()) << "the window never ran";
    EXPECT_EQ(window->addinWindows().lastQuickSync()->linkedTasks, 2);
    EXPECT_TRUE(watcher.seen.empty()) << "a clean run closes its window by itself";
    EXPECT_EQ(shown("question"), Strings{kSavePromptText});
    EXPECT_EQ(formatGerman(ProjectFile::load(plan())->project().taskById(4).start()), "14.01.2027 08:00");
    EXPECT_TRUE(window->plan().project()->saved());
    EXPECT_EQ(shownStart(3), "14.01.2027 08:00") << "the table shows the plan as the run left it";

    messages.messages.clear();
    ASSERT_NE(undoEntry(), nullptr);
    undoEntry()->trigger();
    EXPECT_EQ(readWholeFile(plan()), planBefore);
    EXPECT_EQ(readWholeFile(calendar()), calendarBefore);
    EXPECT_EQ(shownStart(3), "13.01.2027 08:00");
    EXPECT_NE(shown("question").at(0).find(plan().string()), std::string::npos);
    undoEntry()->trigger();
    EXPECT_EQ(messages.messages.back().text,
              "Es gibt keinen Zelvant-Lauf, der r\u00FCckg\u00E4ngig gemacht werden kann.");
}

// The user's files are sacred: when the calendar cannot be written, the plan is not saved either,
// the window stays open with the failure, and the user's own save afterwards writes.
TEST_F(HostShellTest, PlanIsNotSavedWhenTheCalendarCouldNotBeWritten)
{
    linkTasks();
    moveAppointment();
    fs::remove(calendar().string() + ".bak");
    fs::create_directories(calendar().string() + ".bak/inhalt"); // where the calendar's backup goes
    const std::string planBefore = readWholeFile(plan()), calendarBefore = readWholeFile(calendar());
    DllRegisterServer(registry);
    startHost();

    ModalWatcher watcher;
    action("Zelvant", kSyncButtonTag)->trigger();
    ASSERT_TRUE(window->addinWindows().lastQuickSync().has_value()) << "the window never ran";
    EXPECT_EQ(watcher.seen, Strings{"quicksync stayed open"});
    EXPECT_EQ(readWholeFile(calendar()), calendarBefore);
    EXPECT_EQ(readWholeFile(plan()), planBefore);
    ASSERT_EQ(shown("warning").size(), 1u);
    EXPECT_EQ(shown("warning")[0].rfind("Der Plan wurde nicht gespeichert: ", 0), 0u) << shown("warning")[0];
    EXPECT_NE(shown("warning")[0].find("Kalender schlie\u00DFen: "), std::string::npos)
        << shown("warning")[0];
    window->plan().fileSave();
    EXPECT_TRUE(window->plan().project()->saved());
}

// The command line's last run, taken back in the host: refused while the calendar holds a change
// made after it, nothing written when answered "Nein", and the table shows the plan unlinked.
TEST_F(HostShellTest, TheCommandLinesRunIsTakenBackOnlyWhenNothingChangedSince)
{
    const std::string planBefore = readWholeFile(plan()), calendarBefore = readWholeFile(calendar());
    linkTasks(true);
    const std::string planLinked = readWholeFile(plan()), calendarLinked = readWholeFile(calendar());
    moveAppointment();
    const std::string calendarMoved = readWholeFile(calendar());
    startHost();
    ASSERT_NE(undoEntry(), nullptr);
    undoEntry()->trigger();
    ASSERT_EQ(shown("warning").size(), 1u) << "no question when the answer cannot be carried out";
    EXPECT_TRUE(shown("question").empty());
    EXPECT_NE(shown("warning")[0].find(calendar().string() + ": Die Datei wurde nach dem letzten Lauf"),
              std::string::npos);
    EXPECT_EQ(readWholeFile(plan()), planLinked);
    EXPECT_EQ(readWholeFile(calendar()), calendarMoved);

    std::ofstream(calendar(), std::ios::binary | std::ios::trunc) << calendarLinked;
    messages.answer = false;
    undoEntry()->trigger();
    EXPECT_EQ(readWholeFile(plan()), planLinked);
    messages.answer = true;
    undoEntry()->trigger();
    EXPECT_EQ(readWholeFile(plan()), planBefore);
    EXPECT_EQ(readWholeFile(calendar()), calendarBefore);
    EXPECT_EQ(window->table().item(3, 5)->text().toStdString(), "");
}

// A broken bars file falls back to the host's own bars; menus kept by an older version without
// "Bearbeiten" get it in its place, after "Datei".
TEST_F(HostShellTest, BrokenOrOlderBarsFile)
{
    std::ofstream(barsFile()) << "kaputt\n";
    startHost();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].text.find("Zeile 1"), std::string::npos);
    EXPECT_TRUE(window->barView().menu("File") && window->barView().menu("Tools"));

    std::vector<BarState> older = hostbars::defaultBars();
    older.erase(older.begin() + 1); // "Edit"
    window.reset();
    CommandBarFile::save(barsFile(), older);
    startHost();
    Strings menus;
    for (QAction* menu : window->menuBar()->actions())
        menus.push_back(menu->text().toStdString());
    EXPECT_EQ(menus, (Strings{"&Datei", "&Bearbeiten", "E&xtras"}));
    EXPECT_NE(undoEntry(), nullptr);
}

// Which rows of the chart carry a shape of this kind.
std::vector<int> rowsWith(const GanttView& chart, GanttShapeKind kind)
{
    std::vector<int> rows;
    for (const GanttShape& shape : chart.layout().shapes)
        if (shape.kind == kind && (rows.empty() || rows.back() != shape.row))
            rows.push_back(shape.row);
    return rows;
}

// The chart beside the table: a row for each of the table's rows at the same height on screen,
// the calendar mark where Text29 holds a link, bold rows as summaries, today's line on the
// clock's day; it scrolls with the table both ways and follows it through every refresh. The
// window is saved as gantt-host.png in the test's working folder for a look.
TEST_F(HostShellTest, ChartKeepsInStepWithTheTable)
{
    linkTasks();
    const testing::FixedClock today(makeDateTime(2027, 1, 20, 12, 0));
    startHost(&today);
    window->resize(1260, 330); // fewer rows fit than the plan has: there is something to scroll
    QApplication::processEvents();
    QTableWidget& table = window->table();
    GanttView& chart = window->chart();

    const auto expectRowsInStep = [&] {
        ASSERT_EQ(chart.rowCount(), table.rowCount());
        for (int row = 0; row < table.rowCount(); ++row) {
            EXPECT_EQ(table.rowHeight(row), chart.scale().rowHeight) << row;
            EXPECT_EQ(chart.viewport()->mapTo(window.get(), QPoint(0, chart.rowTop(row))).y(),
                      table.viewport()->mapTo(window.get(), QPoint(0, table.rowViewportPosition(row))).y())
                << "row " << row << " at another height than in the table";
        }
    };
    ASSERT_GT(table.rowCount(), 5);
    expectRowsInStep();

    std::vector<int> linked, bold, noDuration;
    for (int row = 0; row < table.rowCount(); ++row) {
        if (!table.item(row, 5)->text().isEmpty())
            linked.push_back(row);
        if (table.item(row, 1)->font().bold())
            bold.push_back(row);
        if (table.item(row, 4)->text() == "0 Tage")
            noDuration.push_back(row);
    }
    EXPECT_EQ(linked, (std::vector<int>{3, 4}));
    EXPECT_EQ(noDuration, (std::vector<int>{4, 12}));
    EXPECT_EQ(rowsWith(chart, GanttShapeKind::LinkMark), linked);
    EXPECT_EQ(rowsWith(chart, GanttShapeKind::Summary), bold);
    EXPECT_EQ(rowsWith(chart, GanttShapeKind::Milestone), noDuration);

    // Today's line stands in the day column of 20.01.2027, in calendar week 3.
    ASSERT_TRUE(chart.layout().today.has_value());
    const double line = *chart.layout().today;
    const TimeScale scale = timeScale(chart.scale());
    const auto holds = [line](const ScaleLabel& label) {
        return label.x <= line && line < label.x + label.width;
    };
    const auto day = std::find_if(scale.days.begin(), scale.days.end(), holds);
    const auto week = std::find_if(scale.weeks.begin(), scale.weeks.end(), holds);
    ASSERT_TRUE(day != scale.days.end() && week != scale.weeks.end());
    EXPECT_EQ(day->text.toStdString(), "20");
    EXPECT_EQ(week->text.toStdString(), "KW 3, 18.01.2027");

    // The table scrolled: the chart goes with it; the chart scrolled (the wheel over it): the
    // table goes with it.
    QScrollBar& tableBar = *table.verticalScrollBar();
    ASSERT_GT(tableBar.maximum(), 0);
    tableBar.setValue(tableBar.maximum());
    QApplication::processEvents();
    EXPECT_EQ(chart.verticalScrollBar()->value(), tableBar.maximum());
    expectRowsInStep();
    chart.verticalScrollBar()->setValue(tableBar.maximum() / 2);
    QApplication::processEvents();
    EXPECT_EQ(tableBar.value(), tableBar.maximum() / 2);
    expectRowsInStep();

    window->resize(1600, 560); // the whole plan in the chart for the screenshot
    tableBar.setValue(0);
    QApplication::processEvents();

    // A click on a row of the chart selects that task, in the table and for the add-in.
    const QPointF onRow(40, chart.rowTop(6) + 4);
    QMouseEvent press(QEvent::MouseButtonPress, onRow, chart.viewport()->mapToGlobal(onRow), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(chart.viewport(), &press);
    ASSERT_EQ(table.selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(table.selectionModel()->selectedRows().front().row(), 6);
    ASSERT_EQ(window->plan().activeSelectionTasks().size(), 1u);
    EXPECT_EQ(window->plan().activeSelectionTasks().front()->name(), "Kisten packen");
    const fs::path screenshot = fs::current_path() / "gantt-host.png";
    EXPECT_TRUE(window->grab().save(QString::fromStdString(screenshot.string())));

    // Every refresh of the table is one of the chart: a new plan without tasks, then the plan again.
    window->newPlan();
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(chart.rowCount(), 0);
    ASSERT_TRUE(window->openPlan(plan()));
    expectRowsInStep();
    EXPECT_EQ(rowsWith(chart, GanttShapeKind::LinkMark), linked);
}

} // namespace
} // namespace zelvant
