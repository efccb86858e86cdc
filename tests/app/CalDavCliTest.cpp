// The command line with the calendar on a server: the real `zelvant` binary against Radicale
// (started by ctest), with another CalDAV client (Debian's python3-caldav) changing the calendar
// between runs and during one.

#include "app/cli/Commands.h"
#include "app/cli/Session.h"
#include "engine/LinkModel.h"
#include "hosts/caldav/HttpClient.h"
#include "hosts/common/FileStore.h"
#include "hosts/projectfile/ProjectFile.h"
#include "hosts/registry/FileRegistry.h"
#include "tests/support/Spawn.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <unistd.h>

namespace zelvant {
namespace {

namespace fs = std::filesystem;

using testing::Result;

class CalDavCliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string server = ZELVANT_TEST_CALDAV;
        fs::copy_file(fs::path(ZELVANT_EXAMPLES) / "Umzug.xml", plan());
        scratch.write(".netrc", "machine 127.0.0.1 login zelvant password geheim\n");
        ::setenv("HOME", dir.c_str(), 1);
        ::setenv("TZ", "Europe/Berlin", 1);
        ::setenv("ZELVANT_REGISTRY_FILE", (dir / "registry.txt").c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        url = server + dir.filename().string() + "/";
        ASSERT_EQ(HttpClient().send({"MKCALENDAR", url, {}, {}}).status, 201);
    }

    fs::path plan() const { return dir / "Umzug.xml"; }

    Result spawn(const std::vector<std::string>& args) { return testing::spawn(dir, args); }
    Result zelvant(const std::string& command)
    {
        std::vector<std::string> args{ZELVANT_BINARY,  command,      "--project",
                                      plan().string(), "--calendar", url};
        if (command != "quicksync")
            args.push_back("--quiet");
        return spawn(args);
    }
    // The other client: "list", "move-subject SUBJECT MINUTES", "rename UID TEXT", "delete UID".
    Result other(std::vector<std::string> action)
    {
        action.insert(action.begin(), {"/usr/bin/python3", ZELVANT_OTHER_CLIENT, url, "zelvant", "geheim"});
        return spawn(action);
    }
    std::string uidOf(const std::string& subject)
    {
        std::istringstream lines(other({"list"}).out);
        for (std::string line; std::getline(lines, line);)
            if (line.find("\t" + subject + "\t") != std::string::npos)
                return line.substr(0, line.find('\t'));
        return {};
    }

    testing::TempDir scratch;
    const fs::path dir = scratch.path();
    std::string url;
};

// Link, let the other client move, rename and delete, synchronise in the window, and take the run back: the
// plan follows the calendar, a run right after writes nothing, and the undo puts plan and
// server calendar back as they were before the sync.
TEST_F(CalDavCliTest, ThePlanFollowsAnotherClientAndUndoPutsBothBack)
{
    const Result link = zelvant("link-tasks");
    ASSERT_EQ(link.status, 0) << link.err;
    const std::string linked = other({"list"}).out;
    EXPECT_EQ(std::count(linked.begin(), linked.end(), '\n'), 11);
    const std::string planLinked = readWholeFile(plan());
    ASSERT_EQ(zelvant("sync").status, 0);
    EXPECT_EQ(readWholeFile(plan()), planLinked);
    EXPECT_EQ(other({"list"}).out, linked) << "a sync right after linking changes nothing";

    const Result calendars = spawn({ZELVANT_BINARY, "list", "calendars", "--server", ZELVANT_TEST_CALDAV});
    EXPECT_NE(calendars.out.find(url), std::string::npos) << calendars.out << calendars.err;

    ASSERT_EQ(other({"move-subject", "Umzugstag", "1440"}).status, 0);
    ASSERT_EQ(other({"rename", uidOf("Bedarf erheben"), "Bedarf ermitteln"}).status, 0);
    ASSERT_EQ(other({"delete", uidOf("Kisten packen (3)")}).status, 0); // one part of a split task gone
    const std::string edited = other({"list"}).out;
    const Result sync = zelvant("quicksync"); // the window's sync, on the same session

    ASSERT_EQ(sync.status, 0) << sync.err;
    {
        auto file = ProjectFile::load(plan());
        EXPECT_EQ(file->project().taskById(10).start(), makeDateTime(2027, 1, 28, 8, 0));
        EXPECT_EQ(file->project().taskById(3).name(), "Bedarf ermitteln");
        EXPECT_EQ(file->project().taskById(7).splitPartCount(), 2);
    }
    const std::string planSynced = readWholeFile(plan());
    ASSERT_EQ(zelvant("sync").status, 0);
    EXPECT_EQ(readWholeFile(plan()), planSynced);

    const Result undo = spawn({ZELVANT_BINARY, "undo"});
    ASSERT_EQ(undo.status, 0) << undo.err;
    EXPECT_NE(undo.out.find(url), std::string::npos) << undo.out;
    EXPECT_EQ(readWholeFile(plan()), planLinked);
    EXPECT_EQ(other({"list"}).out, edited);

    // The wrong calendar (another, empty collection) would unlink every task: the brake stops it.
    url = std::string(ZELVANT_TEST_CALDAV) + dir.filename().string() + "-leer/";
    ASSERT_EQ(HttpClient().send({"MKCALENDAR", url, {}, {}}).status, 201);
    EXPECT_EQ(zelvant("sync").status, 4);
    EXPECT_EQ(readWholeFile(plan()), planLinked);
}

// Someone changes an appointment on the server while a sync runs: that appointment is not
// overwritten, its task stays as the file has it, the others are written, and the run ends with
// status 3. The next run takes the other client's version, as the calendar wins.
TEST_F(CalDavCliTest, AnAppointmentChangedDuringTheRunIsNotOverwrittenAndItsTaskStays)
{
    ASSERT_EQ(zelvant("link-tasks").status, 0);
    {
        auto file = ProjectFile::load(plan()); // the user moves two tasks in the plan
        file->project().taskById(10).setStart(makeDateTime(2027, 2, 1, 8, 0));
        file->project().taskById(3).setStart(makeDateTime(2027, 1, 12, 8, 0));
        file->save();
    }
    const std::string storedBefore = ProjectFile::load(plan())->project().taskById(10).getField(kText29);

    FileRegistry registry(dir / "registry.txt");
    std::ostringstream out, err;
    cli::CommandContext context{registry, out, err};
    context.beforeSave = [&] { ASSERT_EQ(other({"move-subject", "Umzugstag", "60"}).status, 0); };
    cli::Session::serversReachedWith(dir / "cache", {});
    cli::CommandOptions options;
    options.project = plan();
    options.calendar = url;
    options.quiet = true;
    EXPECT_EQ(cli::runSync(options, context), cli::kConflict);
    EXPECT_NE(err.str().find("Termin \u201EUmzugstag\u201C wurde nicht geschrieben"), std::string::npos)
        << err.str();
    {
        auto file = ProjectFile::load(plan());
        EXPECT_EQ(file->project().taskById(10).getField(kText29), storedBefore);
        EXPECT_EQ(file->project().taskById(10).start(), makeDateTime(2027, 2, 1, 8, 0));
        EXPECT_EQ(link::storedStart(file->project().taskById(3).getField(kText29)),
                  makeDateTime(2027, 1, 12, 8, 0));
    }
    const Result next = zelvant("sync");
    ASSERT_EQ(next.status, 0) << next.err;
    EXPECT_EQ(ProjectFile::load(plan())->project().taskById(10).start(), makeDateTime(2027, 1, 27, 9, 0));
}

} // namespace
} // namespace zelvant
