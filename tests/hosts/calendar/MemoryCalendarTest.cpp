#include "hosts/calendar/MemoryCalendar.h"

#include "hostapi/HostError.h"

#include <gtest/gtest.h>

#include <functional>

namespace zelvant {
namespace {

class MemoryCalendarTest : public ::testing::Test {
protected:
    MemoryCalendar calendar;
};

TEST_F(MemoryCalendarTest, BuilderKeepsEverythingAndCountsAsUnchanged)
{
    auto item = calendar.addItem({.start = makeDateTime(2024, 1, 2, 8, 0),
                                  .end = makeDateTime(2024, 1, 2, 9, 0),
                                  .subject = "Review",
                                  .busyStatus = BusyStatus::Tentative,
                                  .categories = {"Plan", "Team A"},
                                  .entryId = "uid-1",
                                  .allDay = true,
                                  .userProperties = {{"B", "2"}, {"A", "1"}},
                                  .sourceText = "BEGIN:VEVENT\r\nEND:VEVENT\r\n"});
    EXPECT_EQ(item->categories(), "Plan; Team A");
    EXPECT_EQ(item->entryId(), "uid-1");
    EXPECT_EQ(item->userProperties().find("A")->value(), "1");
    EXPECT_FALSE(item->isChanged());
    EXPECT_FALSE(item->isNew());

    const AppointmentData back = item->snapshot();
    EXPECT_TRUE(back.allDay);
    EXPECT_EQ(back.sourceText, "BEGIN:VEVENT\r\nEND:VEVENT\r\n");
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(back.userProperties, (Pairs{{"B", "2"}, {"A", "1"}}));
    ASSERT_EQ(calendar.items().size(), 1u);
    EXPECT_EQ(calendar.items()[0].get(), item.get());
}

TEST_F(MemoryCalendarTest, ChangeTrackingTellsChangedNewAndDeletedApart)
{
    auto untouched = calendar.addItem({.entryId = "u"});
    auto edited = calendar.addItem({.entryId = "e"});
    auto tagged = calendar.addItem({.entryId = "t", .userProperties = {{"Link", "old"}}});
    auto doomed = calendar.addItem({.entryId = "d"});
    edited->setSubject("new title");
    tagged->userProperties().find("Link")->setValue("new");
    doomed->remove();
    auto created = calendar.createItem();
    created->save();
    auto draft = calendar.createItem();
    draft->remove(); // never stored: nothing for a writer to delete

    EXPECT_FALSE(untouched->isChanged());
    EXPECT_TRUE(edited->isChanged());
    EXPECT_TRUE(tagged->isChanged());
    EXPECT_FALSE(edited->isNew());
    EXPECT_TRUE(created->isNew());
    EXPECT_TRUE(created->isChanged());
    EXPECT_EQ(calendar.deletedEntryIds(), std::vector<std::string>{"d"});
    EXPECT_EQ(calendar.appointments().size(), 4u);
}

TEST_F(MemoryCalendarTest, CreatedItemHasDefaultsAndJoinsOnlyOnSave)
{
    calendar.setNow(makeDateTime(2024, 7, 1, 14, 30, 15));
    auto item = calendar.createItem();
    EXPECT_EQ(item->start(), makeDateTime(2024, 7, 1, 14, 30, 15));
    EXPECT_EQ(item->end(), makeDateTime(2024, 7, 1, 15, 0, 15));
    EXPECT_EQ(item->busyStatus(), BusyStatus::Busy);
    EXPECT_EQ(item->subject(), "");
    EXPECT_EQ(item->categories(), "");
    EXPECT_FALSE(item->isNew());
    EXPECT_TRUE(calendar.items().empty());
    item->save();
    EXPECT_TRUE(item->isNew());
    EXPECT_EQ(calendar.items().size(), 1u);
}

TEST_F(MemoryCalendarTest, GeneratedEntryIdsAreDeterministicAndSkipIdsInUse)
{
    calendar.addItem({.entryId = "zelvant-2@local"}); // e.g. written by an earlier run
    auto first = calendar.addItem({});
    auto second = calendar.createItem();
    second->save();
    EXPECT_EQ(first->entryId(), "zelvant-1@local");
    EXPECT_EQ(second->entryId(), "zelvant-3@local");
}

TEST_F(MemoryCalendarTest, NewIdsStepAroundLoadedAndDeletedItemsWheneverTheFirstIsMade)
{
    // The IDs in use are gathered when the first new item needs one; items loaded or deleted
    // before that count as much as those after it.
    calendar.addItem({.entryId = "zelvant-1@local"});
    calendar.addItem({.entryId = "zelvant-2@local"})->remove();
    auto first = calendar.createItem();
    first->save();
    calendar.addItem({.entryId = "zelvant-4@local"});
    auto second = calendar.createItem();
    second->save();
    EXPECT_EQ(first->entryId(), "zelvant-3@local");
    EXPECT_EQ(second->entryId(), "zelvant-5@local");
    EXPECT_EQ(calendar.deletedEntryIds(), std::vector<std::string>{"zelvant-2@local"});
}

TEST_F(MemoryCalendarTest, CustomGeneratorIsUsedAndAStuckOneFailsTheSave)
{
    calendar.setEntryIdGenerator([] { return std::string("fixed"); });
    EXPECT_EQ(calendar.addItem({})->entryId(), "fixed");
    auto item = calendar.createItem();
    EXPECT_THROW(item->save(), HostError);
    EXPECT_EQ(calendar.items().size(), 1u);
    EXPECT_FALSE(item->isNew());
}

TEST_F(MemoryCalendarTest, UserPropertyNamesMatchExactlyAndOnlyTextIsAccepted)
{
    auto item = calendar.addItem({.userProperties = {{"Link", "x"}}});
    EXPECT_EQ(item->userProperties().find("link"), nullptr);
    EXPECT_NO_THROW(item->userProperties().add("link", kTextProperty));
    EXPECT_THROW(item->userProperties().add("Number", 3), HostError);
    EXPECT_THROW(item->userProperties().add("", kTextProperty), HostError);
}

TEST_F(MemoryCalendarTest, FailedSetterLeavesTheItemUnchanged)
{
    auto item = calendar.addItem({.subject = "kept"});
    item->faults().failOn("SetSubject");
    EXPECT_THROW(item->setSubject("changed"), HostError);
    item->faults().clearFailures();
    EXPECT_EQ(item->subject(), "kept");
    EXPECT_FALSE(item->isChanged());
}

TEST_F(MemoryCalendarTest, PropertyKeptFromADeletedItemThrows)
{
    auto item = calendar.addItem({.userProperties = {{"Link", "v"}}});
    UserProperties& properties = item->userProperties();
    UserProperty& kept = *properties.find("Link");
    item->remove();
    item.reset(); // the calendar still holds the deleted item, so the reference stays valid
    EXPECT_THROW(kept.value(), HostError);
    EXPECT_THROW(kept.setValue("x"), HostError);
    EXPECT_THROW(properties.find("Link"), HostError);
    EXPECT_THROW(properties.add("Other", kTextProperty), HostError);
}

TEST_F(MemoryCalendarTest, AllDayEndsWithTheFirstTimeOfDayAndDoesNotComeBack)
{
    auto item = calendar.addItem(
        {.start = makeDateTime(2027, 1, 18), .end = makeDateTime(2027, 1, 19), .allDay = true});
    // Moved to other days, one end at a time: whole days throughout, even while the end is early.
    item->setStart(makeDateTime(2027, 1, 25));
    EXPECT_TRUE(item->allDayEvent());
    item->setEnd(makeDateTime(2027, 1, 27));
    EXPECT_TRUE(item->allDayEvent());
    item->setEnd(makeDateTime(2027, 1, 27, 12, 0));
    EXPECT_FALSE(item->allDayEvent());
    item->setEnd(makeDateTime(2027, 1, 28));
    EXPECT_FALSE(item->allDayEvent()); // back on a midnight, but timed now
    EXPECT_TRUE(item->isChanged());

    auto timed =
        calendar.addItem({.start = makeDateTime(2027, 1, 18, 9, 0), .end = makeDateTime(2027, 1, 18, 10, 0)});
    timed->setStart(makeDateTime(2027, 1, 18));
    timed->setEnd(makeDateTime(2027, 1, 19));
    EXPECT_FALSE(timed->allDayEvent());
}

TEST_F(MemoryCalendarTest, UnreadableItemShowsWhoItIsAndRefusesEverythingElseWithItsReason)
{
    const std::string reason = "Termin \u201EX\u201C (k.ics, Zeile 4) kann nicht gelesen werden";
    auto item = calendar.addItem(
        {.subject = "X", .entryId = "u", .userProperties = {{"Link", "v"}}, .unreadable = reason});
    EXPECT_TRUE(item->isUnreadable());
    EXPECT_EQ(item->subject(), "X");
    EXPECT_EQ(item->entryId(), "u");
    EXPECT_EQ(item->busyStatus(), BusyStatus::Busy);
    EXPECT_EQ(item->categories(), "");
    EXPECT_EQ(item->userProperties().find("Link")->value(), "v");

    const std::vector<std::pair<std::string, std::function<void()>>> refused{
        {"Start", [&] { (void)item->start(); }},
        {"End", [&] { (void)item->end(); }},
        {"AllDayEvent", [&] { (void)item->allDayEvent(); }},
        {"SetStart", [&] { item->setStart(makeDateTime(2027, 1, 1)); }},
        {"SetEnd", [&] { item->setEnd(makeDateTime(2027, 1, 1)); }},
        {"SetSubject", [&] { item->setSubject("Y"); }},
        {"SetBusyStatus", [&] { item->setBusyStatus(BusyStatus::Free); }},
        {"SetValue", [&] { item->userProperties().find("Link")->setValue(""); }},
        {"Add", [&] { item->userProperties().add("Other", kTextProperty); }},
        {"Save", [&] { item->save(); }},
        {"Delete", [&] { item->remove(); }},
    };
    for (const auto& [call, run] : refused) {
        SCOPED_TRACE(call);
        try {
            run();
            ADD_FAILURE() << "no error";
        } catch (const HostError& error) {
            EXPECT_EQ(std::string(error.what()), reason);
        }
    }
    EXPECT_FALSE(item->isChanged());
    EXPECT_FALSE(item->isDeleted());
    EXPECT_EQ(calendar.items().size(), 1u);
}

TEST(MemoryCalendarLifetime, ItemOutlivingItsCalendarThrowsInsteadOfCrashing)
{
    std::shared_ptr<MemoryAppointment> stored;
    std::shared_ptr<MemoryAppointment> draft;
    {
        MemoryCalendar calendar;
        stored = calendar.addItem({.subject = "kept"});
        draft = calendar.createItem();
    }
    EXPECT_EQ(stored->subject(), "kept");
    EXPECT_THROW(stored->remove(), HostError);
    EXPECT_THROW(draft->save(), HostError);
}

} // namespace
} // namespace zelvant
