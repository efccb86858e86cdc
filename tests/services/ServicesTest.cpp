// The shared services: texts, periods, links, the checks before a window opens, the registry
// routines and the shell that opens links.

#include "hostapi/HostError.h"
#include "hosts/project/MemoryProjectApplication.h"
#include "hosts/registry/MemoryRegistry.h"
#include "hosts/shell/XdgShell.h"
#include "services/DateChecks.h"
#include "services/OpenLink.h"
#include "services/ProjectChecks.h"
#include "services/Registry.h"
#include "services/StrTools.h"
#include "services/Wait.h"
#include "tests/services/RecordingMessages.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace zelvant {
namespace {

namespace fs = std::filesystem;

using Strings = std::vector<std::string>;

TEST(StrTools, OnlyTheTrueWordsInAnyCaseAreTrue)
{
    for (const char* text : {"1", "ja", "JA", "An", "true", "TrUe", "wahr", "WAHR", "yes", "Yes", "on", "ON"})
        EXPECT_TRUE(StrToBool(text)) << text;
    for (const char* text : {"", "0", " 1", "1 ", "ja ", " on", "nein", "false", "jaa", "o", "11", "-1"})
        EXPECT_FALSE(StrToBool(text)) << '"' << text << '"';
}

TEST(StrTools, SplitToCollection)
{
    const struct {
        const char *text, *delimiter;
        Strings parts;
    } rows[] = {
        {"  Rot  ;Blau  ", ";", {"Rot", "Blau"}}, {"Gr\u00FCn; \u00C4rger", ";", {"Gr\u00FCn", "\u00C4rger"}},
        {"  Rot ", ";", {"  Rot "}}, {"", ";", {}}, {"   ", ";", {}}, {"Rot;;Blau", ";", {"Rot", "", "Blau"}},
        {"Rot;", ";", {"Rot"}}, {";Rot", ";", {"", "Rot"}}, {"Rot; ", ";", {"Rot", ""}},
        {"a, b,c", ", ", {"a", "b,c"}}, {"a;b", "", {"a;b"}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SplitToCollection(row.text, row.delimiter), row.parts) << '"' << row.text << '"';
}

// Checked by day, the message of the first rule broken; the limits themselves are allowed.
TEST(checkPeriod, GivesTheMessageOfTheFirstRuleBroken)
{
    const auto none = std::nullopt;
    const auto day = [](int y, int m, int d, int h = 0) { return makeDateTime(y, m, d, h); };
    const struct {
        std::optional<DateTime> from, to;
        std::optional<std::string> message;
    } rows[] = {
        {day(2024, 7, 1, 18), day(2024, 7, 1, 9), none}, {day(1984, 1, 1), day(2049, 12, 31, 23), none},
        {none, day(2024, 7, 1), kInvalidDateText}, {day(2024, 7, 1), none, kInvalidDateText},
        {day(2024, 7, 2), day(2024, 7, 1), kEndBeforeStartText},
        {day(2050, 1, 2), day(2050, 1, 1), kEndBeforeStartText},
        {day(1983, 12, 31), day(2024, 7, 1), kDateOutOfRangeText},
        {day(2024, 7, 1), day(2050, 1, 1), kDateOutOfRangeText},
    };
    for (const auto& row : rows)
        EXPECT_EQ(checkPeriod(row.from, row.to), row.message) << row.message.value_or("-");
    EXPECT_EQ(std::string(kEndBeforeStartText), "Das Enddatum liegt vor dem Anfangsdatum.      ");
}

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

TEST(OpenLink, OnlyAddressesWithoutHttpInAnyCaseGetItAndARefusingShellGivesFalse)
{
    RecordingShell shell;
    for (const char* address : {"www.zelvant.example/hilfe", "HTTP://X.EXAMPLE", "https://x.example", "mailto:a@x"})
        EXPECT_TRUE(OpenLink(address, shell));
    EXPECT_EQ(shell.opened, (std::vector<std::string>{"http://www.zelvant.example/hilfe", "HTTP://X.EXAMPLE",
                                                      "https://x.example", "http://mailto:a@x"}));
    EXPECT_EQ(withScheme("htt"), "http://htt");
    shell.fails = true;
    EXPECT_FALSE(OpenLink("x.example", shell));
}

TEST(Wait, PausesAtLeastTheGivenTimeAndRefusesNegativeLengths)
{
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(Wait(20) && Wait(0) && !Wait(-1));
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds{20});
}

// The warnings themselves are checked with the add-in's commands; here: silence when not
// asked, and a project that does not answer counts as none.
TEST(ProjectChecks, WarnOnlyWhenAsked)
{
    MemoryProjectApplication app;
    RecordingMessages messages;
    EXPECT_FALSE(IsProjectOpen(app, messages, false, "Titel") || ProjectHasTasks(app, messages, false, "Titel"));
    app.open(std::make_unique<MemoryProject>("Plan", makeDateTime(2024, 3, 4, 8)));
    app.project()->addTask();
    EXPECT_TRUE(IsProjectOpen(app, messages, true, "Titel") && ProjectHasTasks(app, messages, true, "Titel"));
    EXPECT_TRUE(messages.messages.empty());
    app.project()->faults().failOn("Name");
    EXPECT_FALSE(IsProjectOpen(app, messages, true, "Titel"));
    EXPECT_EQ(messages.messages.size(), 1u);
}

const std::string kKey = "Software\\Brimek\\Zelvant\\Settings";

std::string get(Registry& registry, const std::string& name)
{
    return RegGetString(registry, kHkeyCurrentUser, kKey, name);
}

// What is written comes back as written, stored as UTF-8 text; an empty text becomes one blank,
// which the caller sees too.
TEST(RegistryFunctions, TextRoundTrip)
{
    MemoryRegistry registry;
    for (const std::string text : {"M\u00FCller & S\u00F6hne \u20AC", "\u0141\u00F3d\u017A \u2014 \u65E5", ""}) {
        std::string value = text;
        EXPECT_TRUE(RegSetString(registry, kHkeyCurrentUser, kKey, "Name", value));
        const std::string expected = text.empty() ? " " : text;
        EXPECT_EQ(value, expected);
        EXPECT_EQ(registry.openKey(kHkeyCurrentUser, kKey)->query("Name"), RegValue::sz(expected));
        EXPECT_EQ(get(registry, "Name"), expected);
    }
}

TEST(RegistryFunctions, EachKindOfStoredValueReads)
{
    std::string umlauts;
    for (int i = 0; i < 1024; ++i)
        umlauts += "\u00E4"; // two bytes each: characters count, not bytes
    const struct {
        RegValue value;
        std::string text;
    } rows[] = {
        // Earlier versions stored Windows-1252 bytes; valid UTF-8 is taken as it is.
        {RegValue::sz("M\xFCller"), "M\u00FCller"},
        {RegValue::sz("\x80 \x9F\xE4\xDF"), "\u20AC \u0178\u00E4\u00DF"},
        {RegValue::sz("Gr\xC3\xBC\xDF"), "Gr\u00C3\u00BC\u00DF"}, // broken as UTF-8 at its last byte
        {RegValue::sz("\xED\xA0\x80"), "\u00ED\u00A0\u20AC"},     // a surrogate is no UTF-8
        {RegValue::sz(std::string("vorne\0hinten", 12)), "vorne"},
        {RegValue::sz(umlauts), umlauts}, {RegValue::sz(umlauts + "\u00E4"), ""},
        {RegValue::dword(31), "31"}, {RegValue::dword(0xFFFFFFFF), "-1"}, {RegValue::dword(0x80000000), "-2147483648"},
        {RegValue::binary("31"), ""}, {RegValue{RegType(7), std::string("a\0\0", 3)}, ""},
        {RegValue::expandSz("%HOME%\\x"), "%HOME%\\x"},
    };
    MemoryRegistry registry;
    for (const auto& row : rows) {
        registry.createKey(kHkeyCurrentUser, kKey)->set("Name", row.value);
        EXPECT_EQ(get(registry, "Name"), row.text) << row.value.data;
    }
}

// Anything missing or failing reads as empty and writes as false; nothing is thrown.
TEST(RegistryFunctions, FailuresShowOnlyInTheResult)
{
    MemoryRegistry registry;
    EXPECT_EQ(get(registry, "Name"), "");
    std::string text = "x";
    EXPECT_TRUE(RegSetString(registry, kHkeyCurrentUser, kKey, "Other", text));
    EXPECT_EQ(get(registry, "Name"), "");
    EXPECT_EQ(RegGetString(registry, kHkeyCurrentUser, "Software\\Nobody", "Other"), "");
    registry.setFailing(true);
    EXPECT_EQ(get(registry, "Other"), "");
    EXPECT_FALSE(RegSetString(registry, kHkeyCurrentUser, kKey, "Other", text));
    registry.setFailing(false);
    EXPECT_EQ(get(registry, "Other"), "x");
    EXPECT_FALSE(RegSetString(registry, 0x80000002, kKey, "Name", text));
    EXPECT_FALSE(RegSetString(registry, kHkeyCurrentUser, "Bad\\\\Key", "Name", text));
}

TEST(RegistryFunctions, EveryCodePageByteSurvivesTheRoundTripAndBrokenUtf8BecomesQuestionMarks)
{
    std::string bytes;
    for (int b = 1; b < 256; ++b)
        bytes += char(b);
    EXPECT_EQ(ansiFromUtf8(utf8FromAnsi(bytes)), bytes);
    EXPECT_EQ(utf8FromAnsi("\x80\x9f\xe4"), "\u20AC\u0178\u00E4");
    EXPECT_EQ(ansiFromUtf8("a\xC3(b\xFF\xE2\x82"), "a?(b???");
}

// Fake openers first on PATH: xdg-open writes its argument count and arguments to a file,
// failing-open fails.
class XdgShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch_.write("xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > '" + record_.string() + "'\n");
        scratch_.write("failing-open", "#!/bin/sh\nexit 3\n");
        for (const char* name : {"xdg-open", "failing-open"})
            fs::permissions(scratch_.file(name), fs::perms::owner_all);
        const char* path = std::getenv("PATH");
        oldPath_ = path ? path : "";
        setenv("PATH", (scratch_.path().string() + ":" + oldPath_).c_str(), 1);
    }
    void TearDown() override { setenv("PATH", oldPath_.c_str(), 1); }

    testing::TempDir scratch_;
    const fs::path record_ = scratch_.file("args");
    std::string oldPath_;
};

TEST_F(XdgShellTest, AddressArrivesAsOneArgumentAndRunsNothing)
{
    const std::string pwned = scratch_.file("pwned").string();
    const std::string address = "http://x/;touch " + pwned + " $(touch " + pwned + ") `touch " + pwned + "`";
    XdgShell(true).open(address);
    EXPECT_EQ(testing::readText(record_), "1\n" + address + "\n");
    EXPECT_FALSE(fs::exists(pwned));
}

TEST_F(XdgShellTest, MissingOrFailingProgramThrowsHostError)
{
    EXPECT_THROW(XdgShell(true, "zelvant-no-such-opener").open("http://x"), HostError);
    EXPECT_THROW(XdgShell(true, "failing-open").open("http://x"), HostError);
}

} // namespace
} // namespace zelvant
