#include "forms/QuickSync.h"

#include "tests/forms/FormsWorld.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace zelvant::testing;

// The progress, the messages and the closing pause are the window tests' business; here the
// calendar the user had open, the host's screen and the stored choice about deleted appointments.
TEST(QuickSyncTest, UsersCalendarStaysOpenAndTheStoredOptionDecidesAboutDeletedAppointments)
{
    for (const bool recreate : {false, true}) {
        FormsWorld w;
        MemoryTask& task = w.addLinkedTask("Entwurf", 1);
        w.calendar.items().back()->remove();
        MemoryCalendarApplication& users = w.launcher.runApplication();
        RecordingProgress progress;
        const QuickSyncResult result = DoQuickSync(
            {w.host, w.launcher, w.messages, progress, [](int) {}, [recreate] { return recreate; }});
        EXPECT_EQ(result.linkedTasks, 1);
        EXPECT_EQ(w.launcher.startCount() + int(users.isQuit()), 0);
        EXPECT_EQ(w.host.hostSwitchCalls(), 2);
        EXPECT_TRUE(w.host.hostSwitch());
        EXPECT_EQ(w.linkedTaskNames().size(), recreate ? 1u : 0u); // and the link rule holds
        EXPECT_EQ(task.getField(kText29) != "", recreate);
    }
}

} // namespace
} // namespace zelvant
