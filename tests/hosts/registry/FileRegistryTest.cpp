#include "hosts/registry/FileRegistry.h"
#include "hosts/registry/MemoryRegistry.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sys/stat.h>

namespace zelvant {
namespace {

namespace fs = std::filesystem;

const std::string kKey = "Software\\Brimek\\Zelvant\\Settings";

// Each test gets a fresh folder and the environment variables it may change back afterwards.
class FileRegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"ZELVANT_REGISTRY_FILE", "XDG_CONFIG_HOME", "HOME"})
            if (const char* value = std::getenv(name))
                savedEnvironment_[name] = value;
    }

    void TearDown() override
    {
        FileStore::setStepHookForTesting(nullptr);
        for (const char* name : {"ZELVANT_REGISTRY_FILE", "XDG_CONFIG_HOME", "HOME"}) {
            const auto saved = savedEnvironment_.find(name);
            if (saved == savedEnvironment_.end())
                ::unsetenv(name);
            else
                ::setenv(name, saved->second.c_str(), 1);
        }
    }

    void writeFile(const std::string& text)
    {
        fs::create_directories(file_.parent_path());
        testing::writeText(file_, text);
    }

    std::string readFile() const { return readWholeFile(file_); }

    static ino_t inodeOf(const fs::path& path)
    {
        struct stat info {};
        ::stat(path.c_str(), &info);
        return info.st_ino;
    }

    static void setValue(Registry& registry, const std::string& name, const RegValue& value)
    {
        registry.createKey(kHkeyCurrentUser, kKey)->set(name, value);
    }

    testing::TempDir scratch_;
    const fs::path dir_ = scratch_.path();
    const fs::path file_ = dir_ / "config" / "zelvant" / "registry.txt";
    std::map<std::string, std::string> savedEnvironment_;
};

TEST_F(FileRegistryTest, MissingFileIsAnEmptyRegistryAndReadingCreatesNothing)
{
    FileRegistry registry(file_);
    EXPECT_EQ(registry.openKey(kHkeyCurrentUser, kKey), nullptr);
    EXPECT_FALSE(registry.openKey(kHkeyCurrentUser, "")->query("x"));
    EXPECT_FALSE(fs::exists(file_.parent_path()));
}

TEST_F(FileRegistryTest, CreatingAKeyCreatesFileAndFolders)
{
    FileRegistry registry(file_);
    registry.createKey(kHkeyCurrentUser, kKey);
    ASSERT_TRUE(fs::exists(file_));
    EXPECT_NE(readFile().find("[HKEY_CURRENT_USER\\" + kKey + "]\n"), std::string::npos);
    EXPECT_NE(registry.openKey(kHkeyCurrentUser, "Software\\Brimek"), nullptr);
}

TEST_F(FileRegistryTest, ValuesPersistForTheNextProgramRun)
{
    {
        FileRegistry first(file_);
        setValue(first, "Name", RegValue::sz("Gr\u00FCn"));
    }
    FileRegistry(file_).createKey(kHkeyCurrentUser, kKey)->set("Count", RegValue::dword(31));

    FileRegistry later(file_);
    const auto key = later.openKey(kHkeyCurrentUser, "software\\brimek\\zelvant\\settings");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->query("name"), RegValue::sz("Gr\u00FCn"));
    EXPECT_EQ(key->query("Count"), RegValue::dword(31));
}

TEST_F(FileRegistryTest, AnOpenKeySeesChangesMadeByAnotherProgram)
{
    FileRegistry registry(file_);
    const auto key = registry.createKey(kHkeyCurrentUser, kKey);
    writeFile("[HKEY_CURRENT_USER\\" + kKey + "]\n\"Name\"=sz:\"von Hand\"\n");
    EXPECT_EQ(key->query("Name"), RegValue::sz("von Hand"));
    key->set("Other", RegValue::sz("x"));
    EXPECT_EQ(readFile(),
              "[HKEY_CURRENT_USER\\" + kKey + "]\n\"Name\"=sz:\"von Hand\"\n\"Other\"=sz:\"x\"\n");
}

TEST_F(FileRegistryTest, BrokenFileIsNeverOverwritten)
{
    const std::string broken = "[HKEY_CURRENT_USER\\" + kKey + "]\n\"Good\"=sz:\"1\"\n\"Bad\"=sz:\"open\n";
    writeFile(broken);
    FileRegistry registry(file_);
    try {
        registry.openKey(kHkeyCurrentUser, kKey);
        FAIL() << "a broken file must not read as empty";
    } catch (const RegistryFormatError& e) {
        EXPECT_EQ(e.line(), 3);
        EXPECT_NE(std::string(e.what()).find(file_.string()), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("Zeile 3"), std::string::npos);
    }
    EXPECT_THROW(registry.createKey(kHkeyCurrentUser, "Software\\Neu"), RegistryFormatError);
    EXPECT_EQ(readFile(), broken);
    EXPECT_FALSE(fs::exists(file_.string() + ".bak"));
}

