#pragma once

#include "addin/AddinWindows.h"
#include "forms/QuickSync.h"
#include "hostapi/ProjectApi.h"
#include "hostapi/Registry.h"
#include "hostapi/Shell.h"
#include "hosts/caldav/CalDavLauncher.h"
#include "services/Messages.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace zelvant {

// The add-in's windows in Qt Widgets: the wizard and the quick synchronisation window over the
// host's plan and the user's default calendar file (looked up anew at each opening).
class QtAddinWindows : public AddinWindows {
public:
    // What tests replace; empty members mean the windows' own message boxes and pause.
    struct Options {
        MessageSink* messages = nullptr;
        std::function<void(int)> wait = {};
        // Told with the calendar file as a window opens and as it closes: what the window writes
        // (and the plan save that follows it) is one run of the add-in.
        std::function<void(const std::filesystem::path& calendar)> runStarts = {};
        std::function<void()> windowClosed = {};
        // Told of each event a run wrote on a calendar server, for the run's undo.
        CalDavApplication::WrittenSink serverWrote = {};
    };

    QtAddinWindows(ProjectApplication& host, Registry& registry, Shell& shell, Options options);
    ~QtAddinWindows() override;

    std::unique_ptr<WizardFormHandle> createWizard() override;
    std::unique_ptr<QuickSyncFormHandle> createQuickSync() override;

    // How the last quick synchronisation ended; nothing before the first.
    const std::optional<QuickSyncResult>& lastQuickSync() const { return lastQuickSync_; }
    // Why the plan must not be saved after the window that just closed: its run changed the
    // plan, but the calendar's side did not land, so saving would leave the two disagreeing.
    // Nothing when the plan may be saved; taking it clears it.
    std::optional<std::string> takeSaveRefusal() { return std::exchange(saveRefusal_, std::nullopt); }

private:
    class Wizard;
    class QuickSync;

    ProjectApplication& host_;
    Registry& registry_;
    Shell& shell_;
    Options options_;
    std::optional<QuickSyncResult> lastQuickSync_;
    std::optional<std::string> saveRefusal_;
};

} // namespace zelvant
