#include "hosts/common/UndoJournal.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace zelvant {
namespace {

namespace fs = std::filesystem;
using testing::readText;
using testing::writeText;

class UndoJournalTest : public ::testing::Test {
protected:
    UndoJournalTest()
    {
        writeText(plan, "Plan vorher");
        writeText(calendar, "Kalender vorher");
    }
    void TearDown() override { FileStore::setStepHookForTesting(nullptr); }

    // Saves the way a run does: against the fingerprint of what it read.
    static void save(const fs::path& path, const std::string& content)
    {
        const FileFingerprint read = fingerprintOf(readWholeFile(path));
        FileStore::replace(path, content, &read);
    }

    // One run that writes the calendar, then the plan.
    void runWriting(const std::string& calendarText, const std::string& planText)
    {
        UndoJournal::Run run(folder, {plan, calendar});
        save(calendar, calendarText);
        save(plan, planText);
    }

    std::vector<std::string> contents() const { return {readText(plan), readText(calendar)}; }

    testing::TempDir scratch;
    // Any name comes back from the record as it went in: blanks, line breaks, percent signs.
    const fs::path plan = scratch.file("  Umzug 100%\n%0A \u00C4.xml");
    const fs::path calendar = scratch.file("Kalender.ics");
    const fs::path folder = scratch.file("journal");
    UndoJournal journal{folder};
};

// Only the last run that wrote is kept, each file with its version from before the run, however
// often the run saved it; an undo puts them back and is used up. The user's own files in the
// folder stay.
TEST_F(UndoJournalTest, UndoPutsBackTheLastRunThatWroteAndIsUsedUp)
{
    runWriting("Kalender 1", "Plan 1");
    ASSERT_EQ(journal.files().size(), 2u);
    EXPECT_EQ(journal.files()[0].path, calendar) << "in the order the run wrote them";
    writeText(folder / "notizen.txt", "meins");
    runWriting("Kalender 2", "Plan 2");
    {
        UndoJournal::Run run(folder, {plan, calendar});
        save(plan, "Plan Zwischenstand");
        save(plan, "Plan 3");
        save(calendar, "Kalender 2");
        FileStore::replace(scratch.file("anderes.txt"), "nicht Teil des Laufs");
        EXPECT_TRUE(run.replaced(plan));
        EXPECT_FALSE(run.replaced(calendar));
    }
    { // a run that writes nothing leaves the record
        UndoJournal::Run run(folder, {plan, calendar});
        save(plan, "Plan 3");
    }
    EXPECT_EQ(journal.undo(), std::vector<fs::path>{plan});
    EXPECT_EQ(contents(), (std::vector<std::string>{"Plan 2", "Kalender 2"}));
    EXPECT_TRUE(journal.undo().empty()) << "a second undo finds nothing";
    EXPECT_EQ(contents(), (std::vector<std::string>{"Plan 2", "Kalender 2"}));
    EXPECT_EQ(readText(folder / "notizen.txt"), "meins");
}

// A change made after the run, edited or removed: the undo refuses, names the file and writes
// nothing; the run can still be undone once the change is taken back.
TEST_F(UndoJournalTest, AFileChangedAfterTheRunStopsTheUndo)
{
    for (const bool remove : {false, true}) {
        SCOPED_TRACE(remove);
        runWriting("Kalender nachher", "Plan nachher");
        const fs::path changed = remove ? plan : calendar;
        if (remove)
            fs::remove(changed);
        else
            writeText(changed, "danach bearbeitet");
        const auto names = scratch.names();
        try {
            journal.undo();
            ADD_FAILURE() << "undo went ahead";
        } catch (const ChangedSinceRunError& error) {
            EXPECT_EQ(error.path(), changed);
            EXPECT_NE(std::string(error.what()).find("nichts wurde geschrieben"), std::string::npos);
        }
        EXPECT_EQ(scratch.names(), names);
        EXPECT_EQ(readText(remove ? calendar : plan), remove ? "Kalender nachher" : "Plan nachher");
        writeText(changed, remove ? "Plan nachher" : "Kalender nachher");
        EXPECT_EQ(journal.undo().size(), 2u);
        EXPECT_EQ(contents(), (std::vector<std::string>{"Plan vorher", "Kalender vorher"}));
    }
}

// The second file cannot be written: the first gets the run's version again.
TEST_F(UndoJournalTest, UndoIsAllOrNothing)
{
    runWriting("Kalender nachher", "Plan nachher");
    int renames = 0;
    FileStore::setStepHookForTesting([&](SaveStep step) {
        if (step == SaveStep::RenameOver && ++renames == 2)
            throw FileError(plan, "Platte voll");
    });
    EXPECT_THROW(journal.undo(), FileError);
    FileStore::setStepHookForTesting(nullptr);

    EXPECT_EQ(contents(), (std::vector<std::string>{"Plan nachher", "Kalender nachher"}));
    EXPECT_EQ(journal.undo().size(), 2u) << "the run can still be undone";
    EXPECT_EQ(contents(), (std::vector<std::string>{"Plan vorher", "Kalender vorher"}));
}

// A kept version changed, or the record unreadable: nothing is written.
TEST_F(UndoJournalTest, ADamagedJournalWritesNothing)
{
    runWriting("Kalender nachher", "Plan nachher");
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".prev")
            writeText(entry.path(), "verdorben");
    EXPECT_THROW(journal.undo(), FileError);
    writeText(folder / "last-run.txt", "Zelvant journal 1\n3 00000000000000zz 3 0000000000000000 /x\n");
    try {
        journal.undo();
        ADD_FAILURE() << "undone";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("besch\u00E4digt"), std::string::npos);
    }
    EXPECT_EQ(contents(), (std::vector<std::string>{"Plan nachher", "Kalender nachher"}));
}

// Another program wrote the calendar in the last instant of the run's save: the journal holds
// their version, so undoing the run brings it back.
TEST_F(UndoJournalTest, AVersionTakenOutDuringTheSaveComesBackWithTheUndo)
{
    {
        UndoJournal::Run run(folder, {plan, calendar});
        FileStore::setStepHookForTesting([&](SaveStep step) {
            if (step == SaveStep::RenameOver)
                writeText(calendar, "Kalender des anderen Programms");
        });
        EXPECT_THROW(save(calendar, "Kalender nachher"), FileConflictError);
        FileStore::setStepHookForTesting(nullptr);
        EXPECT_TRUE(run.replaced(calendar));
    }
    journal.undo();
    EXPECT_EQ(readText(calendar), "Kalender des anderen Programms");
}

// The calendar's version cannot be kept (something else has the name of its copy): the run's
// files are written all the same, and the journal keeps neither the older run nor half of this.
TEST_F(UndoJournalTest, AJournalThatCannotBeWrittenKeepsNoHalfRun)
{
    runWriting("Kalender 1", "Plan 1");
    const FileFingerprint kept = fingerprintOf("Kalender 1");
    char name[64];
    std::snprintf(name, sizeof name, "%016llx-%llu.prev", static_cast<unsigned long long>(kept.hash),
                  static_cast<unsigned long long>(kept.size));
    fs::create_directories(folder / name / "besetzt");
    {
        UndoJournal::Run run(folder, {plan, calendar});
        save(calendar, "Kalender 2");
        ASSERT_TRUE(run.problem().has_value());
        fs::remove_all(folder / name);
        save(plan, "Plan 2");
    }
    EXPECT_EQ(contents(), (std::vector<std::string>{"Plan 2", "Kalender 2"}))
        << "the run's files are written";
    EXPECT_TRUE(journal.files().empty());
}

} // namespace
} // namespace zelvant
