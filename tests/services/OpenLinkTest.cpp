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

TEST_F(OpenLinkTest, OnlyAddressesWithoutHttpInAnyCaseGetIt)
{
    for (const char* address :
         {"www.zelvant.example/hilfe", "HTTP://X.EXAMPLE", "https://x.example", "mailto:a@x"})
        EXPECT_TRUE(OpenLink(address, shell));
    EXPECT_EQ(shell.opened, (std::vector<std::string>{"http://www.zelvant.example/hilfe", "HTTP://X.EXAMPLE",
                                                      "https://x.example", "http://mailto:a@x"}));
    EXPECT_EQ(WithScheme("htt"), "http://htt");
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
