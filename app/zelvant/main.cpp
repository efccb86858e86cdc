// zelvant: links the tasks of a project plan to appointments in a calendar and keeps both in step.

#include "addin/Registration.h"
#include "app/cli/Commands.h"
#include "app/cli/Console.h"
#include "app/cli/Manual.h"
#include "app/cli/Session.h"
#include "app/cli/Undo.h"
#include "app/cli/WindowCommands.h"
#include "hosts/caldav/CalDavLauncher.h"
#include "hosts/common/UndoJournal.h"
#include "hosts/registry/FileRegistry.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>
#include <iostream>

using namespace zelvant;
using namespace zelvant::cli;

namespace {

std::optional<std::filesystem::path>& caFile()
{
    static std::optional<std::filesystem::path> file;
    return file;
}

void addFileOptions(CLI::App& command, CommandOptions& options, bool canPreview = true,
                    bool needsProject = true)
{
    auto* project = command.add_option("--project", options.project, "Projektplan (Microsoft Project XML)")
                        ->type_name("DATEI");
    if (needsProject)
        project->required();
    command
        .add_option("--calendar", options.calendar,
                    "Kalender: eine iCalendar-Datei oder die Adresse eines CalDAV-Kalenders (https://...); "
                    "sonst der Standardkalender")
        ->type_name("DATEI|URL");
    command.add_option("--cacert", caFile(), "CA-Datei f\u00FCr einen Kalenderserver mit eigenem Zertifikat")
        ->type_name("DATEI")
        ->check([](const std::string& file) {
            return std::filesystem::is_regular_file(file)
                       ? std::string()
                       : "Die CA-Datei \u201E" + file + "\u201C gibt es nicht.";
        });
    if (canPreview) {
        command.add_flag("--dry-run", options.dryRun,
                         "Nur anzeigen, was sich \u00E4ndern w\u00FCrde; nichts schreiben");
        command.add_flag("--quiet", options.quiet, "Keinen Fortschritt anzeigen");
    }
}

// What a synchronisation does with tasks whose appointments were deleted; without either flag,
// the stored setting decides.
void addRecreateFlags(CLI::App& command, CommandOptions& options)
{
    auto* recreate = command.add_flag_callback(
        "--recreate-deleted", [&options] { options.recreateDeleted = true; },
        "Gel\u00F6schte Termine wieder neu anlegen");
    auto* noRecreate = command.add_flag_callback(
        "--no-recreate-deleted", [&options] { options.recreateDeleted = false; },
        "Vorg\u00E4nge gel\u00F6schter Termine entkn\u00FCpfen");
    recreate->excludes(noRecreate);
}

CLI::Option* addTaskIds(CLI::App& command, std::string& ids, const std::string& what)
{
    return command.add_option("--tasks", ids, what + " (Nummern, durch Komma getrennt)")->type_name("NR,NR");
}

void addTaskFilters(CLI::App& command, CommandOptions& options, std::string& ids)
{
    auto* resource = command.add_option("--resource", options.resource, "Nur Vorg\u00E4nge dieser Ressource")
                         ->type_name("NAME");
    auto* tasks = addTaskIds(command, ids, "Nur diese Vorg\u00E4nge");
    resource->excludes(tasks);
    command.add_flag("--summary", options.summary, "Sammelvorg\u00E4nge einbeziehen");
}

void addAppointmentFilters(CLI::App& command, CommandOptions& options)
{
    auto* category =
        command.add_option("--category", options.category, "Nur Termine dieser Kategorie")->type_name("NAME");
    auto* from = command.add_option("--from", options.from, "Zeitraum ab (TT.MM.JJJJ); nur mit --to")
                     ->type_name("TT.MM.JJJJ");
    auto* to = command.add_option("--to", options.to, "Zeitraum bis (TT.MM.JJJJ); nur mit --from")
                   ->type_name("TT.MM.JJJJ");
    category->excludes(from)->excludes(to);
    from->needs(to);
    to->needs(from);
}

// CLI11 names an option "--project" and a positional by its own name; the user needs to hear
// what to give.
std::string germanName(std::string name)
{
    if (name == "liste")
        return "die Liste (tasks, linked, appointments, categories oder calendars)";
    if (name == "shell")
        return "die Shell (bash)";
    return name;
}

// The first word of a parser message that names an option: "--busy: x not in {..}" -> "--busy".
std::string optionIn(const std::string& text)
{
    const auto start = text.find("--");
    if (start == std::string::npos)
        return {};
    const auto end = text.find_first_of(" :,]", start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string commandsOf(const CLI::App& app)
{
    std::string names;
    for (const CLI::App* command :
         app.get_subcommands([](const CLI::App* c) { return !c->get_group().empty(); }))
        names += (names.empty() ? "" : ", ") + command->get_name();
    return names;
}

// The command the user was giving, for the pointer to its help: "zelvant sync --help".
std::string helpFor(const CLI::App* app)
{
    std::string path = "zelvant";
    for (const CLI::App* at = app; at;) {
        const std::vector<CLI::App*> chosen = at->get_subcommands();
        if (chosen.empty())
            break;
        path += " " + chosen.front()->get_name();
        at = chosen.front();
    }
    return path + " --help";
}

// The parser's complaints in the product's language, each naming the option concerned and
// saying what to do. Every kind of parse error the command line can raise has its sentence.
std::string germanFailure(const CLI::App* app, const CLI::Error& error)
{
    const std::string text = error.what();
    const std::string kind = error.get_name();
    const std::string option = optionIn(text);
    std::string message;
    if (kind == "RequiredError" && text.rfind("A subcommand", 0) == 0) {
        const std::vector<std::string> rest = app->remaining();
        message = rest.empty() ? "Es fehlt ein Befehl. Befehle: " + commandsOf(*app) + "."
                               : "Unbekannter Befehl \u201E" + rest.front() +
                                     "\u201C. Befehle: " + commandsOf(*app) + ".";
    } else if (kind == "RequiredError" && text.find(" is required") != std::string::npos) {
        message = "Pflichtangabe fehlt: " + germanName(text.substr(0, text.find(" is required"))) + ".";
        if (message.find("--project") != std::string::npos)
            message += " Bitte den Projektplan angeben: --project DATEI.";
    } else if (kind == "ExtrasError" || text.find("not expected: ") != std::string::npos) {
        const std::vector<std::string> rest = app->remaining(true);
        const std::string word = rest.empty() ? text.substr(text.find(": ") + 2) : rest.front();
        message =
            "Unbekannte Angabe \u201E" + word + "\u201C. Welche Angaben der Befehl kennt, zeigt die Hilfe.";
    } else if (kind == "ExcludesError") {
        const auto split = text.find(" excludes ");
        message = text.substr(0, split) + " und " + text.substr(split + 10) +
                  " schlie\u00DFen einander aus: bitte nur eine der beiden Angaben machen.";
    } else if (kind == "RequiresError") {
        const auto split = text.find(" requires ");
        message = text.substr(0, split) + " braucht auch " + text.substr(split + 10) +
                  ": ein Zeitraum hat einen Anfang (--from) und ein Ende (--to), beide als TT.MM.JJJJ.";
    } else if (kind == "ValidationError" && text.find(" not in ") != std::string::npos) {
        const auto colon = text.find(": ");
        const auto notIn = text.find(" not in ");
        std::string allowed = text.substr(notIn + 9);
        allowed = allowed.substr(0, allowed.find('}'));
        for (std::size_t at = 0; (at = allowed.find(',', at)) != std::string::npos; at += 2)
            allowed.replace(at, 1, ", ");
        const std::string name = colon < notIn ? text.substr(0, colon) : option;
        const std::string value =
            text.substr(colon < notIn ? colon + 2 : 0, notIn - (colon < notIn ? colon + 2 : 0));
        message = "Ung\u00FCltiger Wert \u201E" + value + "\u201C f\u00FCr " + germanName(name) +
                  ". Erlaubt: " + allowed + ".";
    } else if (kind == "ValidationError" && text.find("\u201C gibt es nicht.") != std::string::npos) {
        message = option + ": " + text.substr(text.find("Die ")); // our own check's German sentence
    } else if (kind == "ArgumentMismatch" || kind == "ConversionError" || kind == "ValidationError") {
        message = option.empty() ? "Ein Wert fehlt oder passt nicht."
                                 : "Der Wert von " + option + " fehlt oder passt nicht: " + option +
                                       " erwartet genau einen Wert; ein Schalter nimmt keinen.";
    } else {
        message = "Der Aufruf ist ung\u00FCltig.";
    }
    return "zelvant: " + message + "\nHilfe: " + helpFor(app) + "\n";
}

// A window needs a graphical session; without one Qt would abort the process.
bool graphicalSession()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

int noGraphicalSession(const std::string& command, const std::string& instead)
{
    std::cerr
        << "zelvant: \u201Ezelvant " << command
        << "\u201C \u00F6ffnet ein Fenster und braucht eine grafische "
        << "Sitzung; DISPLAY und WAYLAND_DISPLAY sind nicht gesetzt. Auf der Kommandozeile tut dasselbe: "
        << instead << ".\n";
    return kBadInput;
}

// The library files every option under "Options" and every command under "Subcommands", and a
// command's own help flag under "Options" even when defaults say otherwise; the help headings
// come from these group names, so they are renamed once the table is complete.
void germanHeadings(CLI::App& command)
{
    for (CLI::Option* option : command.get_options())
        if (option->get_group() == "Options")
            option->group("Optionen");
    for (CLI::App* sub : command.get_subcommands({})) {
        if (sub->get_group() == "Subcommands")
            sub->group("Befehle");
        germanHeadings(*sub);
    }
}

} // namespace

static int runZelvant(int argc, char** argv)
{
    CLI::App app{
        "Zelvant verkn\u00FCpft Vorg\u00E4nge eines Projektplans mit Terminen eines Kalenders und h\u00E4lt "
        "beide aktuell. \u00C4nderungen im Kalender haben beim Synchronisieren Vorrang.",
        "zelvant"};
    app.require_subcommand(1);
    app.get_formatter()->label("REQUIRED", "PFLICHT");
    app.get_formatter()->label("OPTIONS", "OPTIONEN");
    app.get_formatter()->label("SUBCOMMAND", "BEFEHL");
    app.get_formatter()->label("SUBCOMMANDS", "BEFEHLE");
    app.get_formatter()->label("POSITIONALS", "ARGUMENTE");
    app.get_formatter()->label("Usage", "Aufruf");
    app.get_formatter()->label("Excludes", "Schlie\u00DFt aus");
    app.get_formatter()->label("Needs", "Braucht");
    app.get_formatter()->label("Positionals", "Argumente");
    app.set_help_flag("-h,--help", "Diese Hilfe anzeigen");
    app.set_version_flag("--version", std::string("zelvant ") + ZELVANT_VERSION, "Die Version anzeigen");
    app.failure_message(germanFailure);
    app.footer(
        "Exit-Status:\n"
        "  0  erledigt\n"
        "  1  erledigt, aber einzelne Schritte schlugen fehl (auf der Standardfehlerausgabe)\n"
        "  2  falscher Aufruf oder fehlerhafte Eingabe; nichts geschrieben\n"
        "  3  ein anderes Programm hat eine Datei ge\u00E4ndert. Vor dem Speichern: sie bleibt, wie sie\n"
        "     ist, dieser Lauf steht in DATEI.zelvant-conflict. W\u00E4hrend des Speicherns: die Fassung\n"
        "     des anderen Programms steht in DATEI.zelvant-other, \u201Ezelvant undo\u201C stellt sie wieder "
        "her.\n"
        "     Bei \u201Ezelvant undo\u201C: eine Datei wurde nach dem letzten Lauf ge\u00E4ndert; nichts "
        "geschrieben.\n"
        "     Bei einem Kalender auf einem Server: jemand anderes hat einen Termin w\u00E4hrend des Laufs\n"
        "     ge\u00E4ndert; er und sein Vorgang bleiben, wie sie sind, alles andere ist geschrieben.\n"
        "  4  angehalten: der Lauf w\u00FCrde bei mehr als der H\u00E4lfte der verkn\u00FCpften "
        "Vorg\u00E4nge (mindestens\n"
        "     f\u00FCnf) Termine l\u00F6schen oder Verkn\u00FCpfungen entfernen, meist ein falscher "
        "Kalender;\n"
        "     nichts geschrieben. Mit --force wird er trotzdem ausgef\u00FChrt.\n"
        "Jeder Lauf, der schreibt, bewahrt den vorigen Stand von Plan und Kalender auf; \u201Ezelvant "
        "undo\u201C\n"
        "stellt ihn wieder her.");

    CommandOptions options;
    std::string ids;
    std::string listWhat;
    std::optional<std::filesystem::path> configFile;
    std::optional<std::string> configKey;

    auto* sync =
        app.add_subcommand("sync", "Alle verkn\u00FCpften Vorg\u00E4nge mit ihren Terminen synchronisieren");
    addFileOptions(*sync, options);
    addRecreateFlags(*sync, options);
    sync->add_flag(
        "--force", options.force,
        "Auch ausf\u00FChren, wenn bei mehr als der H\u00E4lfte der verkn\u00FCpften Vorg\u00E4nge Termine "
        "gel\u00F6scht oder Verkn\u00FCpfungen entfernt w\u00FCrden");

    auto* linkTasks = app.add_subcommand("link-tasks", "Vorg\u00E4nge in Termine umwandeln");
    addFileOptions(*linkTasks, options);
    addTaskFilters(*linkTasks, options, ids);
    linkTasks->add_option("--busy", options.busy, "Frei/Gebucht-Status der Termine (Vorgabe: gebucht)")
        ->type_name("STATUS")
        ->check(CLI::IsMember({"frei", "mit-vorbehalt", "gebucht", "abwesend"}));

    auto* linkAppointments = app.add_subcommand("link-appointments", "Termine in Vorg\u00E4nge umwandeln");
    addFileOptions(*linkAppointments, options);
    addAppointmentFilters(*linkAppointments, options);

    auto* unlink = app.add_subcommand("unlink", "Existierende Verkn\u00FCpfungen entfernen");
    addFileOptions(*unlink, options);
    addTaskIds(*unlink, ids, "Nur die Verkn\u00FCpfungen dieser Vorg\u00E4nge");

    auto* list = app.add_subcommand(
        "list", "Vorg\u00E4nge, verkn\u00FCpfte Vorg\u00E4nge, Termine oder Kategorien auflisten");
    list->add_option("liste", listWhat, "tasks, linked, appointments, categories oder calendars")
        ->type_name("")
        ->required()
        ->check(
            CLI::IsMember({"tasks", "linked", "appointments", "categories", "calendars"}).description(""));
    addFileOptions(*list, options, false, false);
    list->add_option("--server", options.server,
                     "Nur mit calendars: die Kalender des Benutzers auf diesem Server")
        ->type_name("URL");
    addTaskFilters(*list, options, ids);
    addAppointmentFilters(*list, options);

    auto* wizard = app.add_subcommand("wizard", "Den Zelvant Assistenten auf einem Projektplan \u00F6ffnen");
    addFileOptions(*wizard, options, false);
    // Without a plan application there is no selection; these rows stand for it.
    addTaskIds(*wizard, ids, "Diese Vorg\u00E4nge gelten im Assistenten als markiert");
    auto* quicksync = app.add_subcommand("quicksync", "Die Synchronisierung im Fenster ausf\u00FChren");
    addFileOptions(*quicksync, options, false);
    addRecreateFlags(*quicksync, options);

    auto* undo = app.add_subcommand("undo", "Den letzten Lauf r\u00FCckg\u00E4ngig machen: Plan und Kalender "
                                            "auf ihren Stand davor zur\u00FCcksetzen");
    undo->add_flag("--dry-run", options.dryRun,
                   "Nur pr\u00FCfen und anzeigen, was zur\u00FCckgesetzt w\u00FCrde; nichts schreiben");

    auto* registerAddin = app.add_subcommand("register", "Das Add-In im Plan-Host zelvant-host anmelden");
    auto* unregisterAddin = app.add_subcommand("unregister", "Das Add-In im Plan-Host zelvant-host abmelden");

    auto* config = app.add_subcommand("config", "Einstellungen anzeigen (alle oder eine) oder festlegen");
    config->add_option("einstellung", configKey, "Nur diese Einstellung anzeigen (" + configKeys() + ")")
        ->type_name("");
    auto* configCalendar = config->add_subcommand("calendar", "Standardkalender anzeigen oder festlegen");
    configCalendar->add_option("datei", configFile, "Kalenderdatei (iCalendar)")->type_name("");
    std::optional<std::string> zone;
    auto* configTimeZone = config->add_subcommand(
        "timezone", "Zeitzone der Zeiten im Projektplan anzeigen oder festlegen (z. B. Europe/Berlin)");
    configTimeZone->add_option("zone", zone, "Zeitzone (IANA-Name)")->type_name("");
    config->require_subcommand(0, 1);

    // For packaging: the man page and the shell completion, written from this very table.
    std::string shell;
    auto* completion =
        app.add_subcommand("completion", "Vervollst\u00E4ndigung f\u00FCr die Shell ausgeben")->group("");
    completion->add_option("shell", shell, "Shell")->required()->check(CLI::IsMember({"bash"}));
    auto* manpage = app.add_subcommand("manpage", "Die Handbuchseite (roff) ausgeben")->group("");
    germanHeadings(app);

    try {
        app.parse(argc, argv);
        if (!ids.empty())
            options.taskIds = parseIdList(ids);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? kDone : kBadInput;
    } catch (const std::exception& error) {
        std::cerr << "zelvant: " << error.what() << "\n";
        return kBadInput;
    }
    if (*completion) {
        writeBashCompletion(std::cout, app);
        return kDone;
    }
    if (*manpage) {
        writeManPage(std::cout, app, ZELVANT_VERSION);
        return kDone;
    }
    if (*wizard && !graphicalSession())
        return noGraphicalSession(
            "wizard", "zelvant link-tasks, zelvant link-appointments, zelvant sync und zelvant unlink "
                      "(siehe zelvant --help)");
    if (*quicksync && !graphicalSession())
        return noGraphicalSession("quicksync", "zelvant sync --project DATEI");

    FileRegistry registry(FileRegistry::userFilePath());
    CommandContext context{registry, std::cout, std::cerr};
    context.settingsFile = registry.file();
    // Beside the settings: the last run that wrote the plan and the calendar, for `zelvant undo`.
    const std::filesystem::path journal = UndoJournal::besideSettings(registry.file());
    Session::journalRunsIn(journal, std::cerr);
    // A calendar server's collection is kept in the user's cache, so a later run asks only what changed.
    Session::serversReachedWith(serverCacheFolder(),
                                {.caFile = caFile(), .askCredentials = askCredentialsOnTerminal});
    if (*sync)
        return runSync(options, context);
    if (*linkTasks)
        return runLinkTasks(options, context);
    if (*linkAppointments)
        return runLinkAppointments(options, context);
    if (*unlink)
        return runUnlink(options, context);
    if (*list)
        return runList(listWhat, options, context);
    if (*wizard)
        return runWizardWindow(options, context, argc, argv);
    if (*quicksync)
        return runQuickSyncWindowCommand(options, context, argc, argv);
    if (*undo)
        return runUndo(journal, options.dryRun, context);
    if (*registerAddin || *unregisterAddin)
        return runRegistration(registry, bool(*registerAddin), std::cout, std::cerr);
    if (*configCalendar)
        return runConfigCalendar(configFile, context);
    if (*configTimeZone)
        return runConfigTimeZone(zone, context);
    return runConfigShow(configKey, context);
}

int main(int argc, char** argv)
{
    // The commands report every failure they expect, each with its exit status; anything else
    // still ends with a German message and status 2, not with an abort and a core dump.
    try {
        return runZelvant(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "zelvant: unerwarteter Fehler: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "zelvant: unerwarteter Fehler.\n");
    }
    return kBadInput;
}
