#include "hosts/calendar/MemoryCalendarLauncher.h"

#include "hostapi/HostError.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

class MemoryCalendarLauncherTest : public ::testing::Test {
protected:
    MemoryCalendarLauncher launcher;
};

TEST_F(MemoryCalendarLauncherTest, QuitApplicationRefusesCallsAndANewStartSeesTheSameCalendar)
{
    CalendarApplication& first = launcher.start();
    first.createItem(kAppointmentItem)->save();
    first.quit();
    EXPECT_EQ(launcher.application()->quitCount(), 1);
    EXPECT_EQ(launcher.running(), nullptr);
    EXPECT_THROW(first.getNamespace("MAPI"), HostError);
    EXPECT_THROW(first.createItem(kAppointmentItem), HostError);
    EXPECT_THROW(first.quit(), HostError);
    EXPECT_EQ(launcher.application()->quitCount(), 2); // a double quit stays visible to tests

    CalendarApplication& second = launcher.start();
    EXPECT_NE(&second, &first);
    EXPECT_EQ(second.getNamespace("MAPI").getDefaultFolder(kCalendarFolder).items().size(), 1u);
}

} // namespace
} // namespace zelvant
