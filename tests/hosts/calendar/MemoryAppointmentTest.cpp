#include "hosts/calendar/MemoryCalendar.h"

#include "hostapi/HostError.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace zelvant {
namespace {

class MemoryAppointmentTest : public ::testing::Test {
protected:
    MemoryCalendar calendar;
    std::shared_ptr<MemoryAppointment> item =
        calendar.addItem({.subject = "kept", .userProperties = {{"Link", "v"}}});

    UserProperty& link() { return *item->userProperties().find("Link"); }
};

TEST_F(MemoryAppointmentTest, EachNamedFaultBreaksOnlyItsOwnCallAndChangesNothing)
{
    const DateTime t = makeDateTime(2024, 1, 1);
    UserProperties& properties = item->userProperties();
    UserProperty& value = link();
    int added = 0;
    const std::map<std::string, std::function<void()>> calls{
        {"Start", [&] { item->start(); }},
        {"SetStart", [&] { item->setStart(t); }},
        {"End", [&] { item->end(); }},
        {"SetEnd", [&] { item->setEnd(t); }},
        {"Subject", [&] { item->subject(); }},
        {"SetSubject", [&] { item->setSubject("changed"); }},
        {"BusyStatus", [&] { item->busyStatus(); }},
        {"SetBusyStatus", [&] { item->setBusyStatus(BusyStatus::Free); }},
        {"Categories", [&] { item->categories(); }},
        {"EntryID", [&] { item->entryId(); }},
        {"UserProperties", [&] { item->userProperties(); }},
        {"Save", [&] { item->save(); }},
        {"Delete", [&] { item->remove(); }},
        {"Find", [&] { properties.find("Link"); }},
        {"Add", [&] { properties.add("New" + std::to_string(++added), kTextProperty); }},
        {"Value", [&] { value.value(); }},
        {"SetValue", [&] { value.setValue("changed"); }},
    };
    for (const auto& [failing, failingCall] : calls) {
        item->faults().failOn(failing);
        EXPECT_THROW(failingCall(), HostError) << failing;
        for (const auto& [other, otherCall] : calls) {
            if (other != failing && other != "Delete") {
                EXPECT_NO_THROW(otherCall()) << failing << " broke " << other;
            }
        }
        item->faults().clearFailures();
    }
    EXPECT_EQ(calendar.items().size(), 1u);
    EXPECT_FALSE(item->isDeleted());
}

TEST_F(MemoryAppointmentTest, FailedSetterLeavesTheItemUnchanged)
{
    item->faults().failOn("SetSubject");
    EXPECT_THROW(item->setSubject("changed"), HostError);
    item->faults().clearFailures();
    EXPECT_EQ(item->subject(), "kept");
    EXPECT_FALSE(item->isChanged());
}

TEST_F(MemoryAppointmentTest, PropertyKeptFromADeletedItemThrows)
{
    UserProperty& kept = link();
    UserProperties& properties = item->userProperties();
    item->remove();
    item.reset(); // the calendar still holds the deleted item, so the reference stays valid
    EXPECT_THROW(kept.value(), HostError);
    EXPECT_THROW(kept.setValue("x"), HostError);
    EXPECT_THROW(properties.find("Link"), HostError);
    EXPECT_THROW(properties.add("Other", kTextProperty), HostError);
}

} // namespace
} // namespace zelvant
