#include "hosts/registry/RegistryDocument.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

// Short, so the texts below can spell it out.
const std::string kKey = "HKEY_CURRENT_USER\\Test";

// Every type, and a text with every character that needs escaping: written as an export would
// be, and read back as it was.
TEST(RegistryDocument, EveryValueIsWrittenLikeAnExportAndReadsBack)
{
    const std::vector<std::pair<std::string, RegValue>> values{
        {"Na\"me", RegValue::sz("Gr\u00FCn a\"b\\c\nd\re\tf\x01g\x7Fh")},
        {"Path", RegValue::expandSz("%HOME%\\kalender.ics")},
        {"Counter", RegValue::dword(0xFFFFFFFE)},
        {"Blob", RegValue::binary(std::string("\x00\x7F\xFF", 3))},
        {"Empty", RegValue::binary("")},
        {"List", RegValue{RegType(7), std::string("a\0b\0\0", 5)}},
    };
    RegistryDocument document;
    for (const auto& [name, value] : values)
        document.setValue(kKey, name, value);
    document.setValue("HKEY_CURRENT_USER\\Other", "", RegValue{RegType(11), "\x2a"});
    const std::string text = document.text();
    EXPECT_EQ(text.front(), ';');
    EXPECT_EQ(text.substr(text.find('\n') + 1),
              "\n[HKEY_CURRENT_USER\\Test]\n"
              "\"Na\\\"me\"=sz:\"Gr\u00FCn a\\\"b\\\\c\\nd\\re\\tf\\x01g\\x7fh\"\n"
              "\"Path\"=expand_sz:\"%HOME%\\\\kalender.ics\"\n"
              "\"Counter\"=dword:fffffffe\n"
              "\"Blob\"=hex:00,7f,ff\n"
              "\"Empty\"=hex:\n"
              "\"List\"=hex(7):61,00,62,00,00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Other]\n"
              "@=hex(b):2a\n");
    const RegistryDocument again = RegistryDocument::parse(text, "reg.txt");
    for (const auto& [name, value] : values)
        EXPECT_EQ(again.value(kKey, name), value) << name;
}

TEST(RegistryDocument, HandWrittenLinesSurviveAChangeAndNamesIgnoreLetterCase)
{
    RegistryDocument document = RegistryDocument::parse("Zelvant-Registry, Version 1\r\n; a comment\r\n\r\n"
                                                        "[hkey_current_user\\TEST]   \r\n"
                                                        "  \"Counter\" = dword:2A\r\n"
                                                        "\"Plain\"=\"old style\"\r\n"
                                                        "some note the reader does not know\r\n"
                                                        "\r\n# trailing comment\r\n",
                                                        "reg.txt");
    EXPECT_EQ(document.value(kKey, "COUNTER"), RegValue::dword(42));
    document.setValue(kKey, "plain", RegValue::dword(7));
    document.setValue(kKey, "Added", RegValue::sz("x"));
    EXPECT_EQ(document.text(), "Zelvant-Registry, Version 1\n; a comment\n\n"
                               "[hkey_current_user\\TEST]   \n"
                               "  \"Counter\" = dword:2A\n"
                               "\"Plain\"=dword:00000007\n"
                               "\"Added\"=sz:\"x\"\n"
                               "some note the reader does not know\n"
                               "\n# trailing comment\n");
}

TEST(RegistryDocument, BrokenLinesAndDuplicatesAreReportedWithTheirNumber)
{
    const std::string header = "; comment\n[HKEY_CURRENT_USER\\Test]\n";
    const std::pair<std::string, int> cases[] = {
        {header + "\"a\"=dword:123456789\n", 3},
        {header + "\"a\"=hex:01,02,\n", 3},
        {header + "\"a\"=sz:\"bad \\q escape\"\n", 3},
        {"\"a\"=sz:\"before any key\"\n", 1},
        {header + "\"a\"=sz:\"1\"\n\"A\"=sz:\"2\"\n", 4},
        {header + "\n[HKEY_CURRENT_USER\\test]\n", 4},
        {header + "\"a\"=sz:\"1\"\n[HKEY_CURRENT_USER\\x]\n\"a\"=sz:\"2\"\n", 0}, // a name under two keys
    };
    for (const auto& [text, line] : cases) {
        try {
            RegistryDocument::parse(text, "reg.txt");
            EXPECT_EQ(line, 0) << text;
        } catch (const RegistryFormatError& e) {
            EXPECT_EQ(e.line(), line) << text;
            EXPECT_NE(std::string(e.what()).find("reg.txt: Zeile " + std::to_string(line)), std::string::npos)
                << e.what();
        }
    }
}

} // namespace
} // namespace zelvant
