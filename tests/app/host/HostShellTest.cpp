// The host shell end to end on Qt's offscreen platform: the real main window over copies of the
// bundled example, the registry and the command bars in files, the add-in connected as at a
// user's start. Message boxes are answered by the test; modal windows are watched and closed.

#include "app/host/HostMainWindow.h"

#include "addin/Connect.h"
#include "addin/Registration.h"
#include "app/cli/Commands.h"
#include "app/host/AddinManagerDialog.h"
#include "app/host/CalendarDialog.h"
#include "app/host/HostBars.h"
#include "engine/LinkModel.h"
#include "forms/qt/QuickSyncWindow.h"
#include "forms/qt/WizardWindow.h"
#include "hosts/common/FileStore.h"
#include "hosts/projectfile/ProjectFile.h"
#include "hosts/registry/FileRegistry.h"
#include "services/Settings.h"
#include "tests/services/RecordingMessages.h"

#include <QAction>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace zelvant {
namespace {

namespace fs = std::filesystem;

void ensureApplication()
{
    if (QApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "zelvant_host_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives until the program ends
}

class NoShell : public Shell {
public:
    void open(const std::string&) override {}
};

// Closes every modal window that appears and notes which ones did.
class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void(QWidget&)> onWizard = {}) : onWizard_(std::move(onWizard))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { look(); });
        timer_.start(10);
    }

    std::vector<std::string> seen;

private:
    void look()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == last_)
            return;
        if (auto* wizard = qobject_cast<WizardWindow*>(modal)) {
            last_ = modal;
            seen.push_back("wizard");
            if (onWizard_)
                onWizard_(*wizard);
            wizard->reject();
        } else if (auto* quick = qobject_cast<QuickSyncWindow*>(modal)) {
            if (!quick->finished())
                return;
            last_ = modal;
            seen.push_back("quicksync stayed open");
            quick->reject();
        }
    }

    QTimer timer_;
    QWidget* last_ = nullptr;
    std::function<void(QWidget&)> onWizard_;
};

