#include "hosts/calendarfile/CalendarFileLauncher.h"

#include "hosts/common/FileStore.h"
#include "tests/hosts/calendarfile/IcsTestFiles.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace icstest;

class CalendarFileLauncherTest : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path path = dir.copyOf(sample("node-ical__event-with-category.ics"));
    CalendarFileLauncher launcher{path, kZone};

    CalendarFolder& folder(CalendarApplication& app)
    {
        return app.getNamespace("MAPI").getDefaultFolder(kCalendarFolder);
    }
};

TEST_F(CalendarFileLauncherTest, QuitWritesAllChangesOnceAndClosesTheApplication)
{
    EXPECT_EQ(launcher.running(), nullptr);
    CalendarApplication& app = launcher.start();
    EXPECT_EQ(&launcher.start(), &app); // still open: the same application
    folder(app).items()[0]->setSubject("one");
    folder(app).items()[1]->setSubject("two");
    EXPECT_EQ(readText(path), readText(sample("node-ical__event-with-category.ics"))); // nothing yet
    int renames = 0;
    FileStore::setStepHookForTesting([&](SaveStep step) { renames += step == SaveStep::RenameOver; });
    app.quit();
    FileStore::setStepHookForTesting(nullptr);
    EXPECT_EQ(renames, 1);
    EXPECT_THROW(app.getNamespace("MAPI"), HostError);
    EXPECT_THROW(app.quit(), HostError);

    CalendarApplication& next = launcher.start(); // a new run reads what the last one wrote
    EXPECT_NE(&next, &app);
    EXPECT_EQ(folder(next).items()[1]->subject(), "two");
}

TEST_F(CalendarFileLauncherTest, FailedWriteKeepsTheApplicationOpenWithItsChanges)
{
    auto& app = dynamic_cast<CalendarFileApplication&>(launcher.start());
    folder(app).items()[0]->setSubject("ours");
    writeText(path, calendarWith({})); // someone else's save
    EXPECT_THROW(app.quit(), FileConflictError);
    EXPECT_FALSE(app.isQuit());
    EXPECT_EQ(folder(app).items()[0]->subject(), "ours");
}

} // namespace
} // namespace zelvant
