#pragma once

// The subcommands of `zelvant`. Each returns the process's exit status:
// 0 done, 1 done with failures, 2 bad usage or bad input (nothing written),
// 3 a file changed on disk meanwhile (nothing overwritten), 4 stopped before a mass change
// (nothing written; --force goes ahead).

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace zelvant {
class Registry;
}

namespace zelvant::cli {

class Session;

enum ExitStatus {
    kDone = 0,
    kDoneWithFailures = 1,
    kBadInput = 2,
    kConflict = 3,
    kStoppedBeforeMassChange = 4
};

// What the command line gave, for every subcommand; each uses the part it needs.
struct CommandOptions {
    std::filesystem::path project;
    std::optional<std::filesystem::path> calendar;
    bool dryRun = false;
    bool quiet = false;
    // Goes ahead with a run that would remove links or appointments of most linked tasks.
    bool force = false;
    // sync
    std::optional<bool> recreateDeleted;
    // link-tasks, unlink, list tasks
    std::optional<std::string> resource;
    std::vector<int> taskIds;
    bool summary = false;
    std::string busy = "gebucht";
    // link-appointments, list appointments
    std::optional<std::string> category;
    std::optional<std::string> from;
    std::optional<std::string> to;
    // list calendars
    std::optional<std::string> server;
};

// Everything a command writes to and reads from outside its files.
struct CommandContext {
    Registry& registry;
    std::ostream& out;
    std::ostream& err;
    // Runs after the operation, right before the files are written; tests use it to change a
    // file behind the command's back.
    std::function<void()> beforeSave = {};
    // Where the settings are stored, for `zelvant config` to say so; empty when unknown.
    std::filesystem::path settingsFile = {};
};

// The calendar the options name, else the user's default calendar, else none.
std::optional<std::filesystem::path> calendarFor(const CommandOptions& options, Registry& registry);
// Runs a command's body; an error that escapes it is printed and becomes the exit status:
// a file changed meanwhile gives kConflict, anything else kBadInput.
int guarded(CommandContext& context, const std::function<int()>& body);

int runSync(const CommandOptions& options, CommandContext& context);
int runLinkTasks(const CommandOptions& options, CommandContext& context);
int runLinkAppointments(const CommandOptions& options, CommandContext& context);
int runUnlink(const CommandOptions& options, CommandContext& context);
// What: "tasks", "linked", "appointments" or "categories".
int runList(const std::string& what, const CommandOptions& options, CommandContext& context);
// Shows the default calendar, or makes `file` (a file or a server's calendar URL) the default.
int runConfigCalendar(const std::optional<std::filesystem::path>& file, CommandContext& context);
// Shows the zone of the plan's times, or stores a new one (an IANA name such as Europe/Berlin).
int runConfigTimeZone(const std::optional<std::string>& zone, CommandContext& context);
// Shows every setting with its value and where it is stored, or only the one named `key`.
int runConfigShow(const std::optional<std::string>& key, CommandContext& context);
// The names `zelvant config KEY` accepts, comma separated.
std::string configKeys();

// The zone of the plan's times: the stored one, else the system's, which is then remembered.
std::string planTimeZone(Registry& registry);

// Makes the rows `ids` the plan's selection, as a user would mark them; an unknown row is
// bad input (UsageError), not an empty selection.
void selectTasks(Session& session, const std::vector<int>& ids);

// "1,2, 5" as row numbers; throws UsageError for anything else.
std::vector<int> parseIdList(const std::string& text);

} // namespace zelvant::cli
