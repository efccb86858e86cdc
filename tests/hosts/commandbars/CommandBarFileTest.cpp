#include "hosts/commandbars/CommandBarFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

// Every field set, and a caption with every character the file has to escape.
std::vector<BarState> sample()
{
    BarState tools{"Tools", "Extras", kBarTypePopup, kBarPopup, true, true, {}};
    tools.controls.push_back(
        {kControlButton, 2131, "COM-&Add-Ins...", "", "", "", 0, kButtonAutomatic, true});
    tools.controls.push_back({kControlButton, kCustomControlId,
                              "Quote \" back\\slash\nnew\tline \u00E4\u00DF", "t \"x\"", "p",
                              "!<Zelvant.Connect>", 1098, kButtonIconAndCaption, false});
    return {tools, BarState{"Zelvant", "Zelvant", kBarTypeNormal, kBarTop, false, false, {}}};
}

TEST(CommandBarFile, SavedBarsLoadBackAndMissingOrBrokenFilesDiffer)
{
    testing::TempDir dir;
    const auto file = dir.path() / "deep" / "commandbars.txt";
    EXPECT_FALSE(CommandBarFile::load(file).has_value());
    CommandBarFile::save(file, sample());
    EXPECT_EQ(CommandBarFile::load(file), sample());
    testing::writeText(file, "nonsense\n");
    EXPECT_THROW(CommandBarFile::load(file), CommandBarFileError);
}

TEST(CommandBarFile, MissingFieldsTakeDefaultsAndUnknownOnesArePassedOver)
{
    const auto bars =
        CommandBarFile::parse("# comment\n\nbar name=\"B\" colour=red\r\n  control caption=\"C\"\n", "x");
    BarState expected{"B", "", kBarTypeNormal, kBarTop, false, false, {}};
    expected.controls.push_back({kControlButton, kCustomControlId, "C", "", "", "", 0, 0, false});
    EXPECT_EQ(bars, std::vector<BarState>{expected});
}

TEST(CommandBarFile, UnreadableContentNamesItsLine)
{
    const std::pair<const char*, int> cases[] = {
        {"  control caption=\"x\"\n", 1}, // a control needs a bar above it
        {"bar name=\"A\"\n# ok\nbar name=\"B\" visible=yes\n", 3},
        {"bar name=\"A\"\n  button caption=\"x\"\n", 2},
        {"bar name=\"A\n", 1},
        {"bar visible=1\n", 1}, // a bar without a name
    };
    for (const auto& [text, line] : cases) {
        try {
            CommandBarFile::parse(text, "bars.txt");
            ADD_FAILURE() << "accepted: " << text;
        } catch (const CommandBarFileError& error) {
            EXPECT_EQ(error.line(), line) << text;
            EXPECT_NE(std::string(error.what()).find("bars.txt"), std::string::npos);
        }
    }
}

} // namespace
} // namespace zelvant
