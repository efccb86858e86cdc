#include "hosts/projectfile/ProjectFileApplication.h"
#include "tests/contract/ProjectContract.h"
#include "tests/hosts/projectfile/PlanFiles.h"

namespace zelvant {
namespace {

// The plan behind a file: each test starts from an empty plan file of its own, and reopening
// saves it and reads it back, so every check also proves that the file keeps it.
struct FileBackend {
    static std::unique_ptr<ProjectApplication> make()
    {
        folder = std::make_unique<testing::TempDir>();
        const auto file = folder->path() / "contract.xml";
        std::filesystem::copy_file(testing::sampleFile("contract-empty.xml"), file);
        return ProjectFileApplication::open(file);
    }

    static void reopen(std::unique_ptr<ProjectApplication>& application)
    {
        application->fileSave();
        application = ProjectFileApplication::open(folder->path() / "contract.xml");
    }

    static inline std::unique_ptr<testing::TempDir> folder;
};

INSTANTIATE_TYPED_TEST_SUITE_P(File, ProjectContract, ::testing::Types<FileBackend>);

} // namespace
} // namespace zelvant
