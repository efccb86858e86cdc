#include "app/cli/Commands.h"

#include "app/cli/Console.h"
#include "app/cli/Session.h"
#include "engine/AppointmentsToTasks.h"
#include "engine/CalendarConnection.h"
#include "engine/KeysInUse.h"
#include "engine/LinkKeys.h"
#include "engine/LinkRemoval.h"
#include "engine/Queries.h"
#include "engine/Synchronizer.h"
#include "engine/TasksToAppointments.h"
#include "hosts/caldav/CalDavLauncher.h"
#include "hosts/calendarfile/ZoneTable.h"
#include "hosts/common/FileStore.h"
#include "services/DateChecks.h"
#include "services/Settings.h"
#include "services/StrTools.h"

#include <algorithm>
#include <iomanip>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <tuple>

namespace zelvant::cli {

namespace {

// What every operation shares: open the files, run, then write them (or, in a dry run, show what
// would change), report, and turn the outcome into the exit status.
// Events of the calendar that could not be read are left as they are; the user hears of each.
// One that some task needed shows again in the run's failures.
void printWarnings(std::ostream& err, const Session& session)
{
    for (const std::string& warning : session.calendarWarnings())
        err << "Warnung: " << warning << '\n';
}

template <typename Operation>
int execute(const CommandOptions& options, CommandContext& context, Operation operation)
{
    return guarded(context, [&] {
        Session session(options.project, calendarFor(options, context.registry),
                        planTimeZone(context.registry));
        RunReport report;
        {
            ConsoleProgress progress(stderr, ConsoleProgress::styleFor(stderr, options.quiet));
            operation(session, progress, report);
        }
        printWarnings(context.err, session);
        if (options.dryRun) {
            context.out
                << "Probelauf: nichts wurde geschrieben. Der Lauf w\u00FCrde Folgendes \u00E4ndern:\n";
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
        // Appointments someone else changed on the server meanwhile: their tasks stayed as they were.
        for (const std::string& failure : session.writeFailures())
            context.err << "Fehler: " << failure << '\n';
        if (!session.writeFailures().empty())
            return int(kConflict);
        return int(report.hasFailures() ? kDoneWithFailures : kDone);
    });
}

std::string joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

DateTime dateOption(const std::string& option, const std::string& text)
{
    if (const auto date = parseGermanDate(text))
        return *date;
    throw UsageError(option + ": \u201E" + text +
                     "\u201C ist kein g\u00FCltiges Datum. Bitte als TT.MM.JJJJ angeben, z. B. 19.01.2027.");
}

// The period of --from and --to; each date is checked on its own first, so that the message
// names the option that is wrong.
std::pair<DateTime, DateTime> periodOf(const CommandOptions& options)
{
    const DateTime from = dateOption("--from", options.from.value_or("")),
                   to = dateOption("--to", options.to.value_or(""));
    if (dateOf(to) < dateOf(from))
        throw UsageError("--to " + *options.to + " liegt vor --from " + *options.from +
                         ". Das Ende des Zeitraums muss am oder nach seinem Anfang liegen (TT.MM.JJJJ).");
    if (const auto problem = checkPeriod(from, to))
        throw UsageError("--from/--to: " + trimBlanks(*problem) +
                         " Bitte Daten in diesem Bereich angeben (TT.MM.JJJJ).");
    return {from, to};
}

// The appointments the options choose; a category the calendar does not have is an error that
// lists those it has, as a filter that can never match would quietly do nothing.
AppointmentFilter appointmentFilter(const CommandOptions& options, CalendarFolder& folder)
{
    AppointmentFilter filter;
    if (options.category) {
        const std::vector<std::string> known = GetCategories(folder);
        if (std::find(known.begin(), known.end(), *options.category) == known.end())
            throw UsageError("--category: Der Kalender hat keine Kategorie \u201E" + *options.category +
                             "\u201C. " +
                             (known.empty() ? std::string("Er hat gar keine Kategorien.")
                                            : "Kategorien im Kalender: " + joined(known) + "."));
        filter.kind = AppointmentFilter::Category;
        filter.category = *options.category;
    } else if (options.from || options.to) {
        std::tie(filter.from, filter.to) = periodOf(options);
        filter.kind = AppointmentFilter::Period;
    }
    return filter;
}

// The resource names of the plan's tasks, as the wizard offers them.
std::vector<std::string> resourcesOf(Project& project)
{
    std::set<std::string> names;
    for (Task* task : project.tasks())
        for (std::string& name : SplitToCollection(task->resourceNames(), ";"))
            if (!trimBlanks(name).empty())
                names.insert(trimBlanks(name));
    return {names.begin(), names.end()};
}

void checkResource(const std::string& resource, Project& project)
{
    for (Task* task : project.tasks())
        if (task->resourceNames().find(resource) != std::string::npos)
            return;
    const std::vector<std::string> known = resourcesOf(project);
    throw UsageError("--resource: Kein Vorgang im Plan hat die Ressource \u201E" + resource + "\u201C. " +
                     (known.empty() ? std::string("Der Plan hat keine Ressourcen.")
                                    : "Ressourcen im Plan: " + joined(known) + "."));
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
    throw UsageError("Unbekannter Frei/Gebucht-Status \u201E" + name +
                     "\u201C (frei, mit-vorbehalt, gebucht, abwesend).");
}

// The unlinked tasks the options choose: the listed IDs stand for the plan's selection.
std::vector<Task*> chosenTasks(const CommandOptions& options, Session& session)
{
    TaskFilter filter;
    filter.includeSummary = options.summary;
    if (options.resource) {
        checkResource(*options.resource, session.project());
        filter.choice = TaskChoice::OfResource;
        filter.resource = *options.resource;
    } else if (!options.taskIds.empty()) {
        selectTasks(session, options.taskIds);
        filter.choice = TaskChoice::Selected;
    }
    return GetUnlinkedTasks(session.host(), session.project(), filter, kLinkField)
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
    const std::filesystem::path stored = defaultCalendarPath(registry);
    if (stored.empty())
        return std::nullopt;
    return stored;
}

std::string planTimeZone(Registry& registry)
{
    return planTimeZone(registry, CalendarFile::systemTimeZone());
}

int guarded(CommandContext& context, const std::function<int()>& body)
{
    try {
        return body();
    } catch (const FileConflictError& conflict) {
        context.err << "zelvant: " << conflict.what() << "\n";
        return kConflict;
    } catch (const MassChangeStopped& stopped) {
        context.err << "zelvant: " << stopped.what()
                    << " Mit --force wird der Lauf trotzdem ausgef\u00FChrt.\n";
        return kStoppedBeforeMassChange;
    } catch (const std::exception& error) {
        context.err << "zelvant: " << error.what() << "\n";
        return kBadInput;
    }
}

void selectTasks(Session& session, const std::vector<int>& ids)
{
    for (int id : ids)
        try {
            session.project().taskById(id);
        } catch (const HostError&) {
            throw UsageError("--tasks: Der Plan hat keinen Vorgang Nr. " + std::to_string(id) +
                             ". Die Vorg\u00E4nge mit ihren Nummern zeigt: zelvant list tasks");
        }
    session.host().select(ids);
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
        if (digits.empty() || digits.size() > 9 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            throw UsageError("Ung\u00FCltige Vorgangsnummer \u201E" + part + "\u201C in --tasks.");
        ids.push_back(std::stoi(digits));
    }
    if (ids.empty())
        throw UsageError("--tasks braucht mindestens eine Vorgangsnummer.");
    return ids;
}

// Every linked task with its appointments, straight on the engine: the quick synchronisation's
// steps and texts, without its pauses, its bar that runs when nothing is linked and the host's
// screen switch, which a terminal has no use for.
int runSync(const CommandOptions& options, CommandContext& context)
{
    return execute(options, context, [&](Session& session, ProgressSink& progress, RunReport& report) {
        session.launcher().start(); // a broken calendar file is reported before anything runs
        std::vector<Task*> linked;
        attempt(report, "Projekt", "Verkn\u00FCpfte Vorg\u00E4nge lesen",
                [&] { linked = GetLinkedTasks(session.project(), kLinkField); });
        if (linked.empty()) {
            progress.showProgress(98, "Es gibt nichts zu synchronisieren...");
            progress.showProgress(100, "Synchronisieren beendet.");
            return;
        }
        progress.showProgress(5, "Synchronisieren wird vorbereitet...");
        std::optional<CalendarConnection> connection;
        try {
            connection.emplace(session.launcher());
        } catch (const std::exception&) {
            ConsoleMessages(context.err).warning(kCalendarNotFound, kMessageTitle);
            throw UsageError(kCalendarNotFound);
        }
        const EngineInputs inputs{connection->application(), session.project(), connection->folder()};
        SyncOptions sync;
        sync.recreateDeleted =
            options.recreateDeleted.value_or(recreateDeletedAppointments(context.registry));
        sync.confirmMassChange = [&options](const MassChange&) { return options.force; };
        std::optional<MassChange> stoppedBefore;
        try {
            SyncTasks(inputs, linked, sync, RunContext{session.host(), progress, report});
        } catch (const MassChangeStopped& stopped) {
            stoppedBefore = stopped.change; // nothing was written; the calendar is still closed
        }
        progress.showProgress(95, "Synchronisieren wird abgeschlossen...");
        attempt(report, "Kalender", "Kalender schlie\u00DFen", [&] { connection->close(); });
        progress.showProgress(100, "Synchronisieren beendet.");
        if (stoppedBefore)
            throw MassChangeStopped(*stoppedBefore);
    });
}

int runLinkTasks(const CommandOptions& options, CommandContext& context)
{
    const BusyStatus busy = busyStatusFor(options.busy);
    return execute(options, context, [&](Session& session, ProgressSink& progress, RunReport& report) {
        const std::vector<Task*> tasks = chosenTasks(options, session);
        CalendarConnection connection(session.launcher());
        const EngineInputs inputs{connection.application(), session.project(), connection.folder()};
        LinkTasksToAppointments(inputs, tasks, busy, keyGenerator(),
                                RunContext{session.host(), progress, report});
        connection.close();
    });
}

int runLinkAppointments(const CommandOptions& options, CommandContext& context)
{
    return execute(options, context, [&](Session& session, ProgressSink& progress, RunReport& report) {
        // One connection for choosing and linking: the chosen items belong to it.
        CalendarConnection connection(session.launcher());
        const AppointmentFilter filter = appointmentFilter(options, connection.folder());
        const std::vector<AppointmentPtr> chosen =
            GetAppointments(connection.folder(), kLinkProperty, filter);
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
        if (what == "calendars") {
            if (!options.server)
                throw UsageError(
                    "list calendars: --server URL fehlt, z. B. --server https://server.example/dav/.");
            for (const auto& [url, name] :
                 CalDavCalendar::discover(*options.server, Session::serverHttpOptions()))
                out << url << (name.empty() ? "" : "  " + name) << '\n';
            return int(kDone);
        }
        if (options.project.empty())
            throw UsageError("list " + what + ": --project DATEI fehlt.");
        Session session(options.project, calendarFor(options, context.registry),
                        planTimeZone(context.registry));
        if (what == "tasks" || what == "linked") {
            const std::vector<Task*> tasks = what == "tasks" ? chosenTasks(options, session)
                                                             : GetLinkedTasks(session.project(), kLinkField);
            for (Task* task : tasks) {
                out << std::setw(4) << task->id() << "  " << task->name() << "  ("
                    << formatGerman(task->start()) << " \u2013 " << formatGerman(task->finish()) << ")";
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
            for (const AppointmentPtr& item : GetAppointments(
                     connection.folder(), kLinkProperty, appointmentFilter(options, connection.folder()))) {
                out << formatGermanSpan(item->start(), item->end()) << "  " << item->subject();
                if (!item->categories().empty())
                    out << "  [" << item->categories() << "]";
                out << '\n';
            }
            printWarnings(context.err, session);
        } else {
            throw UsageError("Unbekannte Liste \u201E" + what +
                             "\u201C (tasks, linked, appointments, categories).");
        }
        return int(kDone);
    });
}

int runConfigCalendar(const std::optional<std::filesystem::path>& file, CommandContext& context)
{
    if (!file)
        return runConfigShow("calendar", context);
    // A server's calendar is stored by its address, a file by its absolute path.
    std::filesystem::path stored = *file;
    if (isServerCalendar(file->string())) {
        if (const auto problem = HttpClient::refusal(file->string())) {
            context.err << "zelvant: " << *problem << '\n';
            return kBadInput;
        }
    } else {
        std::error_code error;
        stored = std::filesystem::absolute(*file, error);
        if (error || !std::filesystem::is_regular_file(stored)) {
            context.err
                << "zelvant: " << file->string()
                << ": Die Datei existiert nicht. Bitte eine vorhandene Kalenderdatei (iCalendar) oder die "
                   "Adresse eines Kalenders auf einem Server (https://...) angeben.\n";
            return kBadInput;
        }
    }
    if (!setDefaultCalendarPath(context.registry, stored)) {
        context.err << "zelvant: Der Standardkalender konnte nicht gespeichert werden.\n";
        return kBadInput;
    }
    context.out << "Standardkalender: " << stored.string() << '\n';
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
    if (!setPlanTimeZone(context.registry, *zone)) {
        context.err << "zelvant: Die Zeitzone konnte nicht gespeichert werden.\n";
        return kBadInput;
    }
    context.out << "Zeitzone: " << *zone << '\n';
    return kDone;
}

namespace {

struct Setting {
    const char* key;   // as `zelvant config KEY` takes it
    const char* label; // as the user reads it
    const char* registryKey;
    const char* value; // the value's name in the settings file
    std::function<std::string(CommandContext&, const WizardOptions&)> show;
};

std::string choice(int index, std::initializer_list<const char*> names)
{
    return index >= 0 && index < int(names.size()) ? names.begin()[index] : "(keine Auswahl)";
}

std::string check(CheckState state)
{
    return state == CheckState::Checked ? "ja" : state == CheckState::Greyed ? "grau" : "nein";
}

std::string text(const std::string& value)
{
    return value.empty() ? "(leer)" : value;
}

std::string date(DateTime value)
{
    return value == DateTime{} ? "(keins)" : formatGermanDate(value);
}

const std::vector<Setting>& settings()
{
    using O = const WizardOptions&;
    static const std::vector<Setting> all{
        {"calendar", "Standardkalender", kProfileKey, kDefaultCalendarValue,
         [](CommandContext& c, O) {
             const std::filesystem::path calendar = defaultCalendarPath(c.registry);
             return calendar.empty() ? std::string("(keiner)") : calendar.string();
         }},
        {"timezone", "Zeitzone", kProfileKey, kTimeZoneValue,
         [](CommandContext& c, O) { return planTimeZone(c.registry); }},
        {"sync-type", "Assistent, Aufgabe", kSettingsKey, "SyncType",
         [](CommandContext&, O o) {
             return choice(o.syncType,
                           {"verkn\u00FCpfen", "synchronisieren", "Verkn\u00FCpfungen entfernen"});
         }},
        {"link-type", "Assistent, Richtung", kSettingsKey, "LinkType",
         [](CommandContext&, O o) {
             return choice(o.linkType, {"Vorg\u00E4nge in Termine", "Termine in Vorg\u00E4nge"});
         }},
        {"task-type", "Assistent, Vorg\u00E4nge", kSettingsKey, "TaskType",
         [](CommandContext&, O o) {
             return choice(o.taskType, {"alle", "einer Ressource", "markierte"});
         }},
        {"resource", "Assistent, Ressource", kSettingsKey, "ResourceName",
         [](CommandContext&, O o) { return text(o.resourceName); }},
        {"summary", "Assistent, Sammelvorg\u00E4nge", kSettingsKey, "TaskSummary",
         [](CommandContext&, O o) { return check(o.taskSummary); }},
        {"detailed", "Assistent, detaillierte Termine", kSettingsKey, "TaskDetailed",
         [](CommandContext&, O o) { return check(o.taskDetailed); }},
        {"recreate-deleted", "Gel\u00F6schte Termine neu anlegen", kSettingsKey, "CreateDeletedApps",
         [](CommandContext&, O o) { return check(o.createDeletedApps); }},
        {"appointment-type", "Assistent, Termine", kSettingsKey, "AppointmentType",
         [](CommandContext&, O o) {
             return choice(o.appointmentType, {"alle", "einer Kategorie", "eines Zeitraums"});
         }},
        {"category", "Assistent, Kategorie", kSettingsKey, "Category",
         [](CommandContext&, O o) { return text(o.category); }},
        {"from", "Assistent, Zeitraum ab", kSettingsKey, "DateFrom",
         [](CommandContext&, O o) { return date(o.dateFrom); }},
        {"to", "Assistent, Zeitraum bis", kSettingsKey, "DateTo",
         [](CommandContext&, O o) { return date(o.dateTo); }},
    };
    return all;
}

} // namespace

std::string configKeys()
{
    std::vector<std::string> keys;
    for (const Setting& setting : settings())
        keys.emplace_back(setting.key);
    return joined(keys);
}

int runConfigShow(const std::optional<std::string>& key, CommandContext& context)
{
    // The wizard's start-up state, so that nothing stored shows as "no choice" rather than a default.
    WizardOptions stored;
    stored.syncType = stored.linkType = stored.taskType = stored.appointmentType = -1;
    LoadSettings(context.registry, stored, DateTime{});
    const std::string file =
        context.settingsFile.empty() ? std::string("Einstellungsdatei") : context.settingsFile.string();
    bool found = false;
    for (const Setting& setting : settings()) {
        if (key && *key != setting.key)
            continue;
        found = true;
        context.out << setting.label << ": " << setting.show(context, stored) << '\n';
        if (!key)
            context.out << "    " << setting.key << ", gespeichert als [HKEY_CURRENT_USER\\"
                        << setting.registryKey << "] \"" << setting.value << "\"\n";
    }
    if (!found) {
        context.err << "zelvant: Unbekannte Einstellung \u201E" << *key
                    << "\u201C. Einstellungen: " << configKeys() << ".\n";
        return kBadInput;
    }
    if (!key)
        context.out << "Einstellungsdatei: " << file << '\n';
    return kDone;
}

} // namespace zelvant::cli
