#include "hosts/registry/RegistryDocument.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

// Short, so the texts below can spell it out.
const std::string kKey = "HKEY_CURRENT_USER\\Test";

class RegistryDocumentTest : public ::testing::Test {
protected:
    static RegistryDocument parse(const std::string& text)
    {
        return RegistryDocument::parse(text, "reg.txt");
    }

    // The line number a broken text is reported at; 0 when it was read without complaint.
    static int errorLineOf(const std::string& text)
    {
        try {
            parse(text);
        } catch (const RegistryFormatError& e) {
            EXPECT_NE(std::string(e.what()).find("reg.txt: Zeile " + std::to_string(e.line())),
                      std::string::npos)
                << e.what();
            return e.line();
        }
        return 0;
    }
};

TEST_F(RegistryDocumentTest, EveryTypeSurvivesWritingAndReadingAgain)
{
    RegistryDocument document;
    const std::vector<std::pair<std::string, RegValue>> values{
        {"Text", RegValue::sz("Gr\u00FCn \u20AC")},
        {"Path", RegValue::expandSz("%HOME%\\kalender.ics")},
        {"Counter", RegValue::dword(0xFFFFFFFE)},
        {"Blob", RegValue::binary(std::string("\x00\x7F\xFF", 3))},
        {"Empty", RegValue::binary("")},
        {"List", RegValue{RegType(7), std::string("a\0b\0\0", 5)}},
        {"", RegValue::sz("default")},
    };
    for (const auto& [name, value] : values)
        document.setValue(kKey, name, value);

    const RegistryDocument again = parse(document.text());
    for (const auto& [name, value] : values)
        EXPECT_EQ(again.value(kKey, name), value) << name;
}

TEST_F(RegistryDocumentTest, NewFileLooksLikeAnExport)
{
    RegistryDocument document;
    document.setValue(kKey, "SyncType", RegValue::sz("1"));
    document.setValue(kKey, "Counter", RegValue::dword(42));
    document.setValue(kKey, "Blob", RegValue::binary("\x01\x02\xff"));
    document.setValue("HKEY_CURRENT_USER\\Other", "", RegValue{RegType(11), "\x2a"});

    const std::string text = document.text();
    const std::string body = text.substr(text.find('\n') + 1);
    EXPECT_EQ(text.front(), ';');
    EXPECT_EQ(body, "\n[HKEY_CURRENT_USER\\Test]\n"
                    "\"SyncType\"=sz:\"1\"\n"
                    "\"Counter\"=dword:0000002a\n"
                    "\"Blob\"=hex:01,02,ff\n"
                    "\n"
                    "[HKEY_CURRENT_USER\\Other]\n"
                    "@=hex(b):2a\n");
}

TEST_F(RegistryDocumentTest, TextsAreEscapedAndComeBackUnchanged)
{
    const std::string awkward = "a\"b\\c\nd\re\tf\x01g\x7Fh\u00E4";
    RegistryDocument document;
    document.setValue(kKey, "Na\"me", RegValue::sz(awkward));

    const std::string text = document.text();
    EXPECT_NE(text.find("\"Na\\\"me\"=sz:\"a\\\"b\\\\c\\nd\\re\\tf\\x01g\\x7fh\u00E4\"\n"), std::string::npos)
        << text;
    EXPECT_EQ(parse(text).value(kKey, "Na\"me"), RegValue::sz(awkward));
}

TEST_F(RegistryDocumentTest, HandWrittenLinesAndValuesSurviveAChangeElsewhere)
{
    const std::string original = "Zelvant-Registry, Version 1\r\n"
                                 "; a comment\r\n"
                                 "\r\n"
                                 "[HKEY_CURRENT_USER\\Test]   \r\n"
                                 "  \"Counter\" = dword:2A\r\n"
                                 "\"Plain\"=\"old style\"\r\n"
                                 "some note the reader does not know\r\n"
                                 "\r\n"
                                 "# trailing comment\r\n";
    RegistryDocument document = parse(original);
    EXPECT_EQ(document.value(kKey, "Counter"), RegValue::dword(42));
    EXPECT_EQ(document.value(kKey, "Plain"), RegValue::sz("old style"));

    document.setValue(kKey, "Added", RegValue::sz("x"));
    EXPECT_EQ(document.text(), "Zelvant-Registry, Version 1\n"
                               "; a comment\n"
                               "\n"
                               "[HKEY_CURRENT_USER\\Test]   \n"
                               "  \"Counter\" = dword:2A\n"
                               "\"Plain\"=\"old style\"\n"
                               "\"Added\"=sz:\"x\"\n"
                               "some note the reader does not know\n"
                               "\n"
                               "# trailing comment\n");
}

