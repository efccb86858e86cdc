#include "engine/LinkModel.h"
#include "engine/LinkKeys.h"
#include "tests/support/FixedClock.h"

#include <gtest/gtest.h>

#include <set>

namespace zelvant {
namespace {

TEST(GetFieldId, SeventyDistinctFieldsAndNothingElse)
{
    const std::pair<const char*, int> bounds[] = {{"Text1", 188743731},
                                                  {"Text5", 188743743},
                                                  {"Text6", 188743746},
                                                  {"Text10", 188743750},
                                                  {"Text11", 188743997},
                                                  {"Text29", kText29},
                                                  {"Text30", 188744016},
                                                  {"Enterprise-Text1", 188744479},
                                                  {"Enterprise-Text40", 188744518}};
    for (auto [name, id] : bounds)
        EXPECT_EQ(GetFieldId(name), id) << name;
    for (const char* other : {"", "text29", "Text0", "Text31", "Text029", "Text29 ", "Enterprise-Text0",
                              "Enterprise-Text41", "Number1"})
        EXPECT_EQ(GetFieldId(other), -1) << other;
    std::set<int> ids;
    for (int n = 1; n <= 40; ++n) {
        if (n <= 30)
            ids.insert(GetFieldId("Text" + std::to_string(n)));
        ids.insert(GetFieldId("Enterprise-Text" + std::to_string(n)));
    }
    EXPECT_EQ(ids.size(), 70u);
    EXPECT_FALSE(ids.count(-1));
}

const DateTime kStart = makeDateTime(2024, 3, 5, 8, 0, 59);
const DateTime kEnd = makeDateTime(2024, 3, 5, 12, 30);
const std::string kKey = "123456789202403011015";

TEST(LinkValue, HasTheFixedLayout)
{
    const std::string value = link::build(2, kKey, kStart, kEnd, "Entwurf");
    EXPECT_EQ(value, "002" + kKey + "202403050800" + "202403051230" + "Entwurf");
    EXPECT_EQ(value.size(), 48u + 7u);
    EXPECT_EQ(link::key(value), kKey);
    EXPECT_EQ(link::partCount(value), 2);
    EXPECT_EQ(link::storedStart(value), makeDateTime(2024, 3, 5, 8, 0)); // seconds are not stored
    EXPECT_EQ(link::storedEnd(value), kEnd);
    EXPECT_EQ(link::storedName(value), "Entwurf");
}

TEST(LinkValue, ThreeDigitCountsAndIndices)
{
    EXPECT_EQ(link::build(0, kKey, kStart, kEnd, "").substr(0, 3), "000");
    EXPECT_EQ(link::build(999, kKey, kStart, kEnd, "").substr(0, 3), "999");
    EXPECT_THROW(link::build(1000, kKey, kStart, kEnd, ""), std::length_error); // would shift every field
    EXPECT_EQ(link::partCount("042..."), 42);
    EXPECT_FALSE(link::partCount("0a2"));
    EXPECT_FALSE(link::partCount("12"));
    EXPECT_FALSE(link::partCount(" 12"));
}

TEST(LinkValue, ShortValuesCompareOnWhatTheyHave)
{
    EXPECT_EQ(link::key("000abc"), "abc");
    EXPECT_EQ(link::key("00"), "");
    EXPECT_FALSE(link::storedStart("000" + kKey + "2024"));
    EXPECT_EQ(link::storedName("000" + kKey), "");
    EXPECT_FALSE(link::storedEnd("000" + kKey + "202403050800" + "202413051230")); // month 13
}

TEST(Subjects, OnlyTheSuffixWeWriteIsRemoved)
{
    EXPECT_EQ(link::subjectFor("Bau", 1, 1), "Bau");
    EXPECT_EQ(link::subjectFor("Bau", 12, 12), "Bau (12)");
    const std::pair<const char*, const char*> cases[] = {
        {"Bau (1)", "Bau"},           {"Bau (12)", "Bau"},  {"Phase (2) (1)", "Phase (2)"},
        {"Review (A)", "Review (A)"}, {"Bau(1)", "Bau(1)"}, {"(1)", "(1)"},
        {"Bau ()", "Bau ()"}};
    for (auto [subject, name] : cases)
        EXPECT_EQ(link::withoutPartSuffix(subject), name) << subject;
}

TEST(LinkKeys, NeverRepeatAKeyInUseEvenWithinTheSameMinute)
{
    testing::FixedClock clock(makeDateTime(2024, 3, 1, 10, 15, 42));
    // Two generators with the same seed draw the same numbers: the second must step past the
    // keys the first one made once they are reserved, as keys already in the plan are.
    LinkKeyGenerator first(clock, 42), second(clock, 42);
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        const std::string key = first.next();
        second.reserve(key);
        seen.insert(key);
    }
    for (int i = 0; i < 1000; ++i)
        EXPECT_TRUE(seen.insert(second.next()).second);
    EXPECT_EQ(seen.size(), 2000u);
}

} // namespace
} // namespace zelvant
