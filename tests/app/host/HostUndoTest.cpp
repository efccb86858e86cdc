// Taking back the last run from the host shell: Bearbeiten > Letzten Zelvant-Lauf rückgängig
// machen, over the real main window on Qt's offscreen platform, with the journal the command
// line keeps too.

#include "app/host/HostMainWindow.h"

#include "addin/Connect.h"
#include "addin/Registration.h"
#include "app/cli/Commands.h"
#include "app/cli/Session.h"
#include "app/host/HostBars.h"
#include "engine/LinkModel.h"
#include "forms/qt/QuickSyncWindow.h"
#include "hosts/calendarfile/CalendarFileLauncher.h"
#include "hosts/commandbars/CommandBarFile.h"
#include "hosts/common/FileStore.h"
#include "hosts/registry/FileRegistry.h"
#include "services/Settings.h"
#include "tests/services/RecordingMessages.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace zelvant {
namespace {

namespace fs = std::filesystem;

class NoShell : public Shell {
public:
    void open(const std::string&) override {}
};

class HostUndoTest : public ::testing::Test {
protected:
    HostUndoTest()
    {
        if (!QApplication::instance()) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "zelvant_host_tests";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv); // lives until the program ends
        }
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::copy_file(fs::path(ZELVANT_EXAMPLES) / "Umzug.xml", plan());
        fs::copy_file(fs::path(ZELVANT_EXAMPLES) / "Kalender.ics", calendar());
        EXPECT_TRUE(SetDefaultCalendarPath(registry, calendar()));
        DllRegisterServer(registry);
    }

    ~HostUndoTest() override
    {
        cli::Session::journalRunsIn({}, std::cerr);
        window.reset();
        fs::remove_all(dir);
    }

    fs::path plan() const { return dir / "Umzug.xml"; }
    fs::path calendar() const { return dir / "Kalender.ics"; }
    fs::path journal() const { return dir / "journal"; }

    void startHost()
    {
        HostSetup setup{registry, dir / "commandbars.txt", shell, &messages, [](int) {}};
        setup.journalFolder = journal();
        window = std::make_unique<HostMainWindow>(setup);
        EXPECT_TRUE(window->openPlan(plan()));
        window->show();
        window->start();
        QApplication::processEvents();
    }

    // Links tasks 4 and 5 from the command line, the way `zelvant link-tasks` does, journal
    // included when `journaled`.
    void linkTasks(bool journaled)
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

    // The user moves the appointment of task 4 ("Angebote einholen", 13.-15.01.2027) a day later
    // in the calendar.
    void moveAppointment()
    {
        CalendarFileLauncher launcher(calendar(), "Europe/Berlin");
        CalendarApplication& application = launcher.start();
        for (const AppointmentPtr& item : application.getNamespace("MAPI").getDefaultFolder(kCalendarFolder).items())
            if (item->subject() == "Angebote einholen") {
                item->setStart(item->start() + std::chrono::hours(24));
                item->setEnd(item->end() + std::chrono::hours(24));
                item->save();
            }
        application.quit();
    }

    QAction* undoEntry()
    {
        QMenu* edit = window->barView().menu("Edit");
        if (!edit)
            return nullptr;
        for (QAction* entry : edit->actions())
            if (entry->text().toStdString() == "Letzten Zelvant-Lauf &r\u00FCckg\u00E4ngig machen")
                return entry;
        return nullptr;
    }

    std::string shownStart(int row) { return window->table().item(row, 2)->text().toStdString(); }

    fs::path dir = fs::temp_directory_path() / ("zelvant-host-undo-" + std::to_string(::getpid()) + "-" +
                                                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    FileRegistry registry{dir / "registry.txt"};
    NoShell shell;
    RecordingMessages messages;
    std::unique_ptr<HostMainWindow> window;
};

// A quick synchronisation in the host carries a moved appointment into the plan; the menu entry
// takes that run back: both files as before it, and the table shows the plan as it is again.
TEST_F(HostUndoTest, MenuEntryTakesBackTheAddinsRunAndShowsThePlanAgain)
{
    linkTasks(false);
    moveAppointment();
    const std::string planBefore = readWholeFile(plan()), calendarBefore = readWholeFile(calendar());
    startHost();
    ASSERT_EQ(shownStart(3), "13.01.2027 08:00");

    QTimer closer; // a window that stays open would hold the test forever
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (auto* quick = qobject_cast<QuickSyncWindow*>(QApplication::activeModalWidget()))
            if (quick->finished())
                quick->reject();
    });
    closer.start(10);
    window->barView().action("Zelvant", kSyncButtonTag)->trigger();
    closer.stop();
    ASSERT_EQ(shownStart(3), "14.01.2027 08:00") << "the synchronisation ran";
    ASSERT_NE(readWholeFile(plan()), planBefore);
    messages.messages.clear();

    ASSERT_NE(undoEntry(), nullptr);
    undoEntry()->trigger();

    EXPECT_EQ(readWholeFile(plan()), planBefore);
    EXPECT_EQ(readWholeFile(calendar()), calendarBefore);
    EXPECT_EQ(shownStart(3), "13.01.2027 08:00");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].kind, "question");
    EXPECT_NE(messages.messages[0].text.find(plan().string()), std::string::npos) << messages.messages[0].text;

    undoEntry()->trigger();
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[1].text, "Es gibt keinen Zelvant-Lauf, der r\u00FCckg\u00E4ngig gemacht werden kann.");
}

// The command line's last run, taken back in the host; refused while the calendar holds a
// change made after it, and answered "Nein", nothing is written either.
TEST_F(HostUndoTest, TheCommandLinesRunIsTakenBackOnlyWhenNothingChangedSince)
{
    const std::string planBefore = readWholeFile(plan()), calendarBefore = readWholeFile(calendar());
    linkTasks(true);
    const std::string planLinked = readWholeFile(plan()), calendarLinked = readWholeFile(calendar());
    moveAppointment();
    const std::string calendarMoved = readWholeFile(calendar());
    startHost();
    ASSERT_NE(window->table().item(3, 5)->text().toStdString(), "");

    undoEntry()->trigger();
    ASSERT_EQ(messages.messages.size(), 1u) << "no question when the answer cannot be carried out";
    EXPECT_EQ(messages.messages[0].kind, "warning");
    EXPECT_NE(messages.messages[0].text.find(calendar().string() + ": Die Datei wurde nach dem letzten Lauf"),
              std::string::npos)
        << messages.messages[0].text;
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
    EXPECT_EQ(window->table().item(3, 5)->text().toStdString(), "") << "the table shows the plan unlinked";
}

// A host whose menus were kept by an older version gets Bearbeiten in its place, after Datei.
TEST_F(HostUndoTest, KeptMenusGetTheEditMenuInItsPlace)
{
    std::vector<BarState> older = hostbars::defaultBars();
    older.erase(older.begin() + 1);
    ASSERT_EQ(older[1].name, "Tools");
    CommandBarFile::save(dir / "commandbars.txt", older);
    startHost();
    std::vector<std::string> menus;
    for (QAction* menu : window->menuBar()->actions())
        menus.push_back(menu->text().toStdString());
    EXPECT_EQ(menus, (std::vector<std::string>{"&Datei", "&Bearbeiten", "E&xtras"}));
    EXPECT_NE(undoEntry(), nullptr);
}

} // namespace
} // namespace zelvant
