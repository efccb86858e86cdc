#pragma once

#include "engine/RunReport.h"
#include "engine/Synchronizer.h"
#include "hostapi/CalendarApi.h"
#include "hostapi/ProjectApi.h"
#include "services/Messages.h"

#include <functional>
#include <optional>

namespace zelvant {

class ProgressSink;

// What the quick synchronisation needs from its surroundings: the window supplies its progress
// display, messages and pause.
struct QuickSyncServices {
    ProjectApplication& host;
    CalendarLauncher& launcher;
    MessageSink& messages;
    ProgressSink& progress;
    // Blocks for so many milliseconds (the window repaints meanwhile).
    std::function<void(int)> wait;
    // Whether appointments deleted in the calendar are made again; the stored "CreateDeletedApps".
    std::function<bool()> recreateDeleted;
    // Whether a run that would take appointments or links from most linked tasks goes ahead;
    // empty: the user is asked.
    std::function<bool(const MassChange&)> confirmMassChange = {};
};

// The window's title, and what its label says when some of the run failed (the failures follow).
inline constexpr const char* kQuickSyncCaption = "Synchronisierung";
inline constexpr const char* kQuickSyncFailedText =
    "Synchronisieren mit Fehlern beendet. Nicht ausgef\u00FChrt wurde:";

// How a quick synchronisation ended.
struct QuickSyncResult {
    int linkedTasks = 0;
    bool calendarReached = true; // false: "Outlook konnte nicht gefunden werden!" was shown
    RunReport report;
    // Set when a mass change was refused: nothing was written.
    std::optional<MassChange> stoppedBefore;
};

// Synchronises every linked task of the active project with its appointments, without asking:
// 5 "Synchronisieren wird vorbereitet...", both passes, 95 "Synchronisieren wird abgeschlossen...",
// 100 "Synchronisieren beendet." and a second's pause. With nothing linked the bar runs from 5
// to 98 ("Es gibt nichts zu synchronisieren...") and the calendar is not contacted. The host
// switch is off while the passes run. A calendar the user had open stays open.
QuickSyncResult DoQuickSync(const QuickSyncServices& services);

} // namespace zelvant
