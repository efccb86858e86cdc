#include "hosts/calendar/MemoryCalendarLauncher.h"

#include "hostapi/HostError.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

TEST(MemoryCalendarLauncherTest, QuitApplicationRefusesCallsAndANewStartSeesTheSameCalendar)
{
    MemoryCalendarLauncher launcher;
    CalendarApplication& first = launcher.start();
    first.createItem(kAppointmentItem)->save();
    first.quit();
    EXPECT_EQ(launcher.running(), nullptr);
    EXPECT_THROW(first.getNamespace("MAPI"), HostError);
    EXPECT_THROW(first.quit(), HostError);
    EXPECT_EQ(launcher.application()->quitCount(), 2); // a double quit stays visible to tests

    CalendarApplication& second = launcher.start();
    EXPECT_NE(&second, &first);
    EXPECT_EQ(second.getNamespace("MAPI").getDefaultFolder(kCalendarFolder).items().size(), 1u);
}

} // namespace
} // namespace zelvant
