#include "hosts/registry/FileRegistry.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

namespace fs = std::filesystem;
using testing::readText;

const std::string kKey = "Software\\Brimek\\Zelvant\\Settings";

class FileRegistryTest : public ::testing::Test {
protected:
    void TearDown() override { FileStore::setStepHookForTesting(nullptr); }

    testing::TempDir scratch_;
    const fs::path file_ = scratch_.path() / "config" / "zelvant" / "registry.txt";
};

TEST_F(FileRegistryTest, ValuesPersistForTheNextRunAndOtherProgramsChangesAreKept)
{
    {
        FileRegistry first(file_);
        EXPECT_EQ(first.openKey(kHkeyCurrentUser, kKey), nullptr);
        EXPECT_FALSE(fs::exists(file_.parent_path())) << "reading creates nothing";
        first.createKey(kHkeyCurrentUser, kKey)->set("Name", RegValue::sz("Gr\u00FCn"));
    }
    FileRegistry(file_).createKey(kHkeyCurrentUser, kKey)->set("Count", RegValue::dword(31));

    FileRegistry later(file_); // a key lives on its registry
    const auto key = later.openKey(kHkeyCurrentUser, "software\\brimek\\zelvant\\settings");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->query("name"), RegValue::sz("Gr\u00FCn"));
    EXPECT_EQ(key->query("Count"), RegValue::dword(31));

    // An open key reads the file anew, and writing keeps what another program put there.
    testing::writeText(file_, "[HKEY_CURRENT_USER\\" + kKey + "]\n\"Name\"=sz:\"von Hand\"\n");
    EXPECT_EQ(key->query("Name"), RegValue::sz("von Hand"));
    key->set("Other", RegValue::sz("x"));
    EXPECT_EQ(readText(file_),
              "[HKEY_CURRENT_USER\\" + kKey + "]\n\"Name\"=sz:\"von Hand\"\n\"Other\"=sz:\"x\"\n");
}

TEST_F(FileRegistryTest, BrokenFileIsNeverOverwritten)
{
    const std::string broken = "[HKEY_CURRENT_USER\\" + kKey + "]\n\"Good\"=sz:\"1\"\n\"Bad\"=sz:\"open\n";
    fs::create_directories(file_.parent_path());
    testing::writeText(file_, broken);
    FileRegistry registry(file_);
    EXPECT_THROW(registry.openKey(kHkeyCurrentUser, kKey), RegistryFormatError) << "read as empty";
    EXPECT_THROW(registry.createKey(kHkeyCurrentUser, "Software\\Neu"), RegistryFormatError);
    EXPECT_EQ(readText(file_), broken);
}

TEST_F(FileRegistryTest, AnInterruptedWriteLeavesTheOldFileWhole)
{
    FileRegistry registry(file_);
    const auto key = registry.createKey(kHkeyCurrentUser, kKey);
    key->set("Name", RegValue::sz("alt"));
    const std::string before = readText(file_);
    FileStore::setStepHookForTesting([](SaveStep step) {
        if (step == SaveStep::RenameOver)
            throw HostError("Absturz simuliert");
    });
    EXPECT_THROW(key->set("Name", RegValue::sz("neu")), HostError);
    EXPECT_EQ(readText(file_), before);
}

} // namespace
} // namespace zelvant
