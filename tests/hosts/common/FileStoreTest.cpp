#include "hosts/common/FileStore.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvant {
namespace {

namespace fs = std::filesystem;
using testing::writeText;

class FileStoreTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        FileStore::setStepHookForTesting(nullptr);
        FileStore::setSwapForTesting(true);
    }

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

// Another program saving the file while a save is under way, the way editors do it: over the
// open file, or into a file of its own renamed over the original.
enum class TheirWrite { InPlace, RenamedOver };

void writeAsAnotherProgram(const fs::path& file, const std::string& text, TheirWrite how)
{
    if (how == TheirWrite::InPlace) {
        writeText(file, text);
        return;
    }
    const fs::path theirs = file.string() + ".theirs-new";
    writeText(theirs, text);
    fs::rename(theirs, file);
}

// What the other program wrote and what the run wrote each survive somewhere, whenever the
// other program comes: before the last look the file stays theirs; in the instant after it the
// swap takes their version out and keeps it; after the save their write simply stands.
TEST_F(FileStoreTest, AnotherProgramWritingAtAnyStepLosesNothing)
{
    const std::string read = "geladen", ours = "unsere Fassung", theirs = "Fassung des anderen Programms";
    struct Case {
        SaveStep step;
        std::optional<FileConflictError::Beside> beside; // nothing: no conflict
        const char* inFile;
        const char* besideName;
    };
    const Case cases[] = {
        {SaveStep::WriteTemporary, FileConflictError::Beside::Ours, "theirs", "plan.xml.zelvant-conflict"},
        {SaveStep::FlushTemporary, FileConflictError::Beside::Ours, "theirs", "plan.xml.zelvant-conflict"},
        {SaveStep::KeepBackup, FileConflictError::Beside::Ours, "theirs", "plan.xml.zelvant-conflict"},
        {SaveStep::RenameOver, FileConflictError::Beside::Theirs, "ours", "plan.xml.zelvant-other"},
        {SaveStep::Done, std::nullopt, "theirs", nullptr},
    };
    for (const bool swap : {true, false})
        for (const TheirWrite how : {TheirWrite::InPlace, TheirWrite::RenamedOver})
            for (const Case& c : cases) {
                SCOPED_TRACE(::testing::Message() << "step " << int(c.step) << (swap ? ", swap" : ", link")
                                                  << (how == TheirWrite::InPlace ? ", in place" : ", renamed over"));
                for (const auto& entry : fs::directory_iterator(dir))
                    fs::remove(entry.path());
                writeText(file, read);
                writeText(dir / "plan.xml.bak", "Sicherung von vorher");
                const FileFingerprint loaded = fingerprintOf(readWholeFile(file));
                FileStore::setSwapForTesting(swap);
                FileStore::setStepHookForTesting([&](SaveStep step) {
                    if (step == c.step)
                        writeAsAnotherProgram(file, theirs, how);
                });
                std::vector<std::string> heard;
                FileStore::Watch watch([&](const Replacement& replaced) { heard.push_back(replaced.previous); });

                std::optional<FileConflictError::Beside> beside;
                fs::path conflictPath;
                try {
                    EXPECT_TRUE(FileStore::replace(file, ours, &loaded));
                } catch (const FileConflictError& conflict) {
                    beside = conflict.beside();
                    conflictPath = conflict.conflictPath();
                    EXPECT_NE(std::string(conflict.what()).find(conflictPath.string()), std::string::npos);
                }
                FileStore::setStepHookForTesting(nullptr);

                EXPECT_EQ(beside, c.beside);
                EXPECT_EQ(readWholeFile(file), std::string(c.inFile) == "ours" ? ours : theirs);
                std::set<std::string> names{"plan.xml", "plan.xml.bak"};
                if (c.besideName) {
                    EXPECT_EQ(conflictPath, dir / c.besideName);
                    EXPECT_EQ(readWholeFile(dir / c.besideName), std::string(c.inFile) == "ours" ? theirs : ours);
                    names.insert(c.besideName);
                }
                EXPECT_EQ(scratch.names(), names) << "no temporary file, nothing else";
                if (c.beside == FileConflictError::Beside::Ours) {
                    EXPECT_EQ(readWholeFile(dir / "plan.xml.bak"), "Sicherung von vorher") << "nothing replaced";
                }
                // The version the save took out of its place is what a journal hears of.
                const std::vector<std::string> replaced =
                    c.beside == FileConflictError::Beside::Ours ? std::vector<std::string>{}
                    : c.beside                                  ? std::vector<std::string>{theirs}
                                                                : std::vector<std::string>{read};
                EXPECT_EQ(heard, replaced);
            }
}

