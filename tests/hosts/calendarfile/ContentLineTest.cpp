#include "hosts/calendarfile/ContentLine.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

// Warnings and errors name the line a value starts on: folds and blank lines count.
TEST(ContentLineTest, FoldedLinesAreJoinedAndKeepTheirPositions)
{
    const std::string text = "BEGIN:VEVENT\r\nSUMMARY:ab\r\n c\r\n\td\r\n\r\nEND:VEVENT";
    const auto lines = scanContentLines(text, 10);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].value, "abcd");
    EXPECT_EQ(lines[1].lineNumber, 11);
    EXPECT_EQ(text.substr(lines[1].begin, lines[1].end - lines[1].begin), "SUMMARY:ab\r\n c\r\n\td\r\n");
    EXPECT_EQ(lines[2].lineNumber, 15);
    EXPECT_EQ(lines[2].end, text.size());
}

TEST(ContentLineTest, QuotedParameterMayHoldColonsAndSemicolons)
{
    const ContentLine line = parseContentLine("dtstart;tzid=\"Zone: A;B\";X-Y=^'q^'^n:20240506T090000");
    EXPECT_EQ(line.name, "DTSTART");
    ASSERT_NE(line.param("TZID"), nullptr);
    EXPECT_EQ(line.param("TZID")->value, "Zone: A;B");
    EXPECT_EQ(line.param("X-Y")->value, "\"q\"\n");
    EXPECT_EQ(line.value, "20240506T090000");
    EXPECT_FALSE(parseContentLine("DTSTART;TZID=\"A:20240506T090000\"").hasValue);
}

TEST(ContentLineTest, UnescapingTakesEachEscapeAndLeavesTheRest)
{
    const std::pair<std::string, std::string> rows[] = {
        {"a\\,b\\;c", "a,b;c"},
        {"\\\\n", "\\n"}, // an escaped backslash, then a plain n
        {"zwei\\nZeilen\\N", "zwei\nZeilen\n"},
        {"am Ende\\", "am Ende\\"}, // a lone backslash at the end stays
        {"\\x", "x"},               // an unknown escape gives its character
    };
    for (const auto& [escaped, text] : rows)
        EXPECT_EQ(unescapeText(escaped), text) << escaped;
    EXPECT_EQ(escapeText("a,b;c\\d\r\nzwei\r"), "a\\,b\\;c\\\\d\\nzwei\\n");
}

TEST(ContentLineTest, FoldingNeverSplitsACharacterAndUnfoldsToTheSame)
{
    std::string value;
    for (int i = 0; i < 60; ++i)
        value += "\xE2\x82\xAC"; // three bytes each
    const std::string folded = foldLine("SUMMARY:" + value, "\r\n");
    for (std::size_t start = 0; start < folded.size();) {
        const std::size_t end = folded.find("\r\n", start);
        EXPECT_LE(end - start, 75u);
        // A physical line never starts in the middle of a character.
        EXPECT_NE(static_cast<unsigned char>(folded[start == 0 ? 0 : start + 1]) & 0xC0, 0x80);
        start = end + 2;
    }
    const auto lines = scanContentLines(folded);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].value, value);
}

} // namespace
} // namespace zelvant
