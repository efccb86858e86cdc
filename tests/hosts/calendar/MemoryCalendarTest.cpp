#include "hosts/calendar/MemoryCalendar.h"

#include "hostapi/HostError.h"

#include <gtest/gtest.h>

#include <functional>

namespace zelvant {
namespace {

// A writer keys events by their IDs: a new one steps around every ID the calendar holds, loaded
// before or after the first new item, deleted or not.
TEST(MemoryCalendarTest, NewIdsStepAroundLoadedAndDeletedItems)
{
    MemoryCalendar calendar;
    calendar.addItem({.entryId = "zelvant-2@local"})->remove();
    auto loaded = calendar.addItem({});
    auto first = calendar.createItem();
    first->save();
    calendar.addItem({.entryId = "zelvant-4@local"});
    auto second = calendar.createItem();
    second->save();
    EXPECT_EQ(loaded->entryId(), "zelvant-1@local");
    EXPECT_EQ(first->entryId(), "zelvant-3@local");
    EXPECT_EQ(second->entryId(), "zelvant-5@local");
    EXPECT_EQ(calendar.deletedEntryIds(), std::vector<std::string>{"zelvant-2@local"});
}

// An unreadable item tells who it is and what links it; everything else refuses with its reason.
TEST(MemoryCalendarTest, UnreadableItemRefusesEverythingButWhoItIs)
{
    MemoryCalendar calendar;
    const std::string reason = "Termin \u201EX\u201C (k.ics, Zeile 4) kann nicht gelesen werden";
    auto item = calendar.addItem(
        {.subject = "X", .entryId = "u", .userProperties = {{"Link", "v"}}, .unreadable = reason});
    EXPECT_EQ(item->subject(), "X");
    EXPECT_EQ(item->userProperties().find("Link")->value(), "v");
    const std::function<void()> refused[] = {
        [&] { (void)item->start(); },
        [&] { (void)item->end(); },
        [&] { (void)item->allDayEvent(); },
        [&] { item->setStart(makeDateTime(2027, 1, 1)); },
        [&] { item->setEnd(makeDateTime(2027, 1, 1)); },
        [&] { item->setSubject("Y"); },
        [&] { item->setBusyStatus(BusyStatus::Free); },
        [&] { item->userProperties().find("Link")->setValue(""); },
        [&] { item->userProperties().add("Other", kTextProperty); },
        [&] { item->save(); },
        [&] { item->remove(); },
    };
    for (std::size_t call = 0; call < std::size(refused); ++call) {
        try {
            refused[call]();
            ADD_FAILURE() << "call " << call;
        } catch (const HostError& error) {
            EXPECT_EQ(std::string(error.what()), reason) << "call " << call;
        }
    }
    EXPECT_FALSE(item->isChanged());
    EXPECT_FALSE(item->isDeleted());
}

} // namespace
} // namespace zelvant
