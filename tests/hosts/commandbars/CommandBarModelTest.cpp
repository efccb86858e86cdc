#include "hosts/commandbars/CommandBarModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelvant {
namespace {

// A bar "Tools" with buttons A, B, C tagged tagA, tagB, tagC; every change counted.
class CommandBarModelTest : public ::testing::Test {
protected:
    CommandBarModelTest()
    {
        BarState tools{"Tools", "Extras", kBarTypePopup, kBarPopup, true, true, {}};
        for (const std::string caption : {"A", "B", "C"})
            tools.controls.push_back({kControlButton, 500, caption, "tag" + caption, "", "", 0, 0, false});
        model.addBar(tools);
        model.setChangeListener([this] { ++changes; });
    }

    CommandBarModel model;
    int changes = 0;
};

TEST_F(CommandBarModelTest, AddedControlTakesThePlaceOfTheControlAtItsPosition)
{
    const BarPtr tools = model.item("Tools");
    tools->addControl(kControlButton, "", 2)->setCaption("new");
    tools->addControl(kControlButton, "", 1)->setCaption("first");
    tools->addControl(kControlButton, "", 0)->setCaption("end");
    tools->addControl(kControlButton, "", 7)->setCaption("after end");
    std::vector<std::string> captions;
    for (const ControlPtr& control : tools->controls())
        captions.push_back(control->caption());
    EXPECT_EQ(captions, (std::vector<std::string>{"first", "A", "new", "B", "C", "end", "after end"}));
    EXPECT_THROW(tools->addControl(kControlButton, "", 9), HostError);
    EXPECT_THROW(tools->addControl(kControlButton, "", -1), HostError);
}

TEST_F(CommandBarModelTest, NamesAndTagsAreExactAndTheFirstTagWins)
{
    const BarPtr other = model.add("tools", kBarBottom);
    EXPECT_FALSE(other->visible()) << "a new toolbar stays hidden until someone shows it";
    other->addControl(kControlButton)->setTag("tagB");
    EXPECT_EQ(model.findControl("tagB")->caption(), "B") << "bars are searched in their order";
    EXPECT_EQ(model.findControl("TAGB"), nullptr);
    EXPECT_THROW(model.add("Tools", kBarTop), HostError);
}

TEST_F(CommandBarModelTest, ClickRunsHandlersInOrderThenTheHostsActionUnlessCancelledOrDeleted)
{
    std::vector<std::string> calls;
    model.setDefaultAction([&](CommandBarControl& control) { calls.push_back("host " + control.caption()); });
    ControlPtr a = model.findControl("tagA");
    auto first = a->subscribeClick([&](CommandBarControl&, bool&) { calls.push_back("first"); });
    auto failing = a->subscribeClick([](CommandBarControl&, bool&) { throw HostError("kaputt"); });
    auto second = a->subscribeClick([&](CommandBarControl&, bool&) { calls.push_back("second"); });
    EXPECT_NO_THROW(a->execute());
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second", "host A"}));

    calls.clear();
    auto cancel = a->subscribeClick([&](CommandBarControl&, bool& cancelDefault) { cancelDefault = true; });
    first.reset();
    a->execute();
    EXPECT_EQ(calls, (std::vector<std::string>{"second"}));

    // A handler that deletes its control, dropping the last outside reference while the click runs.
    cancel.reset();
    calls.clear();
    auto remover = a->subscribeClick([&](CommandBarControl& control, bool&) {
        control.remove();
        a.reset();
    });
    model.findControl("tagA")->execute();
    EXPECT_EQ(calls, (std::vector<std::string>{"second"}));
    EXPECT_EQ(model.findControl("tagA"), nullptr);
}

TEST_F(CommandBarModelTest, StateRoundTripsThroughRestoreAndEveryChangeIsReported)
{
    const ControlPtr a = model.findControl("tagA");
    a->setFaceId(1098);
    a->setStyle(kButtonIconAndCaption);
    a->setOnAction("!<Zelvant.Connect>");
    a->setBeginGroup(true);
    model.item("Tools")->setVisible(false);
    model.add("New", kBarTop)->remove();
    EXPECT_EQ(changes, 7);
    const std::vector<BarState> saved = model.state();
    EXPECT_EQ(changes, 7) << "reading is no change";
    EXPECT_EQ(saved[0].controls[0], (ControlState{kControlButton, 500, "A", "tagA", "", "!<Zelvant.Connect>",
                                                  1098, kButtonIconAndCaption, true}));
    CommandBarModel restored;
    restored.restore(saved);
    EXPECT_EQ(restored.state(), saved);
    model.restore({});
    EXPECT_THROW(a->caption(), HostError) << "a restore replaces every bar and control";
}

} // namespace
} // namespace zelvant
