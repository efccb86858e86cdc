#include "app/cli/Commands.h"

#include "app/cli/Console.h"
#include "app/cli/Session.h"
#include "engine/AppointmentsToTasks.h"
#include "engine/CalendarConnection.h"
#include "engine/KeysInUse.h"
#include "engine/LinkKeys.h"
#include "engine/LinkRemoval.h"
#include "engine/Queries.h"
#include "engine/TasksToAppointments.h"
#include "forms/QuickSync.h"
#include "hosts/calendarfile/ZoneTable.h"
#include "hosts/common/FileStore.h"
#include "services/DateChecks.h"
#include "services/Registry.h"
#include "services/Settings.h"

#include <algorithm>
#include <iomanip>
#include <ostream>
#include <sstream>

namespace zelvant::cli {

namespace {

// What every operation shares: open the files, run, then write them (or, in a dry run, show what
// would change), report, and turn the outcome into the exit status.
// Events of the calendar that could not be read are left as they are; the user hears of each.
// One that some task needed shows again in the run's failures.
void printWarnings(std::ostream& err, const Session& session)
{
    if (const CalendarFile* file = session.calendarFile())
        for (const std::string& warning : file->warnings())
            err << "Warnung: " << warning << '\n';
}

template <typename Operation>
int execute(const CommandOptions& options, CommandContext& context, Operation operation)
{
    return guarded(context, [&] {
        Session session(options.project, calendarFor(options, context.registry), planTimeZone(context.registry));
        RunReport report;
        {
            ConsoleProgress progress(stderr, ConsoleProgress::styleFor(stderr, options.quiet));
            operation(session, progress, report);
        }
        printWarnings(context.err, session);
        if (options.dryRun) {
            context.out << "Probelauf: nichts wurde geschrieben. Der Lauf w\u00FCrde Folgendes \u00E4ndern:\n";
            printChanges(context.out, report);
            if (report.changes().empty())
                context.out << "  (keine \u00C4nderungen)\n";
        } else {
            if (context.beforeSave)
                context.beforeSave();
            session.save();
        }
        printSummary(context.out, report);
        printFailures(context.err, report);
        return int(report.hasFailures() ? kDoneWithFailures : kDone);
    });
}

std::optional<DateTime> germanDate(const std::optional<std::string>& text)
{
    return text ? parseGermanDate(*text) : std::nullopt;
}

AppointmentFilter appointmentFilter(const CommandOptions& options)
{
    AppointmentFilter filter;
    if (options.category) {
        filter.kind = AppointmentFilter::Category;
        filter.category = *options.category;
    } else if (options.from || options.to) {
        const auto from = germanDate(options.from), to = germanDate(options.to);
        if (const auto problem = CheckPeriod(from, to))
            throw UsageError(*problem);
        filter.kind = AppointmentFilter::Period;
        filter.from = *from;
        filter.to = *to;
    }
    return filter;
}

BusyStatus busyStatusFor(const std::string& name)
{
    static const std::pair<const char*, BusyStatus> names[] = {{"frei", BusyStatus::Free},
                                                               {"mit-vorbehalt", BusyStatus::Tentative},
                                                               {"gebucht", BusyStatus::Busy},
                                                               {"abwesend", BusyStatus::OutOfOffice}};
    for (const auto& [text, status] : names)
        if (name == text)
            return status;
    throw UsageError("Unbekannter Frei/Gebucht-Status \u201E" + name + "\u201C (frei, mit-vorbehalt, gebucht, abwesend).");
}

// The unlinked tasks the options choose: the listed IDs stand for the plan's selection.
std::vector<Task*> chosenTasks(const CommandOptions& options, Session& session)
{
    int mode = kAllTasks;
    std::string resource;
    if (options.resource) {
        mode = kTasksOfResource;
        resource = *options.resource;
    } else if (!options.taskIds.empty()) {
        for (int id : options.taskIds)
            session.project().taskById(id); // an unknown ID is bad input, not an empty selection
        session.host().select(options.taskIds);
        mode = kSelectedTasks;
    }
    return GetUnlinkedTasks(session.host(), session.project(), mode, options.summary, kLinkField, resource)
        .value_or(std::vector<Task*>{});
}

LinkKeyGenerator& keyGenerator()
{
    static SystemClock clock;
    static LinkKeyGenerator keys(clock, LinkKeyGenerator::randomSeed());
    return keys;
}

} // namespace

std::optional<std::filesystem::path> calendarFor(const CommandOptions& options, Registry& registry)
{
    if (options.calendar)
        return options.calendar;
    const std::filesystem::path stored = DefaultCalendarPath(registry);
    if (stored.empty())
        return std::nullopt;
    return stored;
}

std::string planTimeZone(Registry& registry) { return PlanTimeZone(registry, CalendarFile::systemTimeZone()); }

int guarded(CommandContext& context, const std::function<int()>& body)
{
    try {
        return body();
    } catch (const FileConflictError& conflict) {
        context.err << "zelvant: " << conflict.what() << "\n";
        return kConflict;
    } catch (const MassChangeStopped& stopped) {
        context.err << "zelvant: " << stopped.what() << " Mit --force wird der Lauf trotzdem ausgef\u00FChrt.\n";
        return kStoppedBeforeMassChange;
    } catch (const std::exception& error) {
        context.err << "zelvant: " << error.what() << "\n";
        return kBadInput;
    }
}

std::vector<int> parseIdList(const std::string& text)
{
    std::vector<int> ids;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, ',')) {
        const auto first = part.find_first_not_of(' ');
        const auto last = part.find_last_not_of(' ');
        const std::string digits = first == std::string::npos ? "" : part.substr(first, last - first + 1);
        if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
            throw UsageError("Ung\u00FCltige Vorgangsnummer \u201E" + part + "\u201C in --tasks.");
        ids.push_back(std::stoi(digits));
    }
    if (ids.empty())
        throw UsageError("--tasks braucht mindestens eine Vorgangsnummer.");
    return ids;
}

