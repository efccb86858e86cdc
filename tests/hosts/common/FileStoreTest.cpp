#include "hosts/common/FileStore.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace zelvant {
namespace {

namespace fs = std::filesystem;
using testing::writeText;

class FileStoreTest : public ::testing::Test {
protected:
    void TearDown() override { FileStore::setStepHookForTesting(nullptr); }

    testing::TempDir scratch;
    const fs::path dir = scratch.path();
    const fs::path file = scratch.file("plan.xml");
};

TEST_F(FileStoreTest, ReplacesAndKeepsThePreviousVersion)
{
    writeText(file, "alt");
    const FileFingerprint loaded = fingerprintOf(readWholeFile(file));

    FileStore::replace(file, "neu", &loaded);

    EXPECT_EQ(readWholeFile(file), "neu");
    EXPECT_EQ(readWholeFile(dir / "plan.xml.bak"), "alt");
    EXPECT_EQ(scratch.names(), (std::set<std::string>{"plan.xml", "plan.xml.bak"})); // no temporary file
}

TEST_F(FileStoreTest, TheSameContentAgainWritesNothing)
{
    const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    // With the fingerprint as read, with none, and with one from before someone else wrote
    // exactly this content: nothing to write, nothing in conflict.
    const FileFingerprint asRead = fingerprintOf("gleich");
    const FileFingerprint before = fingerprintOf("vorher");
    for (const FileFingerprint* expected : {&asRead, static_cast<const FileFingerprint*>(nullptr), &before}) {
        writeText(file, "gleich");
        writeText(dir / "plan.xml.bak", "letzte echte Sicherung");
        fs::last_write_time(file, longAgo);

        EXPECT_FALSE(FileStore::replace(file, "gleich", expected));

        EXPECT_EQ(fs::last_write_time(file), longAgo);
        EXPECT_EQ(readWholeFile(dir / "plan.xml.bak"), "letzte echte Sicherung");
        EXPECT_EQ(scratch.names(), (std::set<std::string>{"plan.xml", "plan.xml.bak"}));
    }
    EXPECT_TRUE(FileStore::replace(file, "anders", &asRead));
    EXPECT_EQ(readWholeFile(dir / "plan.xml.bak"), "gleich");
}

TEST_F(FileStoreTest, KeepsTheFilesPermissions)
{
    writeText(file, "alt");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    FileStore::replace(file, "neu");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(FileStoreTest, FileChangedMeanwhileIsNotOverwritten)
{
    writeText(file, "geladen");
    const FileFingerprint loaded = fingerprintOf(readWholeFile(file));
    writeText(file, "von jemand anderem");

    try {
        FileStore::replace(file, "unsere", &loaded);
        FAIL() << "expected a conflict";
    } catch (const FileConflictError& conflict) {
        EXPECT_NE(std::string(conflict.what()).find("plan.xml"), std::string::npos);
        EXPECT_EQ(conflict.conflictPath(), dir / "plan.xml.zelvant-conflict");
    }
    EXPECT_EQ(readWholeFile(file), "von jemand anderem");
    EXPECT_EQ(readWholeFile(dir / "plan.xml.zelvant-conflict"), "unsere");
}

TEST_F(FileStoreTest, SameSizeChangeIsNoticedToo)
{
    writeText(file, "aaaa");
    const FileFingerprint loaded = fingerprintOf(readWholeFile(file));
    writeText(file, "aaab");
    EXPECT_THROW(FileStore::replace(file, "neu", &loaded), FileConflictError);
}

TEST_F(FileStoreTest, InterruptedSaveLeavesOldOrNewFileWhole)
{
    for (SaveStep crashAt : {SaveStep::WriteTemporary, SaveStep::FlushTemporary, SaveStep::KeepBackup,
                             SaveStep::RenameOver, SaveStep::Done}) {
        writeText(file, "alte Fassung");
        fs::remove(dir / "plan.xml.bak");
        FileStore::setStepHookForTesting([crashAt](SaveStep step) {
            if (step == crashAt)
                throw std::runtime_error("Absturz");
        });
        EXPECT_THROW(FileStore::replace(file, "neue Fassung"), std::runtime_error);
        FileStore::setStepHookForTesting(nullptr);

        const std::string content = readWholeFile(file);
        EXPECT_TRUE(content == "alte Fassung" || content == "neue Fassung") << int(crashAt);
        EXPECT_EQ(content == "neue Fassung", crashAt == SaveStep::Done) << int(crashAt);
        for (const auto& entry : fs::directory_iterator(dir))
            EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << int(crashAt);
    }
}

TEST_F(FileStoreTest, ReadErrorsNameTheFileAndTheProblem)
{
    auto messageOf = [](const fs::path& path) {
        try {
            readWholeFile(path);
        } catch (const FileError& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    EXPECT_NE(messageOf(dir / "fehlt.xml").find("fehlt.xml: Die Datei existiert nicht."), std::string::npos);
    EXPECT_NE(messageOf(dir).find("Verzeichnis"), std::string::npos);
    if (::geteuid() != 0) { // root reads everything
        writeText(file, "x");
        fs::permissions(file, fs::perms::none);
        EXPECT_NE(messageOf(file).find("Berechtigung"), std::string::npos);
    }
}

TEST_F(FileStoreTest, UnwritableFolderFailsCleanly)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes everywhere";
    writeText(file, "alt");
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(FileStore::replace(file, "neu"), FileError);
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(readWholeFile(file), "alt");
}

} // namespace
} // namespace zelvant
