// zelvant: links the tasks of a project plan to appointments in a calendar and keeps both in step.

#include "addin/Registration.h"
#include "app/cli/Commands.h"
#include "app/cli/Session.h"
#include "app/cli/Undo.h"
#include "app/cli/WindowCommands.h"
#include "hosts/common/UndoJournal.h"
#include "hosts/registry/FileRegistry.h"

#include <CLI/CLI.hpp>

#include <iostream>

using namespace zelvant;
using namespace zelvant::cli;

namespace {

void addFileOptions(CLI::App& command, CommandOptions& options, bool canPreview = true)
{
    command.add_option("--project", options.project, "Projektplan (Microsoft Project XML)")->required();
    command.add_option("--calendar", options.calendar, "Kalender (iCalendar); sonst der Standardkalender");
    if (canPreview) {
        command.add_flag("--dry-run", options.dryRun, "Nur anzeigen, was sich \u00E4ndern w\u00FCrde; nichts schreiben");
        command.add_flag("--quiet", options.quiet, "Keinen Fortschritt anzeigen");
    }
}

void addTaskFilters(CLI::App& command, CommandOptions& options, std::string& ids)
{
    auto* resource = command.add_option("--resource", options.resource, "Nur Vorg\u00E4nge dieser Ressource");
    auto* tasks = command.add_option("--tasks", ids, "Nur diese Vorg\u00E4nge (Nummern, durch Komma getrennt)");
    resource->excludes(tasks);
    command.add_flag("--summary", options.summary, "Sammelvorg\u00E4nge einbeziehen");
}

void addAppointmentFilters(CLI::App& command, CommandOptions& options)
{
    auto* category = command.add_option("--category", options.category, "Nur Termine dieser Kategorie");
    auto* from = command.add_option("--from", options.from, "Zeitraum ab (TT.MM.JJJJ)");
    auto* to = command.add_option("--to", options.to, "Zeitraum bis (TT.MM.JJJJ)");
    category->excludes(from)->excludes(to);
    from->needs(to);
    to->needs(from);
}

// The parser's complaints in the product's language; anything unforeseen keeps its own words.
std::string germanFailure(const CLI::App*, const CLI::Error& error)
{
    std::string text = error.what();
    auto after = [&](const std::string& prefix) { return text.substr(text.find(prefix) + prefix.size()); };
    const std::string kind = error.get_name();
    if (kind == "RequiredError" && text.find(" is required") != std::string::npos)
        text = "Pflichtangabe fehlt: " + text.substr(0, text.find(" is required"));
    else if (text.find("not expected: ") != std::string::npos)
        text = "Unbekannte Angabe: " + after("not expected: ");
    else if (kind == "ExcludesError")
        text = "Diese Angaben schlie\u00DFen einander aus: " + text;
    else if (kind == "RequiresError")
        text = "Angabe unvollst\u00E4ndig: " + text;
    else if (kind == "ValidationError" || kind == "ConversionError" || kind == "ArgumentMismatch")
        text = "Ung\u00FCltiger Wert: " + text;
    return "zelvant: " + text + "\nHilfe: zelvant --help\n";
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Zelvant verkn\u00FCpft Vorg\u00E4nge eines Projektplans mit Terminen eines Kalenders und h\u00E4lt "
                 "beide aktuell. \u00C4nderungen im Kalender haben beim Synchronisieren Vorrang.",
                 "zelvant"};
    app.require_subcommand(1);
    app.get_formatter()->label("REQUIRED", "PFLICHT");
    app.set_help_flag("-h,--help", "Diese Hilfe anzeigen");
    app.failure_message(germanFailure);
    app.footer("Exit-Status:\n"
               "  0  erledigt\n"
               "  1  erledigt, aber einzelne Schritte schlugen fehl (auf der Standardfehlerausgabe)\n"
               "  2  falscher Aufruf oder fehlerhafte Eingabe; nichts geschrieben\n"
               "  3  ein anderes Programm hat eine Datei ge\u00E4ndert. Vor dem Speichern: sie bleibt, wie sie\n"
               "     ist, dieser Lauf steht in DATEI.zelvant-conflict. W\u00E4hrend des Speicherns: die Fassung\n"
               "     des anderen Programms steht in DATEI.zelvant-other, \u201Ezelvant undo\u201C stellt sie wieder her.\n"
               "     Bei \u201Ezelvant undo\u201C: eine Datei wurde nach dem letzten Lauf ge\u00E4ndert; nichts geschrieben.\n"
               "  4  angehalten: der Lauf w\u00FCrde bei mehr als der H\u00E4lfte der verkn\u00FCpften Vorg\u00E4nge (mindestens\n"
               "     f\u00FCnf) Termine l\u00F6schen oder Verkn\u00FCpfungen entfernen, meist ein falscher Kalender;\n"
               "     nichts geschrieben. Mit --force wird er trotzdem ausgef\u00FChrt.\n"
               "Jeder Lauf, der schreibt, bewahrt den vorigen Stand von Plan und Kalender auf; \u201Ezelvant undo\u201C\n"
               "stellt ihn wieder her.");

