#include "hosts/calendar/MemoryCalendarApplication.h"
#include "tests/contract/CalendarContract.h"

namespace zelvant {
namespace {

// The in-memory calendar keeps everything in the objects themselves, so reopening changes nothing.
struct MemoryBackend {
    static std::unique_ptr<CalendarApplication> make()
    {
        return std::make_unique<MemoryCalendarApplication>();
    }
    static void reopen(std::unique_ptr<CalendarApplication>&) {}
};

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, CalendarContract, ::testing::Types<MemoryBackend>);

} // namespace
} // namespace zelvant
