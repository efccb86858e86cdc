#pragma once

// One command's plan and calendar files: loaded when first needed, changed in memory by the
// operation, and written once at the end, calendar first, so that a calendar that cannot be
// written leaves the plan untouched too.

#include "hostapi/CalendarApi.h"
#include "hosts/calendar/MemoryCalendarApplication.h"
#include "hosts/calendarfile/CalendarFile.h"
#include "hosts/projectfile/ProjectFile.h"

#include <filesystem>
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
    Session(const std::filesystem::path& plan, std::optional<std::filesystem::path> calendar);

    MemoryProjectApplication& host() { return plan_->application(); }
    MemoryProject& project() { return plan_->project(); }
    // Reaches the calendar file the way the operations reach the calendar application. Quitting
    // the application only ends the connection: the file is written by save().
    CalendarLauncher& launcher() { return launcher_; }

    // Writes what the run changed: the calendar, then the plan.
    void save();

    const std::filesystem::path& planPath() const { return plan_->path(); }
    std::filesystem::path calendarPath() const;

private:
    class FileLauncher : public CalendarLauncher {
    public:
        explicit FileLauncher(std::optional<std::filesystem::path> path) : path_(std::move(path)) {}
        CalendarApplication* running() override { return nullptr; }
        CalendarApplication& start() override;
        CalendarFile* file() { return file_.get(); }
        const std::optional<std::filesystem::path>& path() const { return path_; }

    private:
        std::optional<std::filesystem::path> path_;
        std::unique_ptr<CalendarFile> file_;
        std::vector<std::unique_ptr<MemoryCalendarApplication>> applications_;
    };

    std::unique_ptr<ProjectFile> plan_;
    FileLauncher launcher_;
};

} // namespace zelvant::cli