TEST_F(RegistryDocumentTest, ReplacingAValueKeepsItsPlaceAndSpelling)
{
    RegistryDocument document = parse("[HKEY_CURRENT_USER\\Test]\n\"First\"=sz:\"1\"\n\"Second\"=sz:\"2\"\n");
    document.setValue(kKey, "FIRST", RegValue::dword(7));
    EXPECT_EQ(document.text(), "[HKEY_CURRENT_USER\\Test]\n\"First\"=dword:00000007\n\"Second\"=sz:\"2\"\n");
}

TEST_F(RegistryDocumentTest, NamesCompareWithoutLetterCase)
{
    const RegistryDocument document = parse("[hkey_current_user\\SOFTWARE\\brimek]\n\"Name\"=sz:\"v\"\n");
    EXPECT_EQ(document.value("HKEY_CURRENT_USER\\Software\\Brimek", "nAME"), RegValue::sz("v"));
    EXPECT_TRUE(document.hasKey("HKEY_CURRENT_USER\\software"));
}

TEST_F(RegistryDocumentTest, AKeyExistsThroughTheKeysBelowItOnly)
{
    const RegistryDocument document = parse("[HKEY_CURRENT_USER\\Software\\Brimek\\Zelvant]\n");
    EXPECT_TRUE(document.hasKey("HKEY_CURRENT_USER\\Software"));
    EXPECT_TRUE(document.hasKey("HKEY_CURRENT_USER\\Software\\Brimek\\Zelvant"));
    EXPECT_FALSE(document.hasKey("HKEY_CURRENT_USER\\Soft"));
    EXPECT_FALSE(document.hasKey("HKEY_CURRENT_USER\\Software\\Brimek\\Zelvant\\Settings"));
    EXPECT_FALSE(document.value("HKEY_CURRENT_USER\\Software", "x"));
}

TEST_F(RegistryDocumentTest, AddingAKeyTwiceAddsOneSection)
{
    RegistryDocument document;
    EXPECT_TRUE(document.addKey(kKey));
    EXPECT_FALSE(document.addKey(kKey));
    const std::string text = document.text();
    EXPECT_EQ(text.find('['), text.rfind('['));
}

TEST_F(RegistryDocumentTest, BrokenLinesAreReportedWithTheirNumber)
{
    const std::string header = "; comment\n[HKEY_CURRENT_USER\\Test]\n";
    EXPECT_EQ(errorLineOf(header + "\"a\"=sz:\"ok\"\n\"b\"=sz:\"open\n"), 4);
    EXPECT_EQ(errorLineOf(header + "\"a\"=qword:1\n"), 3);
    EXPECT_EQ(errorLineOf(header + "\"a\"=dword:123456789\n"), 3);
    EXPECT_EQ(errorLineOf(header + "\"a\"=dword:\n"), 3);
    EXPECT_EQ(errorLineOf(header + "\"a\"=hex:1,02\n"), 3);
    EXPECT_EQ(errorLineOf(header + "\"a\"=hex:01,02,\n"), 3);
    EXPECT_EQ(errorLineOf(header + "\"a\"=hex(7:00\n"), 3);
    EXPECT_EQ(errorLineOf(header + "\"a\"=sz:\"bad \\q escape\"\n"), 3);
    EXPECT_EQ(errorLineOf(header + "\"a\"=sz:\"x\" trailing\n"), 3);
    EXPECT_EQ(errorLineOf(header + "\"a\" sz:\"x\"\n"), 3);
    EXPECT_EQ(errorLineOf(header + "\"a\"=sz:text\n"), 3);
    EXPECT_EQ(errorLineOf(header + "[HKEY_CURRENT_USER\\Open\n"), 3);
    EXPECT_EQ(errorLineOf(header + "[]\n"), 3);
    EXPECT_EQ(errorLineOf(header + "[HKEY_CURRENT_USER\\Test] note\n"), 3);
    EXPECT_EQ(errorLineOf("\"a\"=sz:\"before any key\"\n"), 1);
}

TEST_F(RegistryDocumentTest, DuplicatesAreReportedRatherThanGuessed)
{
    const std::string header = "[HKEY_CURRENT_USER\\Test]\n";
    EXPECT_EQ(errorLineOf(header + "\"a\"=sz:\"1\"\n\"A\"=sz:\"2\"\n"), 3);
    EXPECT_EQ(errorLineOf(header + "\n[HKEY_CURRENT_USER\\Test]\n"), 3);
    // The same value name under two keys is fine.
    EXPECT_EQ(errorLineOf(header + "\"a\"=sz:\"1\"\n[HKEY_CURRENT_USER\\x]\n\"a\"=sz:\"2\"\n"), 0);
}

} // namespace
} // namespace zelvant
