#include "app/cli/Session.h"

namespace zelvant::cli {

Session::Session(const std::filesystem::path& plan, std::optional<std::filesystem::path> calendar)
    : plan_(ProjectFile::load(plan)), launcher_(std::move(calendar))
{
}

CalendarApplication& Session::FileLauncher::start()
{
    if (!path_)
        throw UsageError("Kein Kalender angegeben: --calendar DATEI oder \u201Ezelvant config calendar DATEI\u201C.");
    if (!file_)
        file_ = CalendarFile::load(*path_);
    applications_.push_back(std::make_unique<MemoryCalendarApplication>(file_->calendar()));
    return *applications_.back();
}

std::filesystem::path Session::calendarPath() const { return launcher_.path().value_or(std::filesystem::path{}); }

void Session::save()
{
    if (CalendarFile* calendar = launcher_.file())
        calendar->save();
    if (!plan_->project().saved())
        plan_->save();
}

} // namespace zelvant::cli
