#pragma once

// The three windows as the form handles open them. Only for the files of this folder.

#include "forms/QuickSync.h"
#include "forms/WizardLogic.h"
#include "hostapi/Shell.h"

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zelvant::native {

// What the add-in set on the wizard before opening it.
struct WizardSetup {
    std::vector<std::string> tabOrder;     // the first page's tab order
    std::vector<std::string> hiddenLabels; // labels that stay out of view
};

// Shows the wizard modally over `owner` (may be nothing) and returns when it has closed. The
// info button opens the information window, whose links go to `shell`.
void showWizard(const WizardEnvironment& environment, const WizardSetup& setup, Shell& shell, HWND owner);

// What the quick synchronisation works on.
struct QuickSyncSetup {
    ProjectApplication& host;
    CalendarLauncher& launcher;
    MessageSink& messages;
    // Whether appointments deleted in the calendar are made again; the stored "CreateDeletedApps".
    std::function<bool()> recreateDeleted;
};

// Shows the quick synchronisation window modally over `owner`; the run starts by itself once
// the window is on screen. Returns when the window has closed, with how the run ended.
QuickSyncResult showQuickSync(const QuickSyncSetup& setup, HWND owner);

// The text of a named label or tool tip of WizardTexts.h; empty for a name without one.
std::string labelText(std::string_view name);
std::string toolTipText(std::string_view name);

// Shows the information window modally, a little right of and below `owner`'s corner.
void showInfo(Shell& shell, HWND owner);

} // namespace zelvant::native
