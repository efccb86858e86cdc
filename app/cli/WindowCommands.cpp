#include "app/cli/WindowCommands.h"

#include "app/cli/Session.h"
#include "forms/WizardSettingsStore.h"
#include "forms/qt/EnsureApplication.h"
#include "forms/qt/InfoDialog.h"
#include "forms/qt/QuickSyncWindow.h"
#include "forms/qt/WizardWindow.h"
#include "hosts/shell/XdgShell.h"
#include "services/Settings.h"

#include <QApplication>

#include <ostream>

namespace zelvant::cli {

namespace {

// Opens the files, shows a window on them, then writes what the window's run changed.
template <typename ShowWindow>
int withWindow(const CommandOptions& options, CommandContext& context, int& argc, char** argv,
               ShowWindow show)
{
    QApplication application(argc, argv);
    useGermanQtTexts(application);
    return guarded(context, [&] {
        Session session(options.project, calendarFor(options, context.registry),
                        planTimeZone(context.registry));
        const int status = show(session);
        session.save();
        for (const std::string& failure : session.writeFailures())
            context.err << "Fehler: " << failure << '\n';
        return session.writeFailures().empty() ? status : int(kConflict);
    });
}

} // namespace

int runWizardWindow(const CommandOptions& options, CommandContext& context, int& argc, char** argv)
{
    return withWindow(options, context, argc, argv, [&](Session& session) {
        if (!options.taskIds.empty())
            selectTasks(session, options.taskIds); // "Markierte Vorgänge" then offers these rows
        RegistrySettingsStore settings(context.registry);
        XdgShell shell;
        runWizard(session.host(), session.launcher(), settings,
                  [&] { InfoDialog::showOver(QApplication::activeModalWidget(), shell); });
        return int(kDone);
    });
}

int runQuickSyncWindowCommand(const CommandOptions& options, CommandContext& context, int& argc, char** argv)
{
    return withWindow(options, context, argc, argv, [&](Session& session) {
        const bool recreate = options.recreateDeleted.value_or(recreateDeletedAppointments(context.registry));
        return runQuickSyncWindow(session.host(), session.launcher(), [recreate] { return recreate; });
    });
}

} // namespace zelvant::cli
