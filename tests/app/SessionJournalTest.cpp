// The command line's journal in one process: what a command writes goes into it, and another
// program's version taken out during the save comes back with the undo.

#include "app/cli/Commands.h"
#include "app/cli/Session.h"
#include "app/cli/Undo.h"
#include "hosts/common/FileStore.h"
#include "hosts/registry/FileRegistry.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zelvant {
namespace {

namespace fs = std::filesystem;
using testing::readText;
using testing::writeText;

class SessionJournalTest : public ::testing::Test {
protected:
    SessionJournalTest()
    {
        fs::copy_file(fs::path(ZELVANT_EXAMPLES) / "Umzug.xml", plan);
        fs::copy_file(fs::path(ZELVANT_EXAMPLES) / "Kalender.ics", calendar);
        cli::Session::journalRunsIn(journal, err);
    }
    ~SessionJournalTest() override
    {
        cli::Session::journalRunsIn({}, err);
        FileStore::setStepHookForTesting(nullptr);
    }

    int linkTasks()
    {
        cli::CommandOptions options;
        options.project = plan;
        options.calendar = calendar;
        options.quiet = true;
        options.taskIds = {7, 10};
        return cli::runLinkTasks(options, context);
    }

    int undo()
    {
        return cli::runUndo(journal, false, context);
    }

    testing::TempDir scratch;
    const fs::path plan = scratch.file("Umzug.xml"), calendar = scratch.file("Kalender.ics");
    const fs::path journal = scratch.file("journal");
    FileRegistry registry{scratch.file("registry.txt")};
    std::ostringstream out, err;
    cli::CommandContext context{registry, out, err};
};

// The calendar client saves in the last instant of the run's calendar save: the run stops with
// status 3 before the plan, names where the client's version went, and the undo puts it back.
TEST_F(SessionJournalTest, AVersionWrittenDuringTheSaveIsKeptAndComesBackWithTheUndo)
{
    const std::string planBefore = readText(plan);
    const std::string theirs = readText(calendar) + "\r\n";
    // Only while the calendar is being saved: its temporary file is there.
    auto savingCalendar = [&] {
        for (const auto& entry : fs::directory_iterator(scratch.path()))
            if (entry.path().filename().string().rfind("Kalender.ics.tmp-", 0) == 0)
                return true;
        return false;
    };
    FileStore::setStepHookForTesting([&](SaveStep step) {
        if (step == SaveStep::RenameOver && savingCalendar())
            writeText(calendar, theirs);
    });

    EXPECT_EQ(linkTasks(), cli::kConflict);
    FileStore::setStepHookForTesting(nullptr);

    const fs::path other = scratch.file("Kalender.ics.zelvant-other");
    EXPECT_TRUE(readText(other) == theirs);
    EXPECT_NE(readText(calendar).find("Kisten packen"), std::string::npos) << "the run's calendar is in place";
    EXPECT_TRUE(readText(plan) == planBefore) << "the plan comes after the calendar";
    EXPECT_NE(err.str().find(other.string()), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("\u201Ezelvant undo\u201C"), std::string::npos) << err.str();

    EXPECT_EQ(undo(), cli::kDone) << err.str();
    EXPECT_TRUE(readText(calendar) == theirs);
    EXPECT_TRUE(readText(plan) == planBefore);
}

// A journal that cannot be kept is a warning: the run itself is done.
TEST_F(SessionJournalTest, AJournalThatCannotBeKeptOnlyWarns)
{
    writeText(journal, "eine Datei, wo der Ordner hin sollte");
    const std::string planBefore = readText(plan);

    EXPECT_EQ(linkTasks(), cli::kDone) << err.str();
    EXPECT_FALSE(readText(plan) == planBefore);
    EXPECT_NE(err.str().find("Warnung: Dieser Lauf kann nicht r\u00FCckg\u00E4ngig gemacht werden"), std::string::npos)
        << err.str();
    EXPECT_EQ(err.str().find("Warnung: Dieser Lauf", err.str().find("Warnung") + 1), std::string::npos)
        << "said once";
}

} // namespace
} // namespace zelvant
