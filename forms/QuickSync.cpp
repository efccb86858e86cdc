#include "forms/QuickSync.h"

#include "engine/CalendarConnection.h"
#include "engine/Queries.h"
#include "engine/Synchronizer.h"

#include <memory>
#include <optional>

namespace zelvant {

QuickSyncResult DoQuickSync(const QuickSyncServices& s)
{
    QuickSyncResult result;
    std::vector<Task*> linked;
    Project* project = nullptr;
    attempt(result.report, "Projekt", "Verkn\u00FCpfte Vorg\u00E4nge lesen", [&] {
        project = &s.host.activeProject();
        linked = GetLinkedTasks(*project, kLinkField);
    });
    result.linkedTasks = int(linked.size());

    if (linked.empty()) {
        // Nothing is linked: the bar still runs, so the click visibly did something.
        for (int p = 5; p <= 98; ++p) {
            s.progress.showProgress(p, "Es gibt nichts zu synchronisieren...");
            s.wait(10);
        }
    } else {
        s.progress.showProgress(5, "Synchronisieren wird vorbereitet...");
        std::optional<CalendarConnection> connection;
        try {
            connection.emplace(s.launcher);
        } catch (const std::exception&) {
            // No calendar: say so and stop; the host switch was never touched.
            result.calendarReached = false;
            s.messages.warning(kCalendarNotFound, kMessageTitle);
            return result;
        }
        attempt(result.report, "Projekt", "Bildschirmaktualisierung ausschalten",
                [&] { s.host.setHostSwitch(false); });
        const EngineInputs inputs{connection->application(), *project, connection->folder()};
        SyncOptions options{.recreateDeleted = s.recreateDeleted()};
        options.confirmMassChange =
            s.confirmMassChange ? s.confirmMassChange : [&s](const MassChange& change) {
                return s.messages.askYesNo(describeMassChange(change) + " Trotzdem fortfahren?",
                                           kMessageTitle);
            };
        try {
            SyncTasks(inputs, linked, options, RunContext{s.host, s.progress, result.report});
        } catch (const MassChangeStopped& stopped) {
            result.stoppedBefore = stopped.change; // the user said no: nothing was written
        }
        s.progress.showProgress(95, "Synchronisieren wird abgeschlossen...");
        // Quits the calendar if this run started it; for a calendar file that writes it.
        attempt(result.report, "Kalender", "Kalender schlie\u00DFen", [&] { connection->close(); });
    }
    s.progress.showProgress(100, "Synchronisieren beendet.");
    s.wait(1000);
    attempt(result.report, "Projekt", "Bildschirmaktualisierung einschalten",
            [&] { s.host.setHostSwitch(true); });
    return result;
}

} // namespace zelvant
