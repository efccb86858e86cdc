// The shared services: texts, periods, links, the checks before a window opens, the registry.

#include "hostapi/HostError.h"
#include "hosts/registry/MemoryRegistry.h"
#include "hosts/shell/XdgShell.h"
#include "services/DateChecks.h"
#include "services/OpenLink.h"
#include "services/Registry.h"
#include "services/StrTools.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace zelvant {
namespace {

namespace fs = std::filesystem;

using Strings = std::vector<std::string>;

TEST(StrTools, OnlyTheTrueWordsInAnyCaseAreTrue)
{
    for (const char* text : {"1", "JA", "An", "TrUe", "wahr", "Yes", "ON"})
        EXPECT_TRUE(StrToBool(text)) << text;
    for (const char* text : {"", "0", " 1", "ja ", "nein", "jaa", "o", "11"})
        EXPECT_FALSE(StrToBool(text)) << '"' << text << '"';
}

TEST(StrTools, SplitToCollection)
{
    const struct {
        const char *text, *delimiter;
        Strings parts;
    } rows[] = {
        {"  Rot  ;Blau  ", ";", {"Rot", "Blau"}}, {"  Rot ", ";", {"  Rot "}}, {"   ", ";", {}},
        {"Rot;;Blau", ";", {"Rot", "", "Blau"}},  {"Rot;", ";", {"Rot"}},      {"Rot; ", ";", {"Rot", ""}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SplitToCollection(row.text, row.delimiter), row.parts) << '"' << row.text << '"';
}

// Checked by day, the message of the first rule broken; the limits themselves are allowed.
TEST(DateChecks, GivesTheMessageOfTheFirstRuleBroken)
{
    const auto day = [](int y, int m, int d, int h = 0) { return makeDateTime(y, m, d, h); };
    const struct {
        std::optional<DateTime> from, to;
        std::optional<std::string> message;
    } rows[] = {
        {day(2024, 7, 1, 18), day(2024, 7, 1, 9), std::nullopt},
        {day(1984, 1, 1), day(2049, 12, 31, 23), std::nullopt},
        {day(2024, 7, 1), std::nullopt, kInvalidDateText},
        {day(2050, 1, 2), day(2050, 1, 1), kEndBeforeStartText},
        {day(1983, 12, 31), day(2024, 7, 1), kDateOutOfRangeText},
        {day(2024, 7, 1), day(2050, 1, 1), kDateOutOfRangeText},
    };
    for (const auto& row : rows)
        EXPECT_EQ(checkPeriod(row.from, row.to), row.message) << row.message.value_or("-");
    EXPECT_EQ(std::string(kEndBeforeStartText), "Das Enddatum liegt vor dem Anfangsdatum.      ");
}

struct RecordingShell : Shell {
    void open(const std::string& address) override
    {
        fails ? throw HostError("x") : opened.push_back(address);
    }
    Strings opened;
    bool fails = false;
};

TEST(OpenLink, OnlyAddressesWithoutHttpInAnyCaseGetItAndARefusingShellGivesFalse)
{
    RecordingShell shell;
    for (const char* address : {"www.zelvant.example/hilfe", "HTTP://X.EXAMPLE", "htt"})
        EXPECT_TRUE(OpenLink(address, shell));
    EXPECT_EQ(shell.opened, (Strings{"http://www.zelvant.example/hilfe", "HTTP://X.EXAMPLE", "http://htt"}));
    shell.fails = true;
    EXPECT_FALSE(OpenLink("x.example", shell));
}

const std::string kKey = "Software\\Brimek\\Zelvant\\Settings";

std::string get(Registry& registry, const std::string& name)
{
    return RegGetString(registry, kHkeyCurrentUser, kKey, name);
}

TEST(RegistryFunctions, EachKindOfStoredValueReads)
{
    std::string umlauts;
    for (int i = 0; i < 1024; ++i)
        umlauts += "\u00E4"; // two bytes each: characters count, not bytes
    const std::pair<RegValue, std::string> rows[] = {
        // Earlier versions stored Windows-1252 bytes; valid UTF-8 is taken as it is.
        {RegValue::sz("\x80 \x9F\xE4\xDF"), "\u20AC \u0178\u00E4\u00DF"},
        {RegValue::sz("Gr\xC3\xBC\xDF"), "Gr\u00C3\u00BC\u00DF"}, // broken as UTF-8 at its last byte
        {RegValue::sz(std::string("vorne\0hinten", 12)), "vorne"},
        {RegValue::sz(umlauts), umlauts},
        {RegValue::sz(umlauts + "\u00E4"), ""},
        {RegValue::dword(0xFFFFFFFF), "-1"},
        {RegValue::binary("31"), ""},
    };
    MemoryRegistry registry;
    for (const auto& [value, text] : rows) {
        registry.createKey(kHkeyCurrentUser, kKey)->set("Name", value);
        EXPECT_EQ(get(registry, "Name"), text) << value.data;
    }
}

// Anything missing or failing reads as empty and writes as false; nothing is thrown.
TEST(RegistryFunctions, FailuresShowOnlyInTheResult)
{
    MemoryRegistry registry;
    std::string text = "x";
    EXPECT_TRUE(RegSetString(registry, kHkeyCurrentUser, kKey, "Other", text));
    EXPECT_EQ(get(registry, "Name"), "");
    registry.setFailing(true);
    EXPECT_EQ(get(registry, "Other"), "");
    EXPECT_FALSE(RegSetString(registry, kHkeyCurrentUser, kKey, "Other", text));
    registry.setFailing(false);
    EXPECT_EQ(get(registry, "Other"), "x");
    EXPECT_FALSE(RegSetString(registry, kHkeyCurrentUser, "Bad\\\\Key", "Name", text));
}

// A fake xdg-open first on PATH, writing its argument count and arguments to a file.
class XdgShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch_.write("xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" + record_.string() + "'\n");
        fs::permissions(scratch_.file("xdg-open"), fs::perms::owner_all);
        oldPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", (scratch_.path().string() + ":" + oldPath_).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", oldPath_.c_str(), 1); }

    testing::TempDir scratch_;
    const fs::path record_ = scratch_.file("args");
    std::string oldPath_;
};

// The address reaches the opener as one argument and runs nothing; a missing or failing opener throws.
TEST_F(XdgShellTest, AddressArrivesAsOneArgumentAndFailuresThrow)
{
    const std::string pwned = scratch_.file("pwned").string();
    const std::string address = "http://x/;touch " + pwned + " $(touch " + pwned + ") `touch " + pwned + "`";
    XdgShell(true).open(address);
    EXPECT_EQ(testing::readText(record_), "1\n" + address + "\n");
    EXPECT_FALSE(fs::exists(pwned));
    EXPECT_THROW(XdgShell(true, "zelvant-no-such-opener").open("http://x"), HostError);
    EXPECT_THROW(XdgShell(true, "false").open("http://x"), HostError);
}

} // namespace
} // namespace zelvant
