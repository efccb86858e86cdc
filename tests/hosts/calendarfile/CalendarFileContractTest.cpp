#include "hosts/calendarfile/CalendarFileApplication.h"
#include "tests/contract/CalendarContract.h"
#include "tests/hosts/calendarfile/IcsTestFiles.h"

namespace zelvant {
namespace {

// A calendar in a file: reopening quits the application, which writes the file, and loads it
// again, so everything the contract checks has gone through the file.
struct FileBackend {
    static icstest::TempDir& folder()
    {
        static icstest::TempDir dir;
        return dir;
    }

    static std::unique_ptr<CalendarApplication> make()
    {
        static int count = 0;
        const auto path =
            folder().write("contract-" + std::to_string(++count) + ".ics", icstest::calendarWith({}));
        return std::make_unique<CalendarFileApplication>(CalendarFile::load(path, icstest::kZone));
    }

    static void reopen(std::unique_ptr<CalendarApplication>& app)
    {
        auto& fileApp = dynamic_cast<CalendarFileApplication&>(*app);
        const auto path = fileApp.file().path();
        fileApp.quit();
        app = std::make_unique<CalendarFileApplication>(CalendarFile::load(path, icstest::kZone));
    }
};

INSTANTIATE_TYPED_TEST_SUITE_P(File, CalendarContract, ::testing::Types<FileBackend>);

} // namespace
} // namespace zelvant