int runSync(const CommandOptions& options, CommandContext& context)
{
    return execute(options, context, [&](Session& session, ProgressSink& progress, RunReport& report) {
        session.launcher().start(); // a broken calendar file is reported before anything runs
        const bool recreate = options.recreateDeleted.value_or(
            RegGetString(context.registry, kHkeyCurrentUser, kSettingsKey, "CreateDeletedApps") == "1");
        ConsoleMessages messages(context.err);
        QuickSyncResult result = DoQuickSync({session.host(), session.launcher(), messages, progress,
                                              [](int) {}, // a terminal needs no pauses to be read
                                              [recreate] { return recreate; },
                                              [&options](const MassChange&) { return options.force; }});
        report = std::move(result.report);
        if (!result.calendarReached)
            throw UsageError(kCalendarNotFound);
        if (result.stoppedBefore)
            throw MassChangeStopped(*result.stoppedBefore);
    });
}

int runLinkTasks(const CommandOptions& options, CommandContext& context)
{
    const BusyStatus busy = busyStatusFor(options.busy);
    return execute(options, context, [&](Session& session, ProgressSink& progress, RunReport& report) {
        const std::vector<Task*> tasks = chosenTasks(options, session);
        CalendarConnection connection(session.launcher());
        const EngineInputs inputs{connection.application(), session.project(), connection.folder()};
        LinkTasksToAppointments(inputs, tasks, busy, false, keyGenerator(), RunContext{session.host(), progress, report});
        connection.close();
    });
}

int runLinkAppointments(const CommandOptions& options, CommandContext& context)
{
    return execute(options, context, [&](Session& session, ProgressSink& progress, RunReport& report) {
        const AppointmentFilter filter = appointmentFilter(options);
        // One connection for choosing and linking: the chosen items belong to it.
        CalendarConnection connection(session.launcher());
        const std::vector<AppointmentPtr> chosen = GetAppointments(connection.folder(), kLinkProperty, filter);
        const EngineInputs inputs{connection.application(), session.project(), connection.folder()};
        LinkAppointmentsToTasks(inputs, chosen, keyGenerator(), RunContext{session.host(), progress, report});
        connection.close();
    });
}

