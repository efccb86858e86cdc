#include "hosts/calendarfile/ContentLine.h"

#include <gtest/gtest.h>

#include <random>

namespace zelvant {
namespace {

class ContentLineTest : public ::testing::Test {};

TEST_F(ContentLineTest, FoldedLinesAreJoinedAndKeepTheirPositions)
{
    const std::string text = "BEGIN:VEVENT\r\nSUMMARY:ab\r\n c\r\n\td\r\n\r\nEND:VEVENT";
    const auto lines = scanContentLines(text, 10);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].value, "abcd");
    EXPECT_EQ(lines[1].lineNumber, 11);
    EXPECT_EQ(text.substr(lines[1].begin, lines[1].end - lines[1].begin), "SUMMARY:ab\r\n c\r\n\td\r\n");
    EXPECT_EQ(lines[2].lineNumber, 15); // the blank line counts
    EXPECT_EQ(lines[2].end, text.size());
}

TEST_F(ContentLineTest, QuotedParameterMayHoldColonsAndSemicolons)
{
    const ContentLine line = parseContentLine("dtstart;tzid=\"Zone: A;B\";X-Y=^'q^'^n:20240506T090000");
    EXPECT_EQ(line.name, "DTSTART");
    EXPECT_EQ(line.head, "dtstart;tzid=\"Zone: A;B\";X-Y=^'q^'^n");
    ASSERT_NE(line.param("TZID"), nullptr);
    EXPECT_EQ(line.param("TZID")->value, "Zone: A;B");
    EXPECT_EQ(line.param("X-Y")->value, "\"q\"\n");
    EXPECT_EQ(line.value, "20240506T090000");
    EXPECT_FALSE(parseContentLine("DTSTART;TZID=\"A:20240506T090000\"").hasValue);
}

TEST_F(ContentLineTest, TextEscapesRoundTrip)
{
    const std::string text = "a,b;c\\d\nzwei \\n";
    EXPECT_EQ(escapeText(text), "a\\,b\\;c\\\\d\\nzwei \\\\n");
    EXPECT_EQ(unescapeText(escapeText(text)), text);
    EXPECT_EQ(unescapeText("x\\Ny"), "x\ny");
    EXPECT_EQ(escapeText("a\r\nb\rc"), "a\\nb\\nc");
}

TEST_F(ContentLineTest, UnescapingTakesEachEscapeAndLeavesTheRest)
{
    const std::pair<std::string, std::string> rows[] = {
        {"", ""},
        {"plain text", "plain text"},
        {"a\\,b\\;c", "a,b;c"},
        {"\\\\", "\\"},
        {"\\\\n", "\\n"}, // an escaped backslash, then a plain n
        {"zwei\\nZeilen\\N", "zwei\nZeilen\n"},
        {"am Ende\\", "am Ende\\"}, // a lone backslash at the end stays
        {"\\x", "x"},               // an unknown escape gives its character
    };
    for (const auto& [escaped, text] : rows)
        EXPECT_EQ(unescapeText(escaped), text) << escaped;
}

TEST_F(ContentLineTest, ListsSplitOnlyAtUnescapedCommas)
{
    EXPECT_EQ(splitTextList("a\\,b,c,,d"), (std::vector<std::string>{"a\\,b", "c", "", "d"}));
}

TEST_F(ContentLineTest, ParameterValuesAreQuotedOnlyWhenNeeded)
{
    EXPECT_EQ(formatParamValue("W. Europe Standard Time"), "W. Europe Standard Time");
    EXPECT_EQ(formatParamValue("a:b"), "\"a:b\"");
    EXPECT_EQ(formatParamValue("say \"hi\"^"), "say ^'hi^'^^");
}

TEST_F(ContentLineTest, FoldingNeverSplitsACharacterAndUnfoldsToTheSame)
{
    std::string value;
    for (int i = 0; i < 60; ++i)
        value += "\xE2\x82\xAC"; // three bytes each
    const std::string line = "SUMMARY:" + value;
    const std::string folded = foldLine(line, "\r\n");
    std::size_t start = 0;
    while (start < folded.size()) {
        const std::size_t end = folded.find("\r\n", start);
        EXPECT_LE(end - start, 75u);
        // A physical line never starts in the middle of a character.
        const std::size_t first = start == 0 ? 0 : start + 1;
        EXPECT_NE(static_cast<unsigned char>(folded[first]) & 0xC0, 0x80);
        start = end + 2;
    }
    const auto lines = scanContentLines(folded);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].value, value);
}

// Texts of random lines: names in any case, parameters with quotes, values folded with blanks
// or tabs, line ends with or without CR, blank lines in between.
std::string randomLines(std::mt19937& random)
{
    static const std::vector<std::string> pieces = {
        "SUMMARY",    "dtstart", "X-ZELVANT-LINK", ";TZID=\"A:B;C\"", ";VALUE=DATE",
        ";X-Y=^'q^'", ":",       "wert",           "20240506T090000", "\\,",
        "\xC3\xA4",   "\"",
    };
    std::string text;
    const int lines = int(random() % 12);
    for (int i = 0; i < lines; ++i) {
        const int length = 1 + int(random() % 8);
        for (int k = 0; k < length; ++k) {
            text += pieces[random() % pieces.size()];
            if (random() % 5 == 0)
                text += random() % 2 ? "\r\n " : "\n\t"; // folded
        }
        text += random() % 2 ? "\r\n" : "\n";
        if (random() % 6 == 0)
            text += "\r\n"; // a blank line
    }
    if (random() % 2 && !text.empty())
        text.pop_back(); // no line end at the very end
    return text;
}

// A reader of many events scans each into the same lines: whatever the lines held before, the
// result is what a fresh scan gives.
TEST_F(ContentLineTest, ScanningIntoUsedLinesGivesWhatAFreshScanGives)
{
    std::mt19937 random(7);
    std::vector<ContentLine> reused;
    for (int round = 0; round < 400; ++round) {
        const std::string text = randomLines(random);
        const int firstLine = 1 + int(random() % 50);
        scanContentLines(text, firstLine, reused);
        const std::vector<ContentLine> fresh = scanContentLines(text, firstLine);
        ASSERT_EQ(reused.size(), fresh.size()) << text;
        for (std::size_t i = 0; i < fresh.size(); ++i) {
            SCOPED_TRACE(text);
            EXPECT_EQ(reused[i].name, fresh[i].name);
            EXPECT_EQ(reused[i].head, fresh[i].head);
            EXPECT_EQ(reused[i].value, fresh[i].value);
            EXPECT_EQ(reused[i].hasValue, fresh[i].hasValue);
            EXPECT_EQ(reused[i].begin, fresh[i].begin);
            EXPECT_EQ(reused[i].end, fresh[i].end);
            EXPECT_EQ(reused[i].lineNumber, fresh[i].lineNumber);
            ASSERT_EQ(reused[i].params.size(), fresh[i].params.size());
            for (std::size_t p = 0; p < fresh[i].params.size(); ++p) {
                EXPECT_EQ(reused[i].params[p].name, fresh[i].params[p].name);
                EXPECT_EQ(reused[i].params[p].value, fresh[i].params[p].value);
            }
        }
    }
}

} // namespace
} // namespace zelvant
