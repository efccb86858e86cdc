#include "hosts/project/MemoryProjectApplication.h"
#include "tests/contract/ProjectContract.h"

namespace zelvant {
namespace {

// The in-memory plan: nothing to save, so reopening keeps the very same objects.
struct MemoryBackend {
    static std::unique_ptr<ProjectApplication> make()
    {
        auto project = std::make_unique<MemoryProject>("Contract", makeDateTime(2024, 3, 4, 8, 0));
        return std::make_unique<MemoryProjectApplication>(std::move(project));
    }

    static void reopen(std::unique_ptr<ProjectApplication>&) {}
};

INSTANTIATE_TYPED_TEST_SUITE_P(Memory, ProjectContract, ::testing::Types<MemoryBackend>);

} // namespace
} // namespace zelvant
