// A connection quits the calendar application only when it started it, and only once.

#include "engine/CalendarConnection.h"

#include "hostapi/HostError.h"
#include "hosts/calendar/MemoryCalendarLauncher.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

TEST(CalendarConnection, QuitsOnlyWhatItStartedAndOnlyOnce)
{
    for (const bool running : {true, false}) {
        SCOPED_TRACE(running ? "already running" : "started here");
        MemoryCalendarLauncher launcher;
        if (running)
            launcher.runApplication();
        {
            CalendarConnection connection(launcher);
            EXPECT_EQ(&connection.folder(), &launcher.calendar());
            EXPECT_EQ(connection.startedHere(), !running);
            connection.close();
            connection.close(); // nothing left to close
        }
        EXPECT_EQ(launcher.startCount(), running ? 0 : 1);
        EXPECT_EQ(launcher.application()->quitCount(), running ? 0 : 1);
    }
}

TEST(CalendarConnection, FailuresToQuitAreToldByCloseAndPassedOverOnDestruction)
{
    MemoryCalendarLauncher launcher;
    {
        CalendarConnection connection(launcher);
        connection.application().quit(); // closed behind the connection's back: the next quit throws
        EXPECT_THROW(connection.close(), HostError);
    }
    {
        CalendarConnection connection(launcher);
        connection.application().quit();
    } // no exception leaves the destructor
    launcher.setStartFails(true);
    EXPECT_THROW(CalendarConnection{launcher}, HostError);
}

} // namespace
} // namespace zelvant
