#include "engine/CalendarConnection.h"

#include "hostapi/HostError.h"
#include "hosts/calendar/MemoryCalendarLauncher.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

class CalendarConnectionTest : public ::testing::Test {
protected:
    MemoryCalendarLauncher launcher;
};

TEST_F(CalendarConnectionTest, UsesTheRunningApplicationAndLeavesItRunning)
{
    MemoryCalendarApplication& running = launcher.runApplication();
    {
        CalendarConnection connection(launcher);
        EXPECT_EQ(&connection.application(), &running);
        EXPECT_EQ(&connection.folder(), &launcher.calendar());
        EXPECT_FALSE(connection.startedHere());
    }
    EXPECT_EQ(launcher.startCount(), 0);
    EXPECT_FALSE(running.isQuit());
}

TEST_F(CalendarConnectionTest, QuitsAnApplicationItStarted)
{
    {
        CalendarConnection connection(launcher);
        EXPECT_TRUE(connection.startedHere());
        EXPECT_EQ(launcher.startCount(), 1);
        EXPECT_FALSE(launcher.application()->isQuit());
    }
    EXPECT_EQ(launcher.application()->quitCount(), 1);
}

TEST_F(CalendarConnectionTest, FailureToQuitIsPassedOver)
{
    {
        CalendarConnection connection(launcher);
        connection.application().quit(); // a second quit throws
    }
    EXPECT_EQ(launcher.application()->quitCount(), 2);
}

TEST_F(CalendarConnectionTest, CloseReportsAFailureToQuitAndQuitsOnlyOnce)
{
    CalendarConnection connection(launcher);
    launcher.application()->quit(); // closed behind the connection's back: the next quit throws
    EXPECT_THROW(connection.close(), HostError);
    connection.close(); // nothing left to close
    EXPECT_EQ(launcher.application()->quitCount(), 2);
}

TEST_F(CalendarConnectionTest, CloseLeavesARunningApplicationAlone)
{
    MemoryCalendarApplication& running = launcher.runApplication();
    CalendarConnection connection(launcher);
    connection.close();
    EXPECT_FALSE(running.isQuit());
}

TEST_F(CalendarConnectionTest, UnreachableCalendarThrowsHostError)
{
    launcher.setStartFails(true);
    EXPECT_THROW(CalendarConnection{launcher}, HostError);
}

} // namespace
} // namespace zelvant