int runUnlink(const CommandOptions& options, CommandContext& context)
{
    return execute(options, context, [&](Session& session, ProgressSink& progress, RunReport& report) {
        std::vector<LinkRow> rows;
        for (Task* task : GetLinkedTasks(session.project(), kLinkField)) {
            const bool chosen = options.taskIds.empty() ||
                                std::count(options.taskIds.begin(), options.taskIds.end(), task->id()) > 0;
            rows.push_back({task->id(), task->getField(kText29), chosen});
        }
        CalendarConnection connection(session.launcher());
        const EngineInputs inputs{connection.application(), session.project(), connection.folder()};
        RemoveLinks(inputs, rows, RunContext{session.host(), progress, report});
        connection.close();
    });
}

int runList(const std::string& what, const CommandOptions& options, CommandContext& context)
{
    std::ostream& out = context.out;
    return guarded(context, [&] {
        Session session(options.project, calendarFor(options, context.registry), planTimeZone(context.registry));
        if (what == "tasks" || what == "linked") {
            const std::vector<Task*> tasks =
                what == "tasks" ? chosenTasks(options, session) : GetLinkedTasks(session.project(), kLinkField);
            for (Task* task : tasks) {
                out << std::setw(4) << task->id() << "  " << task->name() << "  (" << formatGerman(task->start())
                    << " \u2013 " << formatGerman(task->finish()) << ")";
                if (what == "tasks" && !task->resourceNames().empty())
                    out << "  [" << task->resourceNames() << "]";
                if (what == "linked")
                    out << "  " << task->getField(kText29).substr(0, 24);
                out << '\n';
            }
            return int(kDone);
        }
        CalendarConnection connection(session.launcher());
        if (what == "categories") {
            for (const std::string& name : GetCategories(connection.folder()))
                out << name << '\n';
        } else if (what == "appointments") {
            for (const AppointmentPtr& item : GetAppointments(connection.folder(), kLinkProperty, appointmentFilter(options))) {
                out << formatGermanSpan(item->start(), item->end()) << "  " << item->subject();
                if (!item->categories().empty())
                    out << "  [" << item->categories() << "]";
                out << '\n';
            }
            printWarnings(context.err, session);
        } else {
            throw UsageError("Unbekannte Liste \u201E" + what + "\u201C (tasks, linked, appointments, categories).");
        }
        return int(kDone);
    });
}

int runConfigCalendar(const std::filesystem::path& file, CommandContext& context)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(file, error);
    if (error || !std::filesystem::is_regular_file(absolute)) {
        context.err << "zelvant: " << file.string() << ": Die Datei existiert nicht.\n";
        return kBadInput;
    }
    if (!SetDefaultCalendarPath(context.registry, absolute)) {
        context.err << "zelvant: Der Standardkalender konnte nicht gespeichert werden.\n";
        return kBadInput;
    }
    context.out << "Standardkalender: " << absolute.string() << '\n';
    return kDone;
}

int runConfigTimeZone(const std::optional<std::string>& zone, CommandContext& context)
{
    if (!zone) {
        context.out << "Zeitzone: " << planTimeZone(context.registry) << '\n';
        return kDone;
    }
    try {
        ZoneTable known(*zone); // refuses a name the zone database does not have
    } catch (const std::exception& error) {
        context.err << "zelvant: " << error.what() << " Beispiel: zelvant config timezone Europe/Berlin\n";
        return kBadInput;
    }
    if (!SetPlanTimeZone(context.registry, *zone)) {
        context.err << "zelvant: Die Zeitzone konnte nicht gespeichert werden.\n";
        return kBadInput;
    }
    context.out << "Zeitzone: " << *zone << '\n';
    return kDone;
}

int runConfigShow(CommandContext& context)
{
    const std::filesystem::path calendar = DefaultCalendarPath(context.registry);
    context.out << "Standardkalender: " << (calendar.empty() ? std::string("(keiner)") : calendar.string()) << '\n';
    context.out << "Zeitzone: " << planTimeZone(context.registry) << '\n';
    return kDone;
}

} // namespace zelvant::cli