    CommandOptions options;
    std::string ids;
    std::string listWhat;
    std::filesystem::path configFile;

    auto* sync = app.add_subcommand("sync", "Alle verkn\u00FCpften Vorg\u00E4nge mit ihren Terminen synchronisieren");
    addFileOptions(*sync, options);
    auto* recreate = sync->add_flag_callback("--recreate-deleted", [&] { options.recreateDeleted = true; },
                                             "Gel\u00F6schte Termine wieder neu anlegen");
    auto* noRecreate = sync->add_flag_callback("--no-recreate-deleted", [&] { options.recreateDeleted = false; },
                                               "Vorg\u00E4nge gel\u00F6schter Termine entkn\u00FCpfen");
    recreate->excludes(noRecreate);
    sync->add_flag("--force", options.force,
                   "Auch ausf\u00FChren, wenn bei mehr als der H\u00E4lfte der verkn\u00FCpften Vorg\u00E4nge Termine "
                   "gel\u00F6scht oder Verkn\u00FCpfungen entfernt w\u00FCrden");

    auto* linkTasks = app.add_subcommand("link-tasks", "Vorg\u00E4nge in Termine umwandeln");
    addFileOptions(*linkTasks, options);
    addTaskFilters(*linkTasks, options, ids);
    linkTasks->add_option("--busy", options.busy, "Frei/Gebucht-Status: frei, mit-vorbehalt, gebucht, abwesend")
        ->check(CLI::IsMember({"frei", "mit-vorbehalt", "gebucht", "abwesend"}));

    auto* linkAppointments = app.add_subcommand("link-appointments", "Termine in Vorg\u00E4nge umwandeln");
    addFileOptions(*linkAppointments, options);
    addAppointmentFilters(*linkAppointments, options);

    auto* unlink = app.add_subcommand("unlink", "Existierende Verkn\u00FCpfungen entfernen");
    addFileOptions(*unlink, options);
    unlink->add_option("--tasks", ids, "Nur diese Vorg\u00E4nge (Nummern, durch Komma getrennt)");

    auto* list = app.add_subcommand("list", "Vorg\u00E4nge, verkn\u00FCpfte Vorg\u00E4nge, Termine oder Kategorien auflisten");
    list->add_option("what", listWhat, "tasks, linked, appointments oder categories")
        ->required()
        ->check(CLI::IsMember({"tasks", "linked", "appointments", "categories"}));
    addFileOptions(*list, options, false);
    addTaskFilters(*list, options, ids);
    addAppointmentFilters(*list, options);

    auto* wizard = app.add_subcommand("wizard", "Den Zelvant Assistenten auf einem Projektplan \u00F6ffnen");
    addFileOptions(*wizard, options, false);
    auto* quicksync = app.add_subcommand("quicksync", "Die Synchronisierung im Fenster ausf\u00FChren");
    addFileOptions(*quicksync, options, false);
    auto* windowRecreate = quicksync->add_flag_callback("--recreate-deleted", [&] { options.recreateDeleted = true; },
                                                        "Gel\u00F6schte Termine wieder neu anlegen");
    auto* windowNoRecreate = quicksync->add_flag_callback(
        "--no-recreate-deleted", [&] { options.recreateDeleted = false; }, "Vorg\u00E4nge gel\u00F6schter Termine entkn\u00FCpfen");
    windowRecreate->excludes(windowNoRecreate);

    auto* undo = app.add_subcommand(
        "undo", "Den letzten Lauf r\u00FCckg\u00E4ngig machen: Plan und Kalender auf ihren Stand davor zur\u00FCcksetzen");
    undo->add_flag("--dry-run", options.dryRun, "Nur pr\u00FCfen und anzeigen, was zur\u00FCckgesetzt w\u00FCrde; nichts schreiben");

    auto* registerAddin = app.add_subcommand("register", "Das Add-In im Plan-Host zelvant-host anmelden");
    auto* unregisterAddin = app.add_subcommand("unregister", "Das Add-In im Plan-Host zelvant-host abmelden");

    auto* config = app.add_subcommand("config", "Einstellungen");
    auto* configCalendar = config->add_subcommand("calendar", "Standardkalender festlegen");
    configCalendar->add_option("file", configFile, "Kalenderdatei (iCalendar)")->required();
    std::optional<std::string> zone;
    auto* configTimeZone = config->add_subcommand(
        "timezone", "Zeitzone der Zeiten im Projektplan anzeigen oder festlegen (z. B. Europe/Berlin)");
    configTimeZone->add_option("zone", zone, "Zeitzone (IANA-Name)");
    config->require_subcommand(0, 1);

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

    FileRegistry registry(FileRegistry::userFilePath());
    CommandContext context{registry, std::cout, std::cerr};
    // Beside the settings: the last run that wrote the plan and the calendar, for `zelvant undo`.
    const std::filesystem::path journal = UndoJournal::besideSettings(registry.file());
    Session::journalRunsIn(journal, std::cerr);
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
    return runConfigShow(context);
}
