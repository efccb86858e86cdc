#include "app/cli/Session.h"

#include <ostream>

namespace zelvant::cli {

namespace {

struct JournalSetting {
    std::optional<std::filesystem::path> folder;
    std::ostream* warnings = nullptr;
};

JournalSetting& journal()
{
    static JournalSetting setting;
    return setting;
}

} // namespace

void Session::journalRunsIn(std::filesystem::path folder, std::ostream& warnings)
{
    if (folder.empty())
        journal() = {};
    else
        journal() = {std::move(folder), &warnings};
}

Session::Session(const std::filesystem::path& plan, std::optional<std::filesystem::path> calendar,
                 std::string timeZone)
    : plan_(ProjectFile::load(plan)), launcher_(std::move(calendar), std::move(timeZone))
{
    // The journal listens from the start, not only in save(): the wizard's window saves the plan
    // while it is open.
    if (journal().folder)
        run_ = std::make_unique<UndoJournal::Run>(
            *journal().folder, std::vector<std::filesystem::path>{planPath(), calendarPath()});
}

Session::~Session()
{
    reportJournalProblem();
}

CalendarApplication& Session::FileLauncher::start()
{
    if (!path_)
        throw UsageError(
            "Kein Kalender angegeben: --calendar DATEI oder \u201Ezelvant config calendar DATEI\u201C.");
    if (!file_)
        file_ = CalendarFile::load(*path_, timeZone_);
    applications_.push_back(std::make_unique<MemoryCalendarApplication>(file_->calendar()));
    return *applications_.back();
}

std::filesystem::path Session::calendarPath() const
{
    return launcher_.path().value_or(std::filesystem::path{});
}

void Session::save()
{
    try {
        if (CalendarFile* calendar = launcher_.file())
            calendar->save();
        if (!plan_->project().saved())
            plan_->save();
    } catch (const FileConflictError& conflict) {
        reportJournalProblem();
        // The journal holds the version this run took out of its place: undoing the run puts it back.
        if (conflict.beside() == FileConflictError::Beside::Theirs && run_ && !run_->problem() &&
            run_->replaced(conflict.path()))
            throw FileConflictError(
                conflict.path(), conflict.conflictPath(), conflict.beside(),
                "\u201Ezelvant undo\u201C macht diesen Lauf r\u00FCckg\u00E4ngig und stellt sie "
                "wieder her.");
        throw;
    }
    reportJournalProblem();
}

void Session::reportJournalProblem()
{
    if (problemReported_ || !run_ || !run_->problem() || !journal().warnings)
        return;
    problemReported_ = true;
    *journal().warnings << "Warnung: Dieser Lauf kann nicht r\u00FCckg\u00E4ngig gemacht werden: "
                        << *run_->problem() << '\n';
}

} // namespace zelvant::cli
