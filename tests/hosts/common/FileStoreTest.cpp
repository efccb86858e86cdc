#include "hosts/common/FileStore.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace zelvant {
namespace {

namespace fs = std::filesystem;
using testing::writeText;
using Beside = FileConflictError::Beside;

class FileStoreTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        FileStore::setStepHookForTesting(nullptr);
        FileStore::setSwapForTesting(true);
    }
    void clear()
    {
        for (const auto& entry : fs::directory_iterator(dir))
            fs::remove(entry.path());
    }

    testing::TempDir scratch;
    const fs::path dir = scratch.path();
    const fs::path file = scratch.file("plan.xml");
};

TEST_F(FileStoreTest, ReplacesKeepingBackupAndPermissionsAndSameContentWritesNothing)
{
    writeText(file, "alt");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    const FileFingerprint loaded = fingerprintOf(readWholeFile(file));
    EXPECT_TRUE(FileStore::replace(file, "neu", &loaded));
    EXPECT_EQ(readWholeFile(file), "neu");
    EXPECT_EQ(readWholeFile(dir / "plan.xml.bak"), "alt");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(scratch.names(), (std::set<std::string>{"plan.xml", "plan.xml.bak"})); // no temporary file

    // The same content again, with the fingerprint as read, none, or one from before someone
    // else wrote exactly this content: the file keeps its time and NAME.bak stays.
    const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    const FileFingerprint asRead = fingerprintOf("neu"), before = fingerprintOf("vorher");
    for (const FileFingerprint* expected : {&asRead, static_cast<const FileFingerprint*>(nullptr), &before}) {
        fs::last_write_time(file, longAgo);
        EXPECT_FALSE(FileStore::replace(file, "neu", expected));
        EXPECT_EQ(fs::last_write_time(file), longAgo);
        EXPECT_EQ(readWholeFile(dir / "plan.xml.bak"), "alt");
    }
    // The program's own files: readable by the user alone, without a backup.
    FileStore::writePrivate(dir / "eigene.txt", "zweite");
    EXPECT_EQ(fs::status(dir / "eigene.txt").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(fs::exists(dir / "eigene.txt.bak"));
    if (::geteuid() == 0)
        return; // root writes everywhere
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(FileStore::replace(file, "neuer"), FileError);
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(readWholeFile(file), "neu");
}

// Another program saving before or while a save is under way, over the open file or renamed over
// it, a wholly other text or one of the last bytes changed (which the fingerprint has to see): until
// the last look the file stays theirs; in the instant after it the swap takes their
// version out and keeps it; after the save their write simply stands. Nothing is lost.
TEST_F(FileStoreTest, AnotherProgramWritingAtAnyStepLosesNothing)
{
    const std::string read(70001, 'a');
    // The same length, one byte changed: the last one, or the one before it in the last full word.
    const std::string ours = "unsere Fassung", last = read.substr(0, read.size() - 1) + 'x',
                      beforeLast = read.substr(0, read.size() - 2) + 'x' + read.back();
    struct Case {
        std::optional<SaveStep> step;
        std::optional<Beside> beside;
        const char* besideName;
    };
    const Case cases[] = {
        {std::nullopt, Beside::Ours, "plan.xml.zelvant-conflict"}, // before the save began
        {SaveStep::WriteTemporary, Beside::Ours, "plan.xml.zelvant-conflict"},
        {SaveStep::FlushTemporary, Beside::Ours, "plan.xml.zelvant-conflict"},
        {SaveStep::KeepBackup, Beside::Ours, "plan.xml.zelvant-conflict"},
        {SaveStep::RenameOver, Beside::Theirs, "plan.xml.zelvant-other"},
        {SaveStep::Done, std::nullopt, nullptr},
    };
    for (const std::string& theirs : {std::string("Fassung des anderen Programms"), last, beforeLast})
        for (const bool swap : {true, false})
            for (const bool inPlace : {true, false})
                for (const Case& c : cases) {
                    SCOPED_TRACE(::testing::Message()
                                 << (c.step ? int(*c.step) : -1) << swap << inPlace << theirs.size());
                    clear();
                    writeText(file, read);
                    writeText(dir / "plan.xml.bak", "Sicherung von vorher");
                    // An old time, so that a write in the same instant shows in the file's times.
                    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));
                    const FileFingerprint loaded = fingerprintOf(readWholeFile(file));
                    FileStore::setSwapForTesting(swap);
                    auto theirWrite = [&] {
                        writeText(inPlace ? file : dir / "theirs.new", theirs);
                        if (!inPlace)
                            fs::rename(dir / "theirs.new", file);
                    };
                    if (!c.step)
                        theirWrite();
                    FileStore::setStepHookForTesting([&](SaveStep step) {
                        if (step == c.step)
                            theirWrite();
                    });
                    std::optional<Beside> beside;
                    fs::path conflictPath;
                    try {
                        EXPECT_TRUE(FileStore::replace(file, ours, &loaded));
                    } catch (const FileConflictError& conflict) {
                        beside = conflict.beside();
                        conflictPath = conflict.conflictPath();
                        EXPECT_NE(std::string(conflict.what()).find(conflictPath.string()),
                                  std::string::npos);
                    }
                    FileStore::setStepHookForTesting(nullptr);

                    EXPECT_EQ(beside, c.beside);
                    const bool oursInFile = c.beside == Beside::Theirs;
                    EXPECT_EQ(readWholeFile(file), oursInFile ? ours : theirs);
                    std::set<std::string> names{"plan.xml", "plan.xml.bak"};
                    if (c.besideName) {
                        EXPECT_EQ(conflictPath, dir / c.besideName);
                        EXPECT_EQ(readWholeFile(dir / c.besideName), oursInFile ? theirs : ours);
                        names.insert(c.besideName);
                    }
                    EXPECT_EQ(scratch.names(), names) << "no temporary file, nothing else";
                    if (c.beside == Beside::Ours) {
                        EXPECT_EQ(readWholeFile(dir / "plan.xml.bak"), "Sicherung von vorher");
                    }
                }
}

} // namespace
} // namespace zelvant
