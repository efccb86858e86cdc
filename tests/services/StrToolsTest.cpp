#include "services/StrTools.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using Strings = std::vector<std::string>;

TEST(StrTools, OnlyTheTrueWordsInAnyCaseAreTrue)
{
    for (const char* text : {"1", "ja", "JA", "An", "true", "TrUe", "wahr", "WAHR", "yes", "Yes", "on", "ON"})
        EXPECT_TRUE(StrToBool(text)) << text;
    for (const char* text : {"", "0", " 1", "1 ", "ja ", " on", "nein", "false", "jaa", "o", "11", "-1"})
        EXPECT_FALSE(StrToBool(text)) << '"' << text << '"';
}

TEST(StrTools, SplitTrimsThePartsButASingleNameKeepsItsBlanks)
{
    EXPECT_EQ(SplitToCollection("  Rot  ;Blau  ", ";"), (Strings{"Rot", "Blau"}));
    EXPECT_EQ(SplitToCollection("Gr\u00FCn; \u00C4rger", ";"), (Strings{"Gr\u00FCn", "\u00C4rger"}));
    EXPECT_EQ(SplitToCollection("  Rot ", ";"), Strings{"  Rot "});
    EXPECT_TRUE(SplitToCollection("", ";").empty());
    EXPECT_TRUE(SplitToCollection("   ", ";").empty());
}

TEST(StrTools, EmptyPartsBetweenDelimitersStayButNotAfterTheLast)
{
    EXPECT_EQ(SplitToCollection("Rot;;Blau", ";"), (Strings{"Rot", "", "Blau"}));
    EXPECT_EQ(SplitToCollection("Rot;", ";"), Strings{"Rot"});
    EXPECT_EQ(SplitToCollection(";Rot", ";"), (Strings{"", "Rot"}));
    // Blanks after the last delimiter are a part of their own, an empty one once trimmed.
    EXPECT_EQ(SplitToCollection("Rot; ", ";"), (Strings{"Rot", ""}));
}

TEST(StrTools, LongerDelimitersAndAnEmptyOne)
{
    EXPECT_EQ(SplitToCollection("a, b,c", ", "), (Strings{"a", "b,c"}));
    EXPECT_EQ(SplitToCollection("a;b", ""), Strings{"a;b"});
}

} // namespace
} // namespace zelvant
