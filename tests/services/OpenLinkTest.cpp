#include "services/OpenLink.h"
#include "services/Wait.h"

#include "hostapi/HostError.h"

#include <gtest/gtest.h>

#include <chrono>

namespace zelvant {
namespace {

class RecordingShell : public Shell {
public:
    void open(const std::string& address) override
    {
        if (fails)
            throw HostError("kein Browser");
        opened.push_back(address);
    }
    std::vector<std::string> opened;
    bool fails = false;
};

class OpenLinkTest : public ::testing::Test {
protected:
    RecordingShell shell;
};

TEST_F(OpenLinkTest, AddressWithoutSchemeGetsHttp)
{
    EXPECT_TRUE(OpenLink("www.zelvant.example/hilfe", shell));
    EXPECT_EQ(shell.opened, std::vector<std::string>{"http://www.zelvant.example/hilfe"});
}

TEST_F(OpenLinkTest, AddressStartingWithHttpInAnyCaseIsPassedOnUnchanged)
{
    OpenLink("HTTP://X.EXAMPLE", shell);
    OpenLink("https://x.example", shell);
    OpenLink("mailto:a@x.example", shell);
    EXPECT_EQ(shell.opened, (std::vector<std::string>{"HTTP://X.EXAMPLE", "https://x.example",
                                                      "http://mailto:a@x.example"}));
}

TEST_F(OpenLinkTest, ShortAddressStillGetsTheScheme)
{
    EXPECT_EQ(WithScheme("htt"), "http://htt");
    EXPECT_EQ(WithScheme(""), "http://");
}

TEST_F(OpenLinkTest, RefusingShellGivesFalse)
{
    shell.fails = true;
    EXPECT_FALSE(OpenLink("x.example", shell));
}

TEST(Wait, PausesAtLeastTheGivenTimeAndRefusesNegativeLengths)
{
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(Wait(20));
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds{20});
    EXPECT_TRUE(Wait(0));
    EXPECT_FALSE(Wait(-1));
}

} // namespace
} // namespace zelvant