// A fresh folder per test, named after it.
fs::path testFolder()
{
    return fs::temp_directory_path() / ("zelvant-host-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
}

class HostShellTest : public ::testing::Test {
protected:
    HostShellTest()
    {
        ensureApplication();
        fs::create_directories(dir);
        fs::copy_file(fs::path(ZELVANT_EXAMPLES) / "Umzug.xml", plan());
        fs::copy_file(fs::path(ZELVANT_EXAMPLES) / "Kalender.ics", calendar());
        EXPECT_TRUE(SetDefaultCalendarPath(registry, calendar()));
    }

    ~HostShellTest() override
    {
        window.reset();
        fs::remove_all(dir);
    }

    fs::path plan() const { return dir / "Umzug.xml"; }
    fs::path calendar() const { return dir / "Kalender.ics"; }
    fs::path barsFile() const { return dir / "commandbars.txt"; }

    HostMainWindow& startHost(bool withPlan = true)
    {
        window =
            std::make_unique<HostMainWindow>(HostSetup{registry, barsFile(), shell, &messages, [](int) {}});
        if (withPlan) {
            EXPECT_TRUE(window->openPlan(plan()));
        }
        window->show();
        window->start();
        QApplication::processEvents();
        return *window;
    }

    void closeHost()
    {
        window->close();
        window.reset();
    }

    QAction* action(const std::string& bar, const std::string& tag)
    {
        return window->barView().action(bar, tag);
    }

    // The entries of the drawn "Extras" menu, separators as "|".
    std::vector<std::string> extrasEntries()
    {
        std::vector<std::string> entries;
        for (QAction* entry : window->barView().menu("Tools")->actions())
            entries.push_back(entry->isSeparator() ? "|" : entry->text().toStdString());
        return entries;
    }

    // Links tasks 4 and 5 of the plan with new appointments in the calendar.
    void linkTasks()
    {
        std::ostringstream out, err;
        cli::CommandOptions options;
        options.project = plan();
        options.calendar = calendar();
        options.quiet = true;
        options.taskIds = {4, 5};
        cli::CommandContext context{registry, out, err};
        ASSERT_EQ(cli::runLinkTasks(options, context), cli::kDone) << err.str();
    }

    // Links tasks 4 and 5, then moves the appointment of task 4 ("Angebote einholen",
    // 13.-15.01.2027) in the calendar: one day later at the start, three at the end, as the user
    // would in the calendar.
    void linkAndMoveAppointment()
    {
        linkTasks();
        std::string text = readWholeFile(calendar());
        const std::vector<std::pair<std::string, std::string>> moves{
            {"DTSTART;TZID=Europe/Berlin:20270113T080000", "DTSTART;TZID=Europe/Berlin:20270114T080000"},
            {"DTEND;TZID=Europe/Berlin:20270115T170000", "DTEND;TZID=Europe/Berlin:20270118T170000"}};
        for (const auto& [from, to] : moves) {
            const auto at = text.find(from);
            ASSERT_NE(at, std::string::npos) << text;
            text.replace(at, from.size(), to);
        }
        std::ofstream(calendar(), std::ios::binary | std::ios::trunc) << text;
    }

    static std::string taskStart(const fs::path& file, int id)
    {
        return formatGerman(ProjectFile::load(file)->project().taskById(id).start());
    }

    int countTagged(const std::string& tag)
    {
        int count = 0;
        for (const BarPtr& bar : window->commandBars().bars())
            for (const ControlPtr& control : bar->controls())
                count += control->tag() == tag ? 1 : 0;
        return count;
    }

    std::vector<std::string> questions() const
    {
        std::vector<std::string> texts;
        for (const auto& message : messages.messages)
            if (message.kind == "question")
                texts.push_back(message.text);
        return texts;
    }

    fs::path dir = testFolder();
    FileRegistry registry{dir / "registry.txt"};
    NoShell shell;
    RecordingMessages messages;
    std::unique_ptr<HostMainWindow> window;
};

TEST_F(HostShellTest, RegisteredAddinPutsItsToolbarAndMenuEntryAtStart)
{
    DllRegisterServer(registry);
    startHost();
    EXPECT_TRUE(window->addins().connected(kProgId));

    QToolBar* toolbar = window->barView().toolbar("Zelvant");
    ASSERT_NE(toolbar, nullptr);
    EXPECT_TRUE(toolbar->isVisible());
    EXPECT_EQ(window->toolBarArea(toolbar), Qt::TopToolBarArea);
    QAction* sync = action("Zelvant", kSyncButtonTag);
    ASSERT_NE(sync, nullptr);
    EXPECT_EQ(sync->text().toStdString(), "&Synchronisieren");
    EXPECT_FALSE(sync->icon().isNull());
    EXPECT_EQ(extrasEntries(), (std::vector<std::string>{"&Standardkalender...", "|", "&Zelvant Assistent",
                                                         "|", "COM-&Add-Ins..."}))
        << "the entry goes before the host's add-in manager, in a group of its own";
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(HostShellTest, WithoutRegistrationTheHostHasOnlyItsOwnBars)
{
    startHost();
    EXPECT_FALSE(window->addins().connected(kProgId));
    EXPECT_EQ(window->barView().toolbar("Zelvant"), nullptr);
    EXPECT_NE(window->barView().toolbar("Standard"), nullptr);
    EXPECT_EQ(extrasEntries(), (std::vector<std::string>{"&Standardkalender...", "|", "COM-&Add-Ins..."}));
}

TEST_F(HostShellTest, SynchronisierenRunsTheQuickSynchronisationOnTheOpenPlan)
{
    linkAndMoveAppointment();
    DllRegisterServer(registry);
    startHost();
    ASSERT_EQ(taskStart(plan(), 4), "13.01.2027 08:00");

    ModalWatcher watcher;
    action("Zelvant", kSyncButtonTag)->trigger();

    ASSERT_TRUE(window->addinWindows().lastQuickSync().has_value()) << "the window never ran";
    const QuickSyncResult& result = *window->addinWindows().lastQuickSync();
    EXPECT_EQ(result.linkedTasks, 2);
    EXPECT_TRUE(result.calendarReached);
    EXPECT_TRUE(watcher.seen.empty()) << "a clean run closes its window by itself";
    EXPECT_EQ(questions(), std::vector<std::string>{kSavePromptText});
    EXPECT_EQ(taskStart(plan(), 4), "14.01.2027 08:00") << "the moved appointment reached the saved plan";
    EXPECT_TRUE(window->plan().project()->saved());
    EXPECT_TRUE(window->plan().hostSwitch());
    EXPECT_TRUE(window->table().updatesEnabled());
    const auto shown = window->table().findItems("14.01.2027 08:00", Qt::MatchExactly);
    ASSERT_FALSE(shown.isEmpty()) << "the table shows the plan as the run left it";
    EXPECT_EQ(shown.front()->row(), 3);
}

TEST_F(HostShellTest, PlanIsNotSavedWhenTheCalendarCouldNotBeWritten)
{
    linkAndMoveAppointment();
    // A folder where the calendar's backup goes: the calendar cannot be saved, the plan could.
    fs::remove(calendar().string() + ".bak");
    fs::create_directories(calendar().string() + ".bak/inhalt");
    const std::string calendarBefore = readWholeFile(calendar());
    DllRegisterServer(registry);
    startHost();

    ModalWatcher watcher;
    action("Zelvant", kSyncButtonTag)->trigger();

    ASSERT_TRUE(window->addinWindows().lastQuickSync().has_value()) << "the window never ran";
    EXPECT_TRUE(window->addinWindows().lastQuickSync()->report.hasFailures());
    EXPECT_EQ(watcher.seen, std::vector<std::string>{"quicksync stayed open"});
    EXPECT_EQ(readWholeFile(calendar()), calendarBefore);
    EXPECT_EQ(taskStart(plan(), 4), "13.01.2027 08:00") << "the plan on disk still agrees with the calendar";
    EXPECT_FALSE(window->plan().project()->saved());
    std::vector<std::string> warnings;
    for (const auto& message : messages.messages)
        if (message.kind == "warning")
            warnings.push_back(message.text);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("Der Plan wurde nicht gespeichert: ", 0), 0u) << warnings[0];
    EXPECT_NE(warnings[0].find("Kalender schlie\u00DFen: "), std::string::npos) << warnings[0];
    EXPECT_TRUE(window->plan().hostSwitch());

    // The refusal belongs to that run only: the user's own save afterwards writes.
    window->plan().fileSave();
    EXPECT_TRUE(window->plan().project()->saved());
}

TEST_F(HostShellTest, RestartFindsTheSameControlsAndTheyStillWork)
{
    DllRegisterServer(registry);
    startHost();
    const std::vector<BarState> before = window->commandBars().state();
    closeHost();
    const std::string stored = readWholeFile(barsFile());
    EXPECT_NE(stored.find("tag=\"ZelvantSync\""), std::string::npos) << "host shutdown leaves the controls";

    startHost();
    EXPECT_EQ(window->commandBars().state(), before);
    EXPECT_EQ(countTagged(kSyncButtonTag), 1);
    EXPECT_EQ(countTagged(kMenuTag), 1);

    ModalWatcher watcher;
    action("Zelvant", kSyncButtonTag)->trigger();
    EXPECT_TRUE(window->addinWindows().lastQuickSync().has_value())
        << "the new add-in object hears the old button";
}

TEST_F(HostShellTest, AddinManagerUnloadsAndLoadsTheAddin)
{
    DllRegisterServer(registry);
    startHost();
    // The user puts a button of his own on the add-in's toolbar.
    window->commandBars().item("Zelvant")->addControl(kControlButton)->setCaption("Eigener Knopf");

    window->addins().unload(kProgId);
    QApplication::processEvents();
    EXPECT_EQ(countTagged(kSyncButtonTag), 0);
    EXPECT_EQ(countTagged(kMenuTag), 0);
    ASSERT_NE(window->barView().toolbar("Zelvant"), nullptr) << "the foreign button keeps the toolbar";
    EXPECT_EQ(readAddinRegistration(registry, kProgId)->loadBehavior, kLoadNotLoaded);

    closeHost();
    startHost();
    EXPECT_FALSE(window->addins().connected(kProgId)) << "an add-in the user unloaded stays unloaded";

    ASSERT_TRUE(window->addins().load(kProgId));
    QApplication::processEvents();
    EXPECT_EQ(countTagged(kSyncButtonTag), 1);
    EXPECT_EQ(readAddinRegistration(registry, kProgId)->loadBehavior, kLoadAtStartup);
    EXPECT_NE(action("Tools", kMenuTag), nullptr);
}

TEST_F(HostShellTest, AddinManagerDialogAppliesItsTicks)
{
    DllRegisterServer(registry);
    startHost();
    AddinManagerDialog dialog(window->addins(), messages, window.get());
    ASSERT_EQ(dialog.list()->count(), 1);
    EXPECT_EQ(dialog.list()->item(0)->text().toStdString(), "Zelvant");
    EXPECT_EQ(dialog.list()->item(0)->checkState(), Qt::Checked);
    dialog.list()->item(0)->setCheckState(Qt::Unchecked);
    dialog.accept();
    EXPECT_FALSE(window->addins().connected(kProgId));
}

TEST_F(HostShellTest, MenuEntryOpensTheWizardOverTheSavedPlan)
{
    DllRegisterServer(registry);
    startHost();
    std::string focus;
    bool removalLabelShown = false;
    ModalWatcher watcher([&](QWidget& wizard) {
        QApplication::processEvents();
        if (QWidget* focused = QApplication::focusWidget())
            focus = focused->objectName().toStdString();
        if (auto* label = wizard.findChild<QWidget*>("lblStep703"))
            removalLabelShown = label->isVisibleTo(&wizard);
    });
    action("Tools", kMenuTag)->trigger();
    EXPECT_EQ(watcher.seen, std::vector<std::string>{"wizard"});
    EXPECT_EQ(focus, "cmdNext");
    EXPECT_FALSE(removalLabelShown);
    EXPECT_TRUE(window->plan().project()->saved());
    EXPECT_TRUE(window->plan().hostSwitch());
}

TEST_F(HostShellTest, NewPlanCannotBeSavedSoNoWizardOpens)
{
    DllRegisterServer(registry);
    startHost(false);
    window->newPlan();
    ModalWatcher watcher;
    action("Zelvant", kWizardButtonTag)->trigger();
    EXPECT_TRUE(watcher.seen.empty());
    EXPECT_FALSE(window->plan().project()->saved());
    EXPECT_TRUE(window->plan().hostSwitch());
    EXPECT_TRUE(window->table().updatesEnabled());
    EXPECT_EQ(questions(), std::vector<std::string>{kSavePromptText});
}

TEST_F(HostShellTest, WithoutAPlanTheCommandsOnlyWarn)
{
    DllRegisterServer(registry);
    startHost(false);
    action("Zelvant", kSyncButtonTag)->trigger();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "Es ist kein Projekt ge\u00F6ffnet!      ");
}