TEST_F(FileRegistryTest, AWriteReplacesTheFileInsteadOfTruncatingIt)
{
    FileRegistry registry(file_);
    setValue(registry, "Name", RegValue::sz("alt"));
    const std::string before = readFile();
    const fs::path reader = dir_ / "held-open";
    fs::create_hard_link(file_, reader); // stands for a reader holding the old file
    const ino_t oldInode = inodeOf(file_);

    setValue(registry, "Name", RegValue::sz("neu"));

    EXPECT_NE(inodeOf(file_), oldInode);
    EXPECT_EQ(readWholeFile(reader), before);
    EXPECT_EQ(readWholeFile(file_.string() + ".bak"), before);
    EXPECT_NE(readFile().find("sz:\"neu\""), std::string::npos);
}

TEST_F(FileRegistryTest, AnInterruptedWriteLeavesTheOldFileWhole)
{
    FileRegistry registry(file_);
    setValue(registry, "Name", RegValue::sz("alt"));
    const std::string before = readFile();
    FileStore::setStepHookForTesting([](SaveStep step) {
        if (step == SaveStep::RenameOver)
            throw HostError("Absturz simuliert");
    });
    EXPECT_THROW(setValue(registry, "Name", RegValue::sz("neu")), HostError);
    FileStore::setStepHookForTesting(nullptr);

    EXPECT_EQ(readFile(), before);
    for (const auto& entry : fs::directory_iterator(file_.parent_path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
}

TEST_F(FileRegistryTest, OnlyTheCurrentUsersRootAndSensibleKeyNames)
{
    FileRegistry registry(file_);
    EXPECT_THROW(registry.createKey(0x80000002, kKey), HostError);
    EXPECT_THROW(registry.openKey(0x80000002, kKey), HostError);
    for (const char* path : {"\\Software", "Software\\", "Software\\\\Brimek", "Soft\nware"})
        EXPECT_THROW(registry.createKey(kHkeyCurrentUser, path), HostError) << path;
    EXPECT_FALSE(fs::exists(file_));
}

TEST_F(FileRegistryTest, TheEnvironmentChoosesTheFile)
{
    ::setenv("HOME", "/home/anna", 1);
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    ::setenv("ZELVANT_REGISTRY_FILE", "/tmp/test-registry.txt", 1);
    EXPECT_EQ(FileRegistry::userFilePath(), fs::path("/tmp/test-registry.txt"));

    ::unsetenv("ZELVANT_REGISTRY_FILE");
    EXPECT_EQ(FileRegistry::userFilePath(), fs::path("/cfg/zelvant/registry.txt"));

    ::setenv("XDG_CONFIG_HOME", "relative/cfg", 1);
    EXPECT_EQ(FileRegistry::userFilePath(), fs::path("/home/anna/.config/zelvant/registry.txt"));
    ::setenv("XDG_CONFIG_HOME", "", 1);
    ::setenv("ZELVANT_REGISTRY_FILE", "", 1);
    EXPECT_EQ(FileRegistry::userFilePath(), fs::path("/home/anna/.config/zelvant/registry.txt"));

    ::unsetenv("HOME");
    EXPECT_THROW(FileRegistry::userFilePath(), HostError);
}

TEST_F(FileRegistryTest, MemoryRegistryBehavesLikeTheFile)
{
    MemoryRegistry registry;
    EXPECT_EQ(registry.openKey(kHkeyCurrentUser, kKey), nullptr);
    setValue(registry, "Name", RegValue::sz("x"));
    EXPECT_EQ(registry.writeCount(), 2); // the key, then the value
    setValue(registry, "Name", RegValue::sz("y"));
    EXPECT_EQ(registry.writeCount(), 3); // an existing key is not written again

    const std::string before = registry.text();
    registry.setFailing(true);
    EXPECT_THROW(registry.openKey(kHkeyCurrentUser, kKey), HostError);
    EXPECT_THROW(setValue(registry, "Name", RegValue::sz("z")), HostError);
    EXPECT_EQ(registry.text(), before);
}

} // namespace
} // namespace zelvant
