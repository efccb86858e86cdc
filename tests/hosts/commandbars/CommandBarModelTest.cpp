#include "hosts/commandbars/CommandBarModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelvant {
namespace {

class CommandBarModelTest : public ::testing::Test {
protected:
    CommandBarModelTest()
    {
        BarState tools{"Tools", "Extras", kBarTypePopup, kBarPopup, true, true, {}};
        for (const char* caption : {"A", "B", "C"})
            tools.controls.push_back(
                {kControlButton, 500, caption, std::string("tag") + caption, "", "", 0, 0, false});
        model.addBar(tools);
        model.setChangeListener([this] { ++changes; });
    }

    std::vector<std::string> captions(const std::string& bar)
    {
        std::vector<std::string> result;
        for (const ControlPtr& control : model.item(bar)->controls())
            result.push_back(control->caption());
        return result;
    }

    CommandBarModel model;
    int changes = 0;
};

TEST_F(CommandBarModelTest, AddedControlTakesThePlaceOfTheControlAtItsPosition)
{
    const BarPtr tools = model.item("Tools");
    tools->addControl(kControlButton, "", 2)->setCaption("new");
    EXPECT_EQ(captions("Tools"), (std::vector<std::string>{"A", "new", "B", "C"}));
    tools->addControl(kControlButton, "", 1)->setCaption("first");
    tools->addControl(kControlButton, "", 0)->setCaption("end");
    tools->addControl(kControlButton, "", 7)->setCaption("after end");
    EXPECT_EQ(captions("Tools"),
              (std::vector<std::string>{"first", "A", "new", "B", "C", "end", "after end"}));
    EXPECT_THROW(tools->addControl(kControlButton, "", 9), HostError);
    EXPECT_THROW(tools->addControl(kControlButton, "", -1), HostError);
}

TEST_F(CommandBarModelTest, AddedControlIsACustomButtonWithItsParameter)
{
    const ControlPtr control = model.item("Tools")->addControl(kControlButton, "ZelvantSync");
    EXPECT_EQ(control->id(), kCustomControlId);
    EXPECT_EQ(control->type(), kControlButton);
    EXPECT_EQ(control->parameter(), "ZelvantSync");
    EXPECT_EQ(control->tag(), "");
    EXPECT_FALSE(control->beginGroup());
    EXPECT_EQ(&control->parent(), model.item("Tools").get());
}

TEST_F(CommandBarModelTest, BarsAreFoundByTheirExactName)
{
    EXPECT_NE(model.find("Tools"), nullptr);
    EXPECT_EQ(model.find("tools"), nullptr);
    EXPECT_THROW(model.item("TOOLS"), HostError);
    EXPECT_THROW(model.add("Tools", kBarTop), HostError);
    const BarPtr bar = model.add("tools", kBarBottom);
    EXPECT_EQ(bar->position(), kBarBottom);
    EXPECT_EQ(bar->type(), kBarTypeNormal);
    EXPECT_FALSE(bar->visible()) << "a new toolbar stays hidden until someone shows it";
    EXPECT_EQ(model.bars().back(), bar);
}

TEST_F(CommandBarModelTest, FindControlTakesTheFirstTagOnTheBarOrAcrossBars)
{
    const BarPtr other = model.add("Other", kBarTop);
    const ControlPtr early = other->addControl(kControlButton);
    early->setTag("tagB");
    EXPECT_EQ(model.item("Tools")->findControl("tagB")->caption(), "B");
    EXPECT_EQ(model.findControl("tagB")->caption(), "B") << "bars are searched in their order";
    EXPECT_EQ(other->findControl("tagB"), early);
    EXPECT_EQ(model.findControl("TAGB"), nullptr);
    EXPECT_EQ(model.findControl("missing"), nullptr);
}

TEST_F(CommandBarModelTest, DeletedControlsAndBarsThrowOnEveryLaterCall)
{
    const BarPtr tools = model.item("Tools");
    const ControlPtr b = tools->findControl("tagB");
    const ControlPtr c = tools->findControl("tagC");
    b->remove();
    EXPECT_EQ(captions("Tools"), (std::vector<std::string>{"A", "C"}));
    EXPECT_THROW(b->caption(), HostError);
    EXPECT_THROW(b->setCaption("x"), HostError);
    EXPECT_THROW(b->remove(), HostError);

    tools->remove();
    EXPECT_EQ(model.find("Tools"), nullptr);
    EXPECT_THROW(tools->controls(), HostError);
    EXPECT_THROW(c->tag(), HostError) << "a bar's controls go with it";
}

TEST_F(CommandBarModelTest, ClickRunsHandlersInOrderThenTheHostsActionUnlessCancelled)
{
    std::vector<std::string> calls;
    model.setDefaultAction([&](CommandBarControl& control) { calls.push_back("host " + control.caption()); });
    const ControlPtr a = model.findControl("tagA");
    ClickSubscription first = a->subscribeClick([&](CommandBarControl&, bool&) { calls.push_back("first"); });
    ClickSubscription second =
        a->subscribeClick([&](CommandBarControl&, bool&) { calls.push_back("second"); });
    a->execute();
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second", "host A"}));

    calls.clear();
    ClickSubscription cancel =
        a->subscribeClick([&](CommandBarControl&, bool& cancelDefault) { cancelDefault = true; });
    first.reset();
    a->execute();
    EXPECT_EQ(calls, (std::vector<std::string>{"second"}));
}

TEST_F(CommandBarModelTest, FailingHandlerKeepsTheOthersAndTheHostsAction)
{
    int reached = 0;
    model.setDefaultAction([&](CommandBarControl&) { ++reached; });
    const ControlPtr a = model.findControl("tagA");
    ClickSubscription failing =
        a->subscribeClick([](CommandBarControl&, bool&) { throw HostError("kaputt"); });
    ClickSubscription counting = a->subscribeClick([&](CommandBarControl&, bool&) { ++reached; });
    EXPECT_NO_THROW(a->execute());
    EXPECT_EQ(reached, 2);
}

TEST_F(CommandBarModelTest, HandlerThatDeletesItsControlSkipsTheHostsAction)
{
    bool hostRan = false;
    model.setDefaultAction([&](CommandBarControl&) { hostRan = true; });
    ControlPtr a = model.findControl("tagA");
    ClickSubscription remover = a->subscribeClick([&](CommandBarControl& control, bool&) {
        control.remove();
        a.reset(); // the last outside reference goes while the click is still running
    });
    model.findControl("tagA")->execute();
    EXPECT_FALSE(hostRan);
    EXPECT_EQ(model.findControl("tagA"), nullptr);
}

TEST_F(CommandBarModelTest, SubscriptionOutlivingItsControlDetachesSafely)
{
    ClickSubscription subscription;
    {
        CommandBarModel other;
        other.add("X", kBarTop)->addControl(kControlButton)->setTag("t");
        subscription = other.findControl("t")->subscribeClick([](CommandBarControl&, bool&) {});
        EXPECT_TRUE(subscription.attached());
    }
    EXPECT_NO_THROW(subscription.reset());
    EXPECT_FALSE(subscription.attached());
}

TEST_F(CommandBarModelTest, ReferencesHeldAfterTheModelIsGoneThrow)
{
    ControlPtr control;
    BarPtr bar;
    {
        CommandBarModel other;
        bar = other.add("X", kBarTop);
        control = bar->addControl(kControlButton);
    }
    EXPECT_THROW(control->caption(), HostError);
    EXPECT_THROW(bar->name(), HostError);
}

TEST_F(CommandBarModelTest, StateRoundTripsThroughRestoreAndOldReferencesDie)
{
    const ControlPtr a = model.findControl("tagA");
    a->setFaceId(1098);
    a->setStyle(kButtonIconAndCaption);
    a->setOnAction("!<Zelvant.Connect>");
    a->setBeginGroup(true);
    const std::vector<BarState> saved = model.state();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].controls[0], (ControlState{kControlButton, 500, "A", "tagA", "", "!<Zelvant.Connect>",
                                                  1098, kButtonIconAndCaption, true}));

    CommandBarModel restored;
    restored.restore(saved);
    EXPECT_EQ(restored.state(), saved);

    model.restore({});
    EXPECT_TRUE(model.bars().empty());
    EXPECT_THROW(a->caption(), HostError);
}

TEST_F(CommandBarModelTest, EveryChangeIsReported)
{
    const ControlPtr a = model.findControl("tagA");
    a->setCaption("x");
    a->setBeginGroup(true);
    model.item("Tools")->setVisible(false);
    model.item("Tools")->addControl(kControlButton);
    a->remove();
    model.add("New", kBarTop)->remove();
    EXPECT_EQ(changes, 7);
    model.findControl("tagB")->caption(); // reading is no change
    EXPECT_EQ(changes, 7);
}

} // namespace
} // namespace zelvant