// Random contents, same size or not, written by the other program at a random step, in place
// or renamed over: neither version is ever lost, and the file holds one of the two.
TEST_F(FileStoreTest, NoVersionIsLostWhateverTheOtherProgramWrites)
{
    std::mt19937 random(20270118);
    auto text = [&](std::size_t size) {
        std::string result(size, ' ');
        for (char& c : result)
            c = char('a' + random() % 3);
        return result;
    };
    for (int round = 0; round < 200; ++round) {
        for (const auto& entry : fs::directory_iterator(dir))
            fs::remove(entry.path());
        const std::size_t size = 1 + random() % 40;
        const std::string read = text(size);
        // Both differ from what was read: a save of the same content is no save, and another
        // program writing it back is no change.
        auto anotherThan = [&](const std::string& other) {
            std::string result;
            do
                result = text(random() % 2 ? size : 1 + random() % 40);
            while (result == other);
            return result;
        };
        const std::string ours = anotherThan(read);
        const std::string theirs = anotherThan(read);
        const auto at = SaveStep(random() % 5);
        const auto how = random() % 2 ? TheirWrite::InPlace : TheirWrite::RenamedOver;
        FileStore::setSwapForTesting(random() % 2 == 0);
        SCOPED_TRACE(::testing::Message() << "round " << round << " step " << int(at));
        writeText(file, read);
        const FileFingerprint loaded = fingerprintOf(read);
        FileStore::setStepHookForTesting([&](SaveStep step) {
            if (step == at)
                writeAsAnotherProgram(file, theirs, how);
        });
        try {
            FileStore::replace(file, ours, &loaded);
        } catch (const FileConflictError&) {
        }
        FileStore::setStepHookForTesting(nullptr);

        std::set<std::string> versions;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().filename() != "plan.xml.bak")
                versions.insert(readWholeFile(entry.path()));
        const std::string now = readWholeFile(file);
        EXPECT_TRUE(now == ours || now == theirs) << now;
        EXPECT_TRUE(versions.count(theirs)) << "their version is lost";
        if (at != SaveStep::Done) {
            EXPECT_TRUE(versions.count(ours)) << "this run's version is lost";
        }
        for (const std::string& name : scratch.names())
            EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
    }
}

TEST_F(FileStoreTest, AWatchHearsOfEveryReplacedFileAndNothingElse)
{
    writeText(file, "alt");
    std::vector<std::pair<std::string, FileFingerprint>> heard;
    {
        FileStore::Watch watch([&](const Replacement& replaced) {
            heard.emplace_back(replaced.path.filename().string() + ":" + replaced.previous, replaced.written);
        });
        EXPECT_TRUE(FileStore::replace(file, "neu")); // without a fingerprint too
        EXPECT_FALSE(FileStore::replace(file, "neu"));
        FileStore::writePrivate(dir / "eigene.txt", "nicht die Datei des Benutzers");
        const FileFingerprint stale = fingerprintOf("veraltet");
        EXPECT_THROW(FileStore::replace(file, "unsere", &stale), FileConflictError);
    }
    FileStore::replace(file, "ungehört");
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].first, "plan.xml:alt");
    EXPECT_EQ(heard[0].second, fingerprintOf("neu"));
}

TEST_F(FileStoreTest, PrivateFilesAreTheUsersAlone)
{
    FileStore::writePrivate(dir / "eigene.txt", "erste");
    FileStore::writePrivate(dir / "eigene.txt", "zweite");
    EXPECT_EQ(readWholeFile(dir / "eigene.txt"), "zweite");
    EXPECT_EQ(fs::status(dir / "eigene.txt").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(scratch.names(), std::set<std::string>{"eigene.txt"}); // no backup, no temporary file
}

} // namespace
} // namespace zelvant