TEST_F(HostShellTest, HostSwitchStopsAndResumesTheTableDrawing)
{
    startHost();
    window->plan().setHostSwitch(false);
    EXPECT_FALSE(window->table().updatesEnabled());
    window->plan().project()->taskById(4).setName("Angebote vergleichen");
    EXPECT_TRUE(window->table().findItems("Angebote vergleichen", Qt::MatchContains).isEmpty());
    window->plan().setHostSwitch(true);
    EXPECT_TRUE(window->table().updatesEnabled());
    EXPECT_FALSE(window->table().findItems("Angebote vergleichen", Qt::MatchContains).isEmpty());
}

TEST_F(HostShellTest, TableShowsTheTasksAndItsSelectionIsTheActiveSelection)
{
    startHost();
    QTableWidget& table = window->table();
    ASSERT_EQ(table.rowCount(), window->plan().project()->taskCount());
    EXPECT_EQ(table.item(3, 0)->text().toStdString(), "4");
    EXPECT_EQ(table.item(3, 1)->text().trimmed().toStdString(), "Angebote einholen");
    EXPECT_EQ(table.item(3, 2)->text().toStdString(), "13.01.2027 08:00");
    EXPECT_EQ(table.item(3, 3)->text().toStdString(), "15.01.2027 17:00");
    EXPECT_EQ(table.item(3, 4)->text().toStdString(), "3 Tage");

    table.selectRow(3);
    table.selectionModel()->select(table.model()->index(5, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    std::vector<int> ids;
    for (Task* task : window->plan().activeSelectionTasks())
        ids.push_back(task->id());
    EXPECT_EQ(ids, (std::vector<int>{4, 6}));

    window->plan().setHostSwitch(true); // drawn anew: the selection stays
    EXPECT_EQ(window->plan().activeSelectionTasks().size(), 2u);
}

TEST_F(HostShellTest, CalendarDialogStoresOnlyAnExistingFile)
{
    startHost();
    CalendarDialog dialog(registry, window.get());
    EXPECT_EQ(dialog.path().toStdString(), calendar().string()) << "it opens with the stored choice";
    dialog.setPath(QString::fromStdString((dir / "fehlt.ics").string()));
    dialog.accept();
    EXPECT_NE(dialog.problem().toStdString().find("gibt es nicht"), std::string::npos);
    EXPECT_EQ(DefaultCalendarPath(registry), calendar());

    fs::copy_file(calendar(), dir / "Zweiter.ics");
    dialog.setPath(QString::fromStdString((dir / "Zweiter.ics").string()));
    dialog.accept();
    EXPECT_TRUE(dialog.problem().isEmpty());
    EXPECT_EQ(DefaultCalendarPath(registry), dir / "Zweiter.ics");
}

TEST_F(HostShellTest, BrokenBarsFileFallsBackToTheHostsOwnBars)
{
    std::ofstream(barsFile()) << "kaputt\n";
    startHost();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].text.find("Zeile 1"), std::string::npos);
    EXPECT_NE(window->barView().menu("File"), nullptr);
    EXPECT_NE(window->barView().menu("Tools"), nullptr);
}

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
    EXPECT_TRUE(window->addins().connected(kProgId));
    closeHost();

    ASSERT_EQ(run("unregister"), 0);
    startHost();
    EXPECT_FALSE(window->addins().connected(kProgId));
    EXPECT_TRUE(window->addins().addins().empty());
}

// With ZELVANT_SCREENSHOTS set to a folder, saves the host with the add-in's toolbar and its
// open "Extras" menu there.
TEST_F(HostShellTest, Screenshot)
{
    const QString folder = qEnvironmentVariable("ZELVANT_SCREENSHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "set ZELVANT_SCREENSHOTS to a folder to take screenshots";
    linkTasks();
    DllRegisterServer(registry);
    startHost();
    window->resize(1100, 420);
    window->table().selectRow(3);
    QApplication::processEvents();
    window->grab().save(folder + "/host.png");

    // The open menu is a window of its own: drawn into the picture below its title.
    QMenu* extras = window->barView().menu("Tools");
    QMenuBar* bar = window->menuBar();
    const QRect title = bar->actionGeometry(extras->menuAction());
    extras->popup(bar->mapToGlobal(title.bottomLeft()));
    QApplication::processEvents();
    QPixmap picture = window->grab();
    QPainter painter(&picture);
    painter.drawPixmap(bar->mapTo(window.get(), title.bottomLeft()), extras->grab());
    painter.end();
    extras->hide();
    picture.save(folder + "/host-menu.png");
}

} // namespace
} // namespace zelvant
