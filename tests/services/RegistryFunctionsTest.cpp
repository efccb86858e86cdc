#include "services/Registry.h"

#include "hosts/registry/MemoryRegistry.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

const std::string kKey = "Software\\Brimek\\Zelvant\\Settings";

class RegistryFunctionsTest : public ::testing::Test {
protected:
    // Puts a value of any type into the store, bypassing RegSetString.
    void store(const std::string& name, const RegValue& value)
    {
        registry_.createKey(kHkeyCurrentUser, kKey)->set(name, value);
    }

    std::optional<RegValue> stored(const std::string& name)
    {
        return registry_.openKey(kHkeyCurrentUser, kKey)->query(name);
    }

    bool set(const std::string& name, std::string text)
    {
        return RegSetString(registry_, kHkeyCurrentUser, kKey, name, text);
    }

    std::string get(const std::string& name) { return RegGetString(registry_, kHkeyCurrentUser, kKey, name); }

    MemoryRegistry registry_;
};

TEST_F(RegistryFunctionsTest, TextComesBackAsWritten)
{
    EXPECT_TRUE(set("ResourceName", "M\u00FCller & S\u00F6hne \u20AC"));
    EXPECT_EQ(get("ResourceName"), "M\u00FCller & S\u00F6hne \u20AC");
    EXPECT_EQ(stored("ResourceName")->type, RegType::Sz);
}

TEST_F(RegistryFunctionsTest, EmptyTextIsStoredAsOneBlankAndTheCallerSeesIt)
{
    std::string text;
    EXPECT_TRUE(RegSetString(registry_, kHkeyCurrentUser, kKey, "Category", text));
    EXPECT_EQ(text, " ");
    EXPECT_EQ(stored("Category"), RegValue::sz(" "));
    EXPECT_EQ(get("Category"), " ");
}

TEST_F(RegistryFunctionsTest, TextsAreStoredAsUtf8)
{
    EXPECT_TRUE(set("Category", "\u0141\u00F3d\u017A \u2014 \u65E5"));
    EXPECT_EQ(stored("Category"), RegValue::sz("\u0141\u00F3d\u017A \u2014 \u65E5"));
}

TEST_F(RegistryFunctionsTest, ValuesOfEarlierVersionsReadInTheirCodePage)
{
    // Earlier versions stored Windows-1252 bytes; valid UTF-8 is taken as it is.
    const struct {
        std::string data, text;
    } rows[] = {
        {"M\xFCller", "M\u00FCller"},
        {"\x80 \x9F\xE4\xDF", "\u20AC \u0178\u00E4\u00DF"},
        {"Gr\xC3\xBC\xDF", "Gr\u00C3\u00BC\u00DF"}, // broken as UTF-8 at its last byte
        {"M\u00FCller", "M\u00FCller"},
        {"\xED\xA0\x80", "\u00ED\u00A0\u20AC"}, // a surrogate is no UTF-8
    };
    for (const auto& row : rows) {
        store("Name", RegValue::sz(row.data));
        EXPECT_EQ(get("Name"), row.text) << row.data;
    }
}

TEST_F(RegistryFunctionsTest, DwordReadsAsSignedDecimal)
{
    store("A", RegValue::dword(31));
    store("B", RegValue::dword(0xFFFFFFFF));
    store("C", RegValue::dword(0x80000000));
    EXPECT_EQ(get("A"), "31");
    EXPECT_EQ(get("B"), "-1");
    EXPECT_EQ(get("C"), "-2147483648");
}

TEST_F(RegistryFunctionsTest, OtherTypesReadAsEmptyButExpandableTextUnexpanded)
{
    store("Bytes", RegValue::binary("31"));
    store("List", RegValue{RegType(7), std::string("a\0\0", 3)});
    store("Path", RegValue::expandSz("%HOME%\\x"));
    EXPECT_EQ(get("Bytes"), "");
    EXPECT_EQ(get("List"), "");
    EXPECT_EQ(get("Path"), "%HOME%\\x");
}

TEST_F(RegistryFunctionsTest, OnlyTextsOfUpTo1024CharactersAreRead)
{
    std::string umlauts;
    for (int i = 0; i < 1024; ++i)
        umlauts += "\u00E4"; // two bytes each: characters count, not bytes
    store("Fits", RegValue::sz(umlauts));
    store("TooLong", RegValue::sz(umlauts + "\u00E4"));
    EXPECT_EQ(get("Fits"), umlauts);
    EXPECT_EQ(get("TooLong"), "");
}

TEST_F(RegistryFunctionsTest, TextEndsAtTheFirstZeroByte)
{
    store("Name", RegValue::sz(std::string("vorne\0hinten", 12)));
    EXPECT_EQ(get("Name"), "vorne");
}

TEST_F(RegistryFunctionsTest, AnythingMissingReadsAsEmpty)
{
    EXPECT_EQ(get("Name"), "");
    EXPECT_TRUE(set("Other", "x"));
    EXPECT_EQ(get("Name"), "");
    EXPECT_EQ(RegGetString(registry_, kHkeyCurrentUser, "Software\\Nobody", "Other"), "");
}

TEST_F(RegistryFunctionsTest, FailuresShowOnlyInTheResult)
{
    EXPECT_TRUE(set("Name", "x"));
    registry_.setFailing(true);
    EXPECT_EQ(get("Name"), "");
    EXPECT_FALSE(set("Name", "y"));
    registry_.setFailing(false);
    EXPECT_EQ(get("Name"), "x");

    std::string text = "x";
    EXPECT_FALSE(RegSetString(registry_, 0x80000002, kKey, "Name", text));
    EXPECT_EQ(RegGetString(registry_, 0x80000002, kKey, "Name"), "");
    EXPECT_FALSE(RegSetString(registry_, kHkeyCurrentUser, "Bad\\\\Key", "Name", text));
}

TEST_F(RegistryFunctionsTest, EveryCodePageByteSurvivesTheRoundTrip)
{
    std::string bytes;
    for (int b = 1; b < 256; ++b)
        bytes += char(b);
    EXPECT_EQ(ansiFromUtf8(utf8FromAnsi(bytes)), bytes);
    EXPECT_EQ(utf8FromAnsi("\x80\x9f\xe4"), "\u20AC\u0178\u00E4");
}

TEST_F(RegistryFunctionsTest, BrokenUtf8BecomesQuestionMarks)
{
    EXPECT_EQ(ansiFromUtf8("a\xC3(b\xFF"), "a?(b?");
    EXPECT_EQ(ansiFromUtf8("\xE2\x82"), "??");
}

} // namespace
} // namespace zelvant
