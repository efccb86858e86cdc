#include "hosts/projectfile/ProjectFileApplication.h"

namespace zelvant {

std::unique_ptr<ProjectFileApplication> ProjectFileApplication::open(const std::filesystem::path& path)
{
    return std::unique_ptr<ProjectFileApplication>(new ProjectFileApplication(ProjectFile::load(path)));
}

ProjectFileApplication::ProjectFileApplication(std::unique_ptr<ProjectFile> file) : file_(std::move(file)) {}

Project& ProjectFileApplication::activeProject()
{
    return file_->application().activeProject();
}

std::vector<Task*> ProjectFileApplication::activeSelectionTasks()
{
    return file_->application().activeSelectionTasks();
}

void ProjectFileApplication::setHostSwitch(bool on)
{
    file_->application().setHostSwitch(on);
}

void ProjectFileApplication::fileSave()
{
    file_->application().fileSave();
}

Minutes ProjectFileApplication::dateDifference(DateTime start, DateTime finish, const std::string& calendar)
{
    return file_->application().dateDifference(start, finish, calendar);
}

} // namespace zelvant
