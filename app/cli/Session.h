#pragma once

// One command's plan and calendar files: loaded when first needed, changed in memory by the
// operation, and written once at the end, calendar first, so that a calendar that cannot be
// written leaves the plan untouched too. When the program keeps a journal, whatever the session
// writes to the two files goes into it, so that `zelvant undo` can take the run back.

#include "hostapi/CalendarApi.h"
#include "hosts/caldav/CalDavCalendar.h"
#include "hosts/calendar/MemoryCalendarApplication.h"
#include "hosts/calendarfile/CalendarFile.h"
#include "hosts/common/UndoJournal.h"
#include "hosts/projectfile/ProjectFile.h"

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <vector>

namespace zelvant::cli {

// Bad input on the command line or in a file: nothing was written (exit status 2).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Session {
public:
    // Reads the plan now; the calendar is read when the operation first reaches for it.
    // Calendar times are presented as wall-clock times in `timeZone`, the zone the plan's times are in.
    Session(const std::filesystem::path& plan, std::optional<std::filesystem::path> calendar,
            std::string timeZone);
    ~Session();

    // Every session from now on keeps what it writes in the journal in `folder`; a journal that
    // cannot be written is reported on `warnings`, and the run goes on. Without a call, or with
    // an empty folder, sessions keep no journal.
    static void journalRunsIn(std::filesystem::path folder, std::ostream& warnings);
    // How sessions from now on reach a calendar server: the cache folder, a CA file, and who asks
    // the user for credentials.
    static void serversReachedWith(std::filesystem::path cacheFolder, HttpOptions http);
    static const HttpOptions& serverHttpOptions();

    MemoryProjectApplication& host() { return plan_->application(); }
    MemoryProject& project() { return plan_->project(); }
    // Reaches the calendar file the way the operations reach the calendar application. Quitting
    // the application only ends the connection: the file is written by save().
    CalendarLauncher& launcher() { return launcher_; }

    // Writes what the run changed: the calendar, then the plan. Throws FileConflictError when
    // another program changed one of them; when its version had to make room for this run's,
    // the message tells how to get it back. On a server, an appointment that could not be written
    // (someone else changed it meanwhile) leaves its tasks as they were: their changes are taken
    // back before the plan is written, and the appointments are named in writeFailures().
    void save();
    // The server's appointments the last save() could not write, one German line each.
    const std::vector<std::string>& writeFailures() const { return writeFailures_; }

    const std::filesystem::path& planPath() const { return plan_->path(); }
    std::filesystem::path calendarPath() const;
    // One German line per event of the calendar that could not be read and is left as it is.
    std::vector<std::string> calendarWarnings() const;

private:
    class FileLauncher : public CalendarLauncher {
    public:
        FileLauncher(std::optional<std::filesystem::path> path, std::string timeZone)
            : path_(std::move(path)), timeZone_(std::move(timeZone))
        {
        }
        CalendarApplication* running() override { return nullptr; }
        CalendarApplication& start() override;
        CalendarFile* file() const { return server_ ? &server_->events() : file_.get(); }
        CalDavCalendar* server() const { return server_.get(); }
        const std::optional<std::filesystem::path>& path() const { return path_; }

    private:
        std::optional<std::filesystem::path> path_;
        std::string timeZone_;
        std::unique_ptr<CalendarFile> file_;
        std::unique_ptr<CalDavCalendar> server_;
        std::vector<std::unique_ptr<MemoryCalendarApplication>> applications_;
    };

    void reportJournalProblem();
    void takeBackTasksOf(const std::vector<CalDavCalendar::WriteFailure>& failures);

    std::unique_ptr<ProjectFile> plan_;
    FileLauncher launcher_;
    std::unique_ptr<UndoJournal::Run> run_;
    bool problemReported_ = false;
    std::vector<std::string> writeFailures_;
};

} // namespace zelvant::cli
