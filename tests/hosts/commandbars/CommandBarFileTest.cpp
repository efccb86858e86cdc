#include "hosts/commandbars/CommandBarFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace zelvant {
namespace {

namespace fs = std::filesystem;

class CommandBarFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 ("zelvant-commandbars-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    static std::vector<BarState> sample()
    {
        BarState tools{"Tools", "Extras", kBarTypePopup, kBarPopup, true, true, {}};
        tools.controls.push_back(
            {kControlButton, 2131, "COM-&Add-Ins...", "", "", "", 0, kButtonAutomatic, true});
        tools.controls.push_back({kControlButton, kCustomControlId,
                                  "Quote \" back\\slash\nnew\tline \u00E4\u00DF", "t \"x\"", "p",
                                  "!<Zelvant.Connect>", 1098, kButtonIconAndCaption, false});
        BarState toolbar{"Zelvant", "Zelvant", kBarTypeNormal, kBarTop, false, false, {}};
        return {tools, toolbar};
    }

    int lineOfError(const std::string& text)
    {
        try {
            CommandBarFile::parse(text, "bars.txt");
        } catch (const CommandBarFileError& error) {
            EXPECT_NE(std::string(error.what()).find("bars.txt"), std::string::npos);
            return error.line();
        }
        return 0;
    }

    fs::path folder;
};

TEST_F(CommandBarFileTest, TextRoundTripsEveryField)
{
    const std::string text = CommandBarFile::format(sample());
    EXPECT_EQ(CommandBarFile::parse(text, "x"), sample());
}

TEST_F(CommandBarFileTest, MissingFieldsTakeDefaultsAndUnknownOnesArePassedOver)
{
    const auto bars =
        CommandBarFile::parse("# comment\n\nbar name=\"B\" colour=red\r\n  control caption=\"C\"\n", "x");
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_EQ(bars[0],
              (BarState{"B",
                        "",
                        kBarTypeNormal,
                        kBarTop,
                        false,
                        false,
                        {ControlState{kControlButton, kCustomControlId, "C", "", "", "", 0, 0, false}}}));
}

TEST_F(CommandBarFileTest, UnreadableContentNamesItsLine)
{
    EXPECT_EQ(lineOfError("  control caption=\"x\"\n"), 1) << "a control needs a bar above it";
    EXPECT_EQ(lineOfError("bar name=\"A\"\n# ok\nbar name=\"B\" visible=yes\n"), 3);
    EXPECT_EQ(lineOfError("bar name=\"A\"\n  button caption=\"x\"\n"), 2);
    EXPECT_EQ(lineOfError("bar name=\"A\n"), 1);
    EXPECT_EQ(lineOfError("bar name=\"A\" broken\n"), 1);
    EXPECT_EQ(lineOfError("bar visible=1\n"), 1) << "a bar without a name";
}

TEST_F(CommandBarFileTest, MissingFileIsNoBarsAtAll)
{
    EXPECT_FALSE(CommandBarFile::load(folder / "none.txt").has_value());
}

TEST_F(CommandBarFileTest, SaveCreatesTheFolderAndLoadReadsItBack)
{
    const fs::path file = folder / "deep" / "commandbars.txt";
    CommandBarFile::save(file, sample());
    EXPECT_EQ(CommandBarFile::load(file), sample());
    CommandBarFile::save(file, {});
    EXPECT_EQ(CommandBarFile::load(file), std::vector<BarState>{});
}

TEST_F(CommandBarFileTest, BrokenFileIsReportedNotTakenForEmpty)
{
    fs::create_directories(folder);
    std::ofstream(folder / "bad.txt") << "nonsense\n";
    EXPECT_THROW(CommandBarFile::load(folder / "bad.txt"), CommandBarFileError);
}

} // namespace
} // namespace zelvant
