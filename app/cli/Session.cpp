#include "app/cli/Session.h"

#include "engine/LinkModel.h"
#include "hosts/caldav/CalDavLauncher.h"

#include <ostream>
#include <set>

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

struct ServerSetting {
    std::filesystem::path cacheFolder;
    HttpOptions http;
};

ServerSetting& servers()
{
    static ServerSetting setting;
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

void Session::serversReachedWith(std::filesystem::path cacheFolder, HttpOptions http)
{
    servers() = {std::move(cacheFolder), std::move(http)};
}

const HttpOptions& Session::serverHttpOptions()
{
    return servers().http;
}

Session::Session(const std::filesystem::path& plan, std::optional<std::filesystem::path> calendar,
                 std::string timeZone)
    : plan_(ProjectFile::load(plan)), launcher_(std::move(calendar), std::move(timeZone))
{
    // The journal listens from the start, not only in save(): the wizard's window saves the plan
    // while it is open.
    if (journal().folder) {
        std::vector<std::filesystem::path> files{planPath()};
        if (!isServerCalendar(calendarPath().string()))
            files.push_back(calendarPath());
        run_ = std::make_unique<UndoJournal::Run>(*journal().folder, files);
    }
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
    if (!file_ && !server_) {
        if (isServerCalendar(path_->string()))
            server_ =
                CalDavCalendar::open({path_->string(), timeZone_, servers().cacheFolder, servers().http});
        else
            file_ = CalendarFile::load(*path_, timeZone_);
    }
    applications_.push_back(std::make_unique<MemoryCalendarApplication>(file()->calendar()));
    return *applications_.back();
}

std::filesystem::path Session::calendarPath() const
{
    return launcher_.path().value_or(std::filesystem::path{});
}

std::vector<std::string> Session::calendarWarnings() const
{
    if (const CalDavCalendar* server = launcher_.server())
        return server->warnings();
    if (const CalendarFile* file = launcher_.file())
        return file->warnings();
    return {};
}

void Session::takeBackTasksOf(const std::vector<CalDavCalendar::WriteFailure>& failures)
{
    std::set<std::string> keys;
    for (const auto& failure : failures) {
        writeFailures_.push_back(failure.message);
        for (const std::string& value : failure.values)
            if (const std::string_view key = link::key(value); !key.empty())
                keys.emplace(key);
    }
    std::vector<int> tasks;
    for (Task* task : project().tasks())
        if (keys.count(std::string(link::key(task->getField(kText29)))) ||
            keys.count(std::string(link::key(plan_->savedField(task->uniqueId(), kText29)))))
            tasks.push_back(task->uniqueId());
    for (const int uniqueId : tasks)
        plan_->revertTask(uniqueId);
}

void Session::save()
{
    try {
        if (CalDavCalendar* server = launcher_.server()) {
            const CalDavCalendar::SaveOutcome outcome = server->save();
            if (run_)
                for (const auto& written : outcome.written)
                    run_->recordRemote(written.url, written.before, written.tag);
            takeBackTasksOf(outcome.failures);
        } else if (CalendarFile* calendar = launcher_.file())
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
