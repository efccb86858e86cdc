#include "forms/QuickSync.h"

#include "tests/forms/FormsWorld.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace zelvant::testing;

// The progress the user sees, the message on an unreachable calendar and the closing pause are
// checked on the real window; here what the window does not show.
class QuickSyncTest : public ::testing::Test {
protected:
    QuickSyncResult run(FormsWorld& world, bool recreate = false)
    {
        const auto noPause = [](int) {};
        return DoQuickSync(
            {world.host, world.launcher, world.messages, progress, noPause, [recreate] { return recreate; }});
    }

    FormsWorld w;
    RecordingProgress progress;
};

TEST_F(QuickSyncTest, CalendarTheUserHadOpenStaysOpenAndTheHostSwitchIsOnAgain)
{
    w.addLinkedTask("Entwurf", keyNo(1));
    MemoryCalendarApplication& users = w.launcher.runApplication();
    EXPECT_EQ(run(w).linkedTasks, 1);
    EXPECT_EQ(w.launcher.startCount(), 0);
    EXPECT_FALSE(users.isQuit());
    EXPECT_EQ(w.host.hostSwitchCalls(), 2);
    EXPECT_TRUE(w.host.hostSwitch());
}

TEST_F(QuickSyncTest, StoredOptionDecidesAboutDeletedAppointments)
{
    for (const bool recreate : {false, true}) {
        SCOPED_TRACE(recreate);
        FormsWorld fresh;
        MemoryTask& task = fresh.addLinkedTask("Entwurf", keyNo(1));
        fresh.calendar.items().back()->remove();
        run(fresh, recreate);
        EXPECT_EQ(task.getField(kText29) != "", recreate);
        EXPECT_EQ(fresh.calendar.items().size(), recreate ? 1u : 0u);
    }
}

} // namespace
} // namespace zelvant
