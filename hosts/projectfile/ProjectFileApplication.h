#pragma once

#include "hostapi/ProjectApi.h"
#include "hosts/projectfile/ProjectFile.h"

#include <filesystem>
#include <memory>

namespace zelvant {

// The plan application over a plan file, for callers that hold only the host interface:
// it owns the loaded file, and fileSave() writes the file.
class ProjectFileApplication : public ProjectApplication {
public:
    // Loads the plan file at `path`; throws as ProjectFile::load does.
    static std::unique_ptr<ProjectFileApplication> open(const std::filesystem::path& path);

    Project& activeProject() override;
    std::vector<Task*> activeSelectionTasks() override;
    void setHostSwitch(bool on) override;
    void fileSave() override;
    Minutes dateDifference(DateTime start, DateTime finish, const std::string& calendar) override;

    // The loaded file behind the application.
    ProjectFile& file() { return *file_; }

private:
    explicit ProjectFileApplication(std::unique_ptr<ProjectFile> file);

    std::unique_ptr<ProjectFile> file_;
};

} // namespace zelvant
