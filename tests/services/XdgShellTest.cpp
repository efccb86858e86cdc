#include "hosts/shell/XdgShell.h"

#include "hostapi/HostError.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zelvant {
namespace {

namespace fs = std::filesystem;

// Puts a fake xdg-open first on PATH that writes its argument count and arguments to a file.
class XdgShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::ofstream script(dir_ / "xdg-open");
        script << "#!/bin/sh\n"
               << "printf '%s\\n' \"$#\" > '" << record_.string() << "'\n"
               << "for a in \"$@\"; do printf '%s\\n' \"$a\" >> '" << record_.string() << "'; done\n";
        script.close();
        fs::permissions(dir_ / "xdg-open", fs::perms::owner_all);
        const char* path = std::getenv("PATH");
        oldPath_ = path ? path : "";
        setenv("PATH", (dir_.string() + ":" + oldPath_).c_str(), 1);
    }

    void TearDown() override { setenv("PATH", oldPath_.c_str(), 1); }

    std::string recorded() const { return testing::readText(record_); }

    testing::TempDir scratch_;
    const fs::path dir_ = scratch_.path();
    const fs::path record_ = dir_ / "args";
    std::string oldPath_;
};

TEST_F(XdgShellTest, AddressArrivesAsOneArgumentAndRunsNothing)
{
    const std::string pwned = (dir_ / "pwned").string();
    const std::string address =
        "http://x/;touch " + pwned + " $(touch " + pwned + "2) `touch " + pwned + "3`";
    XdgShell(true).open(address);

    EXPECT_EQ(recorded(), "1\n" + address + "\n");
    EXPECT_FALSE(fs::exists(pwned));
    EXPECT_FALSE(fs::exists(pwned + "2"));
    EXPECT_FALSE(fs::exists(pwned + "3"));
}

TEST_F(XdgShellTest, MissingProgramThrowsHostError)
{
    EXPECT_THROW(XdgShell(true, "zelvant-no-such-opener").open("http://x"), HostError);
}

TEST_F(XdgShellTest, FailingProgramThrowsWhenWaitedFor)
{
    std::ofstream script(dir_ / "failing-open");
    script << "#!/bin/sh\nexit 3\n";
    script.close();
    fs::permissions(dir_ / "failing-open", fs::perms::owner_all);
    EXPECT_THROW(XdgShell(true, "failing-open").open("http://x"), HostError);
}

} // namespace
} // namespace zelvant
