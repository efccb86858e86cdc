#include "hosts/calendarfile/ContentLine.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace zelvant
