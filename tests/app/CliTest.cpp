// The command line end to end: the real `zelvant` binary on copies of the bundled example and
// the samples, with another program (Debian's python3-icalendar) editing the calendar between
// runs, the way a user's calendar client would.

#include "app/cli/Commands.h"
#include "hosts/common/FileStore.h"
#include "hosts/projectfile/ProjectFile.h"
#include "hosts/registry/FileRegistry.h"
#include "engine/LinkModel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zelvant {
namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out, err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("zelvant-cli-" + std::to_string(::getpid()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        fs::copy_file(fs::path(ZELVANT_EXAMPLES) / "Umzug.xml", plan());
        fs::copy_file(fs::path(ZELVANT_EXAMPLES) / "Kalender.ics", calendar());
        ::setenv("TZ", "Europe/Berlin", 1);
        ::setenv("ZELVANT_REGISTRY_FILE", (dir / "registry.txt").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path plan() const { return dir / "Umzug.xml"; }
    fs::path calendar() const { return dir / "Kalender.ics"; }

    static std::string read(const fs::path& path) { return readWholeFile(path); }

    // Runs a program with its output in files; returns status and output.
    Result spawn(std::vector<std::string> args)
    {
        const fs::path out = dir / "stdout.txt", err = dir / "stderr.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        Result result;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        result.out = read(out);
        result.err = read(err);
        return result;
    }

    Result zelvant(std::vector<std::string> args)
    {
        args.insert(args.begin(), ZELVANT_BINARY);
        return spawn(std::move(args));
    }
    Result onFiles(const std::string& command, std::vector<std::string> more = {})
    {
        std::vector<std::string> args{command, "--project", plan().string(), "--calendar", calendar().string(), "--quiet"};
        args.insert(args.end(), more.begin(), more.end());
        return zelvant(args);
    }

    // Edits the calendar with python3-icalendar; `body` sees the calendar as `cal`.
    void editCalendar(const std::string& body)
    {
        if (::access("/usr/bin/python3", X_OK) != 0 || std::system("/usr/bin/python3 -c 'import icalendar' 2>/dev/null") != 0)
            GTEST_SKIP() << "python3-icalendar is not installed";
        const std::string script = "import icalendar, datetime\n"
                                   "cal = icalendar.Calendar.from_ical(open(r'" + calendar().string() + "','rb').read())\n"
                                   "def event(summary):\n"
                                   "    return next(e for e in cal.walk('VEVENT') if str(e['SUMMARY']) == summary)\n"
                                   "from zoneinfo import ZoneInfo\n"
                                   "def move(e, start, end):\n"
                                   "    berlin = ZoneInfo('Europe/Berlin')\n"
                                   "    del e['DTSTART']; del e['DTEND']\n"
                                   "    e.add('DTSTART', start.replace(tzinfo=berlin))\n"
                                   "    e.add('DTEND', end.replace(tzinfo=berlin))\n"
                                   "D = datetime.datetime\n" + body +
                                   "\nopen(r'" + calendar().string() + "','wb').write(cal.to_ical())\n";
        std::ofstream(dir / "edit.py") << script;
        ASSERT_EQ(spawn({"/usr/bin/python3", (dir / "edit.py").string()}).status, 0) << read(dir / "stderr.txt");
    }

    std::unique_ptr<ProjectFile> loadPlan() { return ProjectFile::load(plan()); }

    fs::path dir;
};

TEST_F(CliTest, LinkEditTheCalendarElsewhereAndSynchronise)
{
    ASSERT_EQ(onFiles("link-tasks").status, 0);
    editCalendar("e = event('Umzugstag')\n"
                 "move(e, D(2027,2,3,8,0), D(2027,2,3,12,0))\n"          // moved: the task follows
                 "event('Bedarf erheben')['SUMMARY'] = 'Bedarf ermitteln'\n" // renamed: so is the task
                 "cal.subcomponents.remove(event('Kisten packen (3)'))\n"    // one part of the split task gone
                 "import copy\n"
                 "c = copy.deepcopy(event('IT abbauen'))\n"                  // copied: a second part
                 "c['UID'] = 'kopie-1'\n"
                 "move(c, D(2027,2,1,13,0), D(2027,2,1,17,0))\n"
                 "cal.add_component(c)\n");

    const Result sync = onFiles("sync");
    ASSERT_EQ(sync.status, 0) << sync.err;

    auto file = loadPlan();
    MemoryProject& project = file->project();
    Task& moved = project.taskById(10);
    EXPECT_EQ(moved.start(), makeDateTime(2027, 2, 3, 8, 0));
    EXPECT_EQ(moved.finish(), makeDateTime(2027, 2, 3, 12, 0));
    EXPECT_EQ(moved.constraintType(), ConstraintType::MustStartOn);
    EXPECT_EQ(project.taskById(3).name(), "Bedarf ermitteln");
    EXPECT_EQ(project.taskById(7).splitPartCount(), 2);
    EXPECT_EQ(project.taskById(7).getField(kText29).substr(0, 3), "001");
    EXPECT_EQ(project.taskById(8).splitPartCount(), 2);
    EXPECT_EQ(project.taskById(8).splitPart(2), (SplitPart{makeDateTime(2027, 2, 1, 13), makeDateTime(2027, 2, 1, 17)}));
    EXPECT_NE(sync.out.find("Vorg\u00E4nge ge\u00E4ndert: 4"), std::string::npos) << sync.out;
}

// What the user's two files look like on disk, backups included.
struct FilesOnDisk {
    std::vector<std::string> bytes;
    std::vector<fs::file_time_type> times;
    bool operator==(const FilesOnDisk&) const = default;
};

FilesOnDisk onDisk(const std::vector<fs::path>& files)
{
    FilesOnDisk state;
    for (const fs::path& file : files) {
        const bool there = fs::exists(file);
        state.bytes.push_back(there ? readWholeFile(file) : std::string("(fehlt)"));
        state.times.push_back(there ? fs::last_write_time(file) : fs::file_time_type{});
    }
    return state;
}

// Whatever a run did, a sync right after it changes nothing: no byte, no time stamp, no backup.
TEST_F(CliTest, ASyncRightAfterAnyRunWritesNothing)
{
    const std::vector<fs::path> files{plan(), calendar(), dir / "Umzug.xml.bak", dir / "Kalender.ics.bak"};
    const std::vector<std::vector<std::string>> runs{
        {"sync"}, {"link-tasks"}, {"sync"}, {"link-appointments"}, {"unlink", "--tasks", "7"}};
    for (const auto& run : runs) {
        const Result first = onFiles(run[0], {run.begin() + 1, run.end()});
        ASSERT_EQ(first.status, 0) << run[0] << ": " << first.err;
        const FilesOnDisk before = onDisk(files);
        const Result sync = onFiles("sync");
        EXPECT_EQ(sync.status, 0) << sync.err;
        EXPECT_TRUE(onDisk(files) == before) << "after " << run[0];
        EXPECT_NE(sync.out.find("Termine angelegt: 0, Termine verschoben: 0, Termine umbenannt: 0, Termine "
                                "gel\u00F6scht: 0, Vorg\u00E4nge angelegt: 0, Vorg\u00E4nge ge\u00E4ndert: 0"),
                  std::string::npos)
            << sync.out;
    }
}

// Real calendars, each made into tasks and then synchronised: the sync changes neither file.
TEST_F(CliTest, AppointmentsOfRealCalendarsStayAsTheyWereAfterLinking)
{
    for (const char* sample : {"ical4j__EstoniaHolidays.ics", "node-ical__ms_timezones.ics",
                               "node-ical__event-with-category.ics", "ical4j__Session6.ics"}) {
        fs::copy_file(fs::path(ZELVANT_TEST_DATA) / "ics" / sample, calendar(), fs::copy_options::overwrite_existing);
        fs::copy_file(fs::path(ZELVANT_EXAMPLES) / "Umzug.xml", plan(), fs::copy_options::overwrite_existing);
        const Result link = onFiles("link-appointments");
        ASSERT_EQ(link.status, 0) << sample << ": " << link.err;
        const FilesOnDisk linked = onDisk({plan(), calendar()});
        const Result sync = onFiles("sync");
        EXPECT_EQ(sync.status, 0) << sample << ": " << sync.err;
        EXPECT_TRUE(onDisk({plan(), calendar()}) == linked) << sample << "\n" << sync.out;
    }
}

// The plan's times are wall-clock times in the remembered zone, whatever zone the machine is in.
TEST_F(CliTest, TheMachinesZoneMovesNothing)
{
    ::setenv("TZ", "UTC", 1);
    ASSERT_EQ(zelvant({"config", "timezone", "Europe/Berlin"}).status, 0);
    EXPECT_EQ(zelvant({"config", "timezone", "Mars/Olympus"}).status, 2);
    EXPECT_NE(zelvant({"config"}).out.find("Zeitzone: Europe/Berlin"), std::string::npos);
    ASSERT_EQ(onFiles("link-tasks", {"--tasks", "7"}).status, 0);
    // Kisten packen, part 1: 18.01.2027 08:00 as the plan has it, in the plan's zone.
    EXPECT_NE(read(calendar()).find("DTSTART;TZID=Europe/Berlin:20270118T080000"), std::string::npos);

    const std::vector<fs::path> files{plan(), calendar()};
    const FilesOnDisk linked = onDisk(files);
    for (const char* zone : {"Europe/Berlin", "Australia/Melbourne", "America/New_York", "UTC"}) {
        ::setenv("TZ", zone, 1);
        const Result sync = onFiles("sync");
        EXPECT_EQ(sync.status, 0) << zone << ": " << sync.err;
        EXPECT_TRUE(onDisk(files) == linked) << zone << "\n" << sync.out;
    }
}

// A wrong calendar would unlink the whole plan: the run stops first; --force goes ahead.
TEST_F(CliTest, AWrongCalendarStopsTheRunWithStatusFour)
{
    ASSERT_EQ(onFiles("link-tasks").status, 0);
    const fs::path wrong = dir / "Leer.ics";
    std::ofstream(wrong, std::ios::binary) << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//DE\r\nEND:VCALENDAR\r\n";
    const std::string planBefore = read(plan());
    const std::vector<std::string> args{"sync", "--project", plan().string(), "--calendar", wrong.string(), "--quiet"};

    const Result stopped = zelvant(args);
    EXPECT_EQ(stopped.status, 4);
    EXPECT_NE(stopped.err.find("nichts wurde geschrieben"), std::string::npos) << stopped.err;
    EXPECT_NE(stopped.err.find("--force"), std::string::npos);
    EXPECT_EQ(read(plan()), planBefore);

    std::vector<std::string> forced = args;
    forced.push_back("--force");
    const Result done = zelvant(forced);
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_NE(read(plan()), planBefore);
}

TEST_F(CliTest, DryRunShowsTheChangesAndWritesNothing)
{
    const std::string planBefore = read(plan()), calendarBefore = read(calendar());

    const Result run = onFiles("link-tasks", {"--dry-run", "--tasks", "7"});

    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Probelauf"), std::string::npos);
    EXPECT_NE(run.out.find("Termin \u201EKisten packen (3)\u201C (22.01.2027 08:00 \u2013 22.01.2027 17:00)"), std::string::npos)
        << run.out;
    EXPECT_EQ(read(plan()), planBefore);
    EXPECT_EQ(read(calendar()), calendarBefore);
    EXPECT_FALSE(fs::exists(dir / "Umzug.xml.bak"));
}

TEST_F(CliTest, LinkAppointmentsOfACategoryAndOfAPeriodAndTheStoredCalendar)
{
    ASSERT_EQ(onFiles("link-appointments", {"--category", "Kunde"}).status, 0);
    auto file = loadPlan();
    std::vector<std::string> names;
    for (Task* task : file->project().tasks())
        if (!task->getField(kText29).empty())
            names.push_back(task->name());
    EXPECT_EQ(names, (std::vector<std::string>{"Kundentermin M\u00FCller", "Messe Hannover"}));

    ASSERT_EQ(onFiles("link-appointments", {"--from", "19.01.2027", "--to", "19.01.2027"}).status, 0);
    EXPECT_EQ(loadPlan()->project().tasks().back()->name(), "Abstimmung Vermieter");

    // Without --calendar the one stored by `config calendar` is taken.
    ASSERT_EQ(zelvant({"config", "calendar", calendar().string()}).status, 0);
    const Result run = zelvant({"link-tasks", "--project", plan().string(), "--tasks", "3", "--quiet"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(read(calendar()).find("SUMMARY:Bedarf erheben"), std::string::npos);
}

TEST_F(CliTest, UnlinkClearsBothSides)
{
    ASSERT_EQ(onFiles("link-tasks", {"--tasks", "7,8"}).status, 0);
    ASSERT_EQ(onFiles("unlink", {"--tasks", "7"}).status, 0);

    const Result linked = zelvant({"list", "linked", "--project", plan().string()});
    EXPECT_EQ(linked.out.find("Kisten packen"), std::string::npos);
    EXPECT_NE(linked.out.find("IT abbauen"), std::string::npos);
    const std::string ics = read(calendar());
    EXPECT_EQ(ics.find("X-ZELVANT-NAME=voDediVave:\r\n"), std::string::npos); // no empty property left behind
    EXPECT_NE(ics.find("IT abbauen\r\n"), std::string::npos);
}

TEST_F(CliTest, RecreationFollowsTheFlagOrTheStoredSetting)
{
    ASSERT_EQ(onFiles("link-tasks", {"--tasks", "8"}).status, 0);
    editCalendar("cal.subcomponents.remove(event('IT abbauen'))\n");
    const std::string deleted = read(calendar());

    // Stored "CreateDeletedApps" = 1 as a REG_DWORD: it reads as "1".
    std::ofstream(dir / "registry.txt")
        << "[HKEY_CURRENT_USER\\Software\\Brimek\\Zelvant\\Settings]\n\"CreateDeletedApps\"=dword:00000001\n";
    ASSERT_EQ(onFiles("sync").status, 0);
    EXPECT_NE(read(calendar()).find("SUMMARY:IT abbauen"), std::string::npos);

    std::ofstream(calendar(), std::ios::binary | std::ios::trunc) << deleted;
    ASSERT_EQ(onFiles("sync", {"--no-recreate-deleted"}).status, 0);
    EXPECT_EQ(read(calendar()).find("SUMMARY:IT abbauen"), std::string::npos);
    EXPECT_EQ(loadPlan()->project().taskById(8).getField(kText29), "");
}

TEST_F(CliTest, FailuresAreListedAndGiveStatusOne)
{
    // A summary task takes its dates from its subtasks, so the calendar cannot move it.
    ASSERT_EQ(onFiles("link-tasks", {"--tasks", "2", "--summary"}).status, 0);
    editCalendar("move(event('Planung'), D(2027,2,8,8,0), D(2027,2,8,12,0))\n");

    const Result run = onFiles("sync");

    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Vorgang 2 \u201EPlanung\u201C"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("Fehler: "), std::string::npos);
}

// Each bad command line: its exit status, and the words that tell the user what is wrong and
// what to do instead. None of them writes anything.
TEST_F(CliTest, BadCommandLinesSayWhatIsWrongAndWriteNothing)
{
    const std::string planBefore = read(plan()), calendarBefore = read(calendar());
    std::ofstream(dir / "kaputt.xml") << "<Project xmlns=\"http://schemas.microsoft.com/project\"><Tasks>";
    std::ofstream(dir / "fremd.xml") << "<html><body/></html>";
    std::ofstream(dir / "kaputt.ics") << "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:x\r\n";
    const std::string p = plan().string(), c = calendar().string();
    const std::vector<std::string> files{"--project", p, "--calendar", c};
    auto on = [&](std::vector<std::string> args) {
        args.insert(args.begin() + 1, files.begin(), files.end());
        return args;
    };

    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
        bool display = true;
    };
    const std::vector<Case> cases{
        {{"frobnicate"}, 2, "Unbekannter Befehl \u201Efrobnicate\u201C. Befehle: sync, link-tasks"},
        {{}, 2, "Es fehlt ein Befehl. Befehle: sync"},
        {{"sync"}, 2, "Pflichtangabe fehlt: --project"},
        {{"sync", "--project"}, 2, "Der Wert von --project fehlt"},
        {on({"sync", "--gibt-es-nicht"}), 2, "Unbekannte Angabe \u201E--gibt-es-nicht\u201C"},
        {on({"sync", "--recreate-deleted", "--no-recreate-deleted"}), 2, "schlie\u00DFen einander aus"},
        {on({"link-appointments", "--from", "01.01.2027"}), 2, "--from braucht auch --to"},
        {on({"link-tasks", "--busy", "vielleicht"}), 2, "\u201Evielleicht\u201C f\u00FCr --busy. Erlaubt: frei, mit-vorbehalt"},
        {{"list", "--project", p}, 2, "Pflichtangabe fehlt: die Liste (tasks, linked"},
        {{"list", "dinge", "--project", p}, 2, "\u201Edinge\u201C f\u00FCr die Liste"},
        {on({"link-tasks", "--resource", "Niemand"}), 2, "Ressource \u201ENiemand\u201C. Ressourcen im Plan: "},
        {on({"list", "appointments", "--category", "Urlaub"}), 2, "Kategorien im Kalender: Besprechung, Kunde."},
        {on({"link-appointments", "--from", "31.02.2027", "--to", "01.03.2027"}), 2,
         "--from: \u201E31.02.2027\u201C ist kein g\u00FCltiges Datum. Bitte als TT.MM.JJJJ"},
        {on({"link-appointments", "--from", "02.03.2027", "--to", "01.03.2027"}), 2,
         "--to 01.03.2027 liegt vor --from 02.03.2027"},
        {on({"link-appointments", "--from", "01.01.1983", "--to", "01.03.2027"}), 2, "01.01.1984 und 31.12.2049"},
        {on({"link-tasks", "--tasks", "3,x"}), 2, "--tasks"},
        {on({"link-tasks", "--tasks", "99"}), 2, "99"},
        {{"sync", "--project", (dir / "fehlt.xml").string(), "--calendar", c}, 2, "fehlt.xml"},
        {{"sync", "--project", dir.string(), "--calendar", c}, 2, "Verzeichnis"},
        {{"sync", "--project", (dir / "kaputt.xml").string(), "--calendar", c}, 2, "kaputt.xml"},
        {{"sync", "--project", (dir / "fremd.xml").string(), "--calendar", c}, 2, "fremd.xml"},
        {{"sync", "--project", p, "--calendar", (dir / "kaputt.ics").string()}, 2, "kaputt.ics"},
        {{"sync", "--project", p}, 2, ""}, // no default calendar set yet
        {{"config", "farbe"}, 2, "Unbekannte Einstellung \u201Efarbe\u201C. Einstellungen: calendar, timezone, sync-type"},
        {{"config", "timezone", "Mars/Olympus"}, 2, "zelvant config timezone Europe/Berlin"},
        {{"config", "calendar", (dir / "fehlt.ics").string()}, 2, "fehlt.ics: Die Datei existiert nicht"},
        {{"completion", "fish"}, 2, "\u201Efish\u201C f\u00FCr die Shell (bash)"},
        {{"undo"}, 2, "keinen Lauf"},
        {{"wizard", "--project", p}, 2, "braucht eine grafische Sitzung", false},
        {{"quicksync", "--project", p}, 2, "tut dasselbe: zelvant sync", false},
    };
    for (const Case& row : cases) {
        std::vector<std::pair<std::string, std::string>> saved;
        if (!row.display)
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
                if (const char* value = std::getenv(name)) {
                    saved.emplace_back(name, value);
                    ::unsetenv(name);
                }
        const Result run = zelvant(row.args);
        for (const auto& [name, value] : saved)
            ::setenv(name.c_str(), value.c_str(), 1);
        const std::string shown = ::testing::PrintToString(row.args);
        EXPECT_EQ(run.status, row.status) << shown << "\n" << run.err;
        EXPECT_NE(run.err.find(row.message), std::string::npos) << shown << "\n" << run.err;
        EXPECT_EQ(run.err.find(" is required"), std::string::npos) << shown << "\n" << run.err;
    }
    EXPECT_EQ(read(plan()), planBefore);
    EXPECT_EQ(read(calendar()), calendarBefore);
    EXPECT_FALSE(fs::exists(dir / "Umzug.xml.bak"));
}

// What a packager and a shell get from the program itself: the version, the completion (tried in
// bash), and `cmake --install` of the command line with its man page and completion.
TEST_F(CliTest, VersionCompletionAndInstall)
{
    const Result version = zelvant({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("zelvant ", 0), 0u) << version.out;

    const Result completion = zelvant({"completion", "bash"});
    ASSERT_EQ(completion.status, 0) << completion.err;
    std::ofstream(dir / "zelvant.bash") << completion.out;
    const std::vector<std::pair<std::string, std::string>> completes{
        {"zelvant li", "link-tasks link-appointments list"},
        {"zelvant link-tasks --project Umzug.xml --bu", "--busy"},
        {"zelvant link-tasks --busy ", "frei mit-vorbehalt gebucht abwesend"},
        {"zelvant config ti", "timezone"},
    };
    for (const auto& [line, expected] : completes) {
        const std::string script = "source '" + (dir / "zelvant.bash").string() + "'\nCOMP_WORDS=(" + line +
                                   (line.back() == ' ' ? "''" : "") + ")\nCOMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
                                   "_zelvant\necho \"${COMPREPLY[*]}\"\n";
        std::ofstream(dir / "try.sh") << script;
        const Result tried = spawn({"/bin/bash", (dir / "try.sh").string()});
        EXPECT_EQ(tried.out, expected + "\n") << line << "\n" << tried.err;
    }

    if (::access("/usr/bin/cmake", X_OK) != 0)
        GTEST_SKIP() << "cmake is not installed";
    const fs::path build = fs::path(ZELVANT_BINARY).parent_path().parent_path(), prefix = dir / "prefix";
    ::setenv("DESTDIR", (dir / "destdir").c_str(), 1);
    const Result install = spawn({"/usr/bin/cmake", "--install", build.string(), "--prefix", prefix.string(),
                                  "--component", "zelvant"});
    ::unsetenv("DESTDIR");
    ASSERT_EQ(install.status, 0) << install.err;
    const fs::path root = (dir / "destdir").string() + prefix.string();
    EXPECT_TRUE(fs::exists(root / "bin" / "zelvant"));
    EXPECT_EQ(read(root / "share" / "bash-completion" / "completions" / "zelvant"), completion.out);
    const std::string man = read(root / "share" / "man" / "man1" / "zelvant.1");
    EXPECT_NE(man.find(".TH ZELVANT 1"), std::string::npos);
    EXPECT_NE(man.find("zelvant link\\-tasks"), std::string::npos);
    EXPECT_FALSE(fs::exists(prefix));
}

TEST_F(CliTest, FileChangedMeanwhileGivesStatusThreeAndOverwritesNothing)
{
    FileRegistry registry(dir / "registry.txt");
    std::ostringstream out, err;
    cli::CommandContext context{registry, out, err};
    const std::string theirs = read(calendar()) ; // someone else saves the calendar during our run
    context.beforeSave = [&] { std::ofstream(calendar(), std::ios::binary | std::ios::app) << "\r\n"; };
    cli::CommandOptions options;
    options.project = plan();
    options.calendar = calendar();
    options.quiet = true;
    const std::string planBefore = read(plan());

    EXPECT_EQ(cli::runLinkTasks(options, context), cli::kConflict);

    EXPECT_EQ(read(calendar()), theirs + "\r\n");
    EXPECT_EQ(read(plan()), planBefore);
    EXPECT_TRUE(fs::exists(dir / "Kalender.ics.zelvant-conflict"));
    EXPECT_NE(err.str().find("Kalender.ics"), std::string::npos);
}

// Undo ----------------------------------------------------------------------------------------------

// The two files byte for byte with their times: what an undo must give back, or leave alone.
std::vector<std::pair<std::string, fs::file_time_type>> bothFiles(const fs::path& plan, const fs::path& calendar)
{
    return {{readWholeFile(plan), fs::last_write_time(plan)}, {readWholeFile(calendar), fs::last_write_time(calendar)}};
}

TEST_F(CliTest, UndoTakesBackTheLastRunAndOnlyOnce)
{
    const std::string planBefore = read(plan()), calendarBefore = read(calendar());
    ASSERT_EQ(onFiles("link-tasks", {"--dry-run"}).status, 0);
    EXPECT_EQ(zelvant({"undo"}).status, 2) << "a dry run leaves nothing to undo";

    ASSERT_EQ(onFiles("link-tasks").status, 0);
    ASSERT_NE(read(plan()), planBefore);
    ASSERT_NE(read(calendar()), calendarBefore);
    const Result second = onFiles("sync"); // writes nothing: the link-tasks run stays the last one
    ASSERT_EQ(second.status, 0) << second.err;

    const Result preview = zelvant({"undo", "--dry-run"});
    EXPECT_EQ(preview.status, 0) << preview.err;
    EXPECT_NE(preview.out.find(plan().string()), std::string::npos) << preview.out;
    EXPECT_NE(read(plan()), planBefore);

    const Result undo = zelvant({"undo"});
    ASSERT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(read(plan()), planBefore);
    EXPECT_EQ(read(calendar()), calendarBefore);
    EXPECT_NE(undo.out.find(plan().string()), std::string::npos) << undo.out;
    EXPECT_NE(undo.out.find(calendar().string()), std::string::npos) << undo.out;

    const Result again = zelvant({"undo"});
    EXPECT_EQ(again.status, 2);
    EXPECT_NE(again.err.find("keinen Lauf"), std::string::npos) << again.err;
    EXPECT_EQ(read(plan()), planBefore);
    EXPECT_EQ(read(calendar()), calendarBefore);

    // The journal lives beside the settings file, whichever that is.
    ASSERT_EQ(onFiles("link-tasks", {"--tasks", "7"}).status, 0);
    EXPECT_TRUE(fs::exists(dir / "journal" / "last-run.txt"));
    ::setenv("ZELVANT_REGISTRY_FILE", (dir / "anderswo" / "registry.txt").c_str(), 1);
    EXPECT_EQ(zelvant({"undo"}).status, 2) << "another user's settings, another journal";
}

// The user moves an appointment, the sync carries it into the plan; the undo takes back the
// sync only: the plan as before it, the calendar with the user's move. The same for the sync in
// its window.
TEST_F(CliTest, UndoOfASyncKeepsTheUsersCalendarEdit)
{
    for (const char* command : {"sync", "quicksync"}) {
        SCOPED_TRACE(command);
        fs::copy_file(fs::path(ZELVANT_EXAMPLES) / "Umzug.xml", plan(), fs::copy_options::overwrite_existing);
        fs::copy_file(fs::path(ZELVANT_EXAMPLES) / "Kalender.ics", calendar(), fs::copy_options::overwrite_existing);
        ASSERT_EQ(onFiles("link-tasks").status, 0);
        editCalendar("move(event('Umzugstag'), D(2027,2,3,8,0), D(2027,2,3,12,0))\n");
        const std::string planBefore = read(plan()), calendarBefore = read(calendar());
        const Result sync = zelvant({command, "--project", plan().string(), "--calendar", calendar().string()});
        ASSERT_EQ(sync.status, 0) << sync.err;
        ASSERT_EQ(loadPlan()->project().taskById(10).start(), makeDateTime(2027, 2, 3, 8, 0));

        const Result undo = zelvant({"undo"});
        ASSERT_EQ(undo.status, 0) << undo.err;
        EXPECT_EQ(read(plan()), planBefore);
        EXPECT_EQ(read(calendar()), calendarBefore);
    }
}

// The calendar changed after the run: the undo refuses with status 3, names the file, writes
// nothing, and keeps the run for an undo once the change is taken back. (Each file and each kind
// of change: UndoJournalTest.)
TEST_F(CliTest, UndoRefusesWhenAFileChangedAfterTheRun)
{
    const std::string planBefore = read(plan()), calendarBefore = read(calendar());
    ASSERT_EQ(onFiles("link-tasks").status, 0);
    const std::string runsVersion = read(calendar());
    std::ofstream(calendar(), std::ios::binary | std::ios::app) << "\n";
    const auto state = bothFiles(plan(), calendar());

    for (const bool dryRun : {true, false}) {
        const Result undo = dryRun ? zelvant({"undo", "--dry-run"}) : zelvant({"undo"});
        EXPECT_EQ(undo.status, 3) << undo.err;
        EXPECT_NE(undo.err.find(calendar().string() + ": Die Datei wurde nach dem letzten Lauf ge\u00E4ndert."),
                  std::string::npos)
            << undo.err;
        EXPECT_NE(undo.err.find("nichts wurde geschrieben"), std::string::npos) << undo.err;
    }
    EXPECT_TRUE(bothFiles(plan(), calendar()) == state);
    EXPECT_FALSE(fs::exists(dir / "Umzug.xml.zelvant-conflict") || fs::exists(dir / "Kalender.ics.zelvant-conflict"));

    std::ofstream(calendar(), std::ios::binary | std::ios::trunc) << runsVersion;
    const Result undo = zelvant({"undo"});
    EXPECT_EQ(undo.status, 0) << undo.err;
    EXPECT_EQ(read(plan()), planBefore);
    EXPECT_EQ(read(calendar()), calendarBefore);
}

} // namespace
} // namespace zelvant
