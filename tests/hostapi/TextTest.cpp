#include "hostapi/Text.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

TEST(Text, LowerCaseIsAsciiOnlyAndTrimmingTakesTheEndsOnly)
{
    struct Case {
        std::string_view text, lower, trimmed, blanksTrimmed;
    };
    const Case cases[] = {
        {"  HTTP://X  ", "  http://x  ", "HTTP://X", "HTTP://X"},
        {"\t\r\nÄrger Ü\n", "\t\r\nÄrger Ü\n", "Ärger Ü", "\t\r\nÄrger Ü\n"}, // UTF-8 stays as it is
        {" \t\f\v ", " \t\f\v ", "", "\t\f\v"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lowerAscii(c.text), c.lower) << c.text;
        EXPECT_EQ(trimmed(c.text), c.trimmed) << c.text;
        EXPECT_EQ(trimmed(c.text, " "), c.blanksTrimmed) << c.text;
        EXPECT_EQ(lowerAscii(lowerAscii(c.text)), lowerAscii(c.text)); // both are idempotent
        EXPECT_EQ(trimmed(trimmed(c.text)), trimmed(c.text));
    }
}

} // namespace
} // namespace zelvant
