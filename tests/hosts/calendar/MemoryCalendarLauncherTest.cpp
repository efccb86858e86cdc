#include "hosts/calendar/MemoryCalendarLauncher.h"

#include "hostapi/HostError.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

class MemoryCalendarLauncherTest : public ::testing::Test {
protected:
    MemoryCalendarLauncher launcher;
};

TEST_F(MemoryCalendarLauncherTest, NothingRunsUntilStarted)
{
    EXPECT_EQ(launcher.running(), nullptr);
    CalendarApplication& app = launcher.start();
    EXPECT_EQ(launcher.startCount(), 1);
    EXPECT_EQ(launcher.running(), &app);
}

TEST_F(MemoryCalendarLauncherTest, ApplicationTheUserRunsIsFoundWithoutAStart)
{
    MemoryCalendarApplication& users = launcher.runApplication();
    EXPECT_EQ(launcher.running(), &users);
    EXPECT_EQ(&launcher.start(), &users); // the application runs only once
    EXPECT_EQ(launcher.startCount(), 1);
}

TEST_F(MemoryCalendarLauncherTest, FailingStartReportsTheCalendarUnreachable)
{
    launcher.setStartFails(true);
    try {
        launcher.start();
        FAIL() << "start() should throw";
    } catch (const HostError& e) {
        EXPECT_STREQ(e.what(), "calendar not reachable");
    }
    EXPECT_EQ(launcher.startCount(), 1);
    EXPECT_EQ(launcher.running(), nullptr);
}

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

TEST(MemoryCalendarApplication, WorksOnACalendarItDoesNotOwn)
{
    MemoryCalendar calendar;
    calendar.addItem({.subject = "from file"});
    MemoryCalendarApplication app(calendar);
    auto items = app.getNamespace("MAPI").getDefaultFolder(kCalendarFolder).items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->subject(), "from file");
    EXPECT_EQ(&app.calendar(), &calendar);
}

} // namespace
} // namespace zelvant
