#pragma once

// The add-in's windows as native Win32 dialogs: the wizard, the quick synchronisation with its
// progress bar and the product information, each rendering and driving the toolkit-free logic
// in forms/ with the same German texts. Message boxes and the browser go through the desktop.

#include "addin/AddinWindows.h"
#include "hostapi/CalendarApi.h"
#include "hostapi/ProjectApi.h"
#include "hostapi/Registry.h"
#include "hostapi/Shell.h"
#include "services/Messages.h"

#include <memory>

namespace zelvant {

// What the windows work on; every reference outlives the windows.
struct NativeWindowsContext {
    ProjectApplication& host;   // the plan
    CalendarLauncher& launcher; // reaches the calendar for each run
    Registry& registry;         // the remembered settings
    Shell& shell;               // opens the links of the information window
    MessageSink& messages;      // the runs' message boxes
};

// The wizard and quick synchronisation forms for Connect.
std::unique_ptr<AddinWindows> makeNativeWindows(const NativeWindowsContext& context);

// Message boxes with MessageBoxW: warning with the exclamation icon, information, and a
// question answered "Ja" or "Nein"; each is task-modal over the host's active window.
class NativeMessageSink : public MessageSink {
public:
    void warning(const std::string& text, const std::string& title) override;
    void information(const std::string& text, const std::string& title) override;
    bool askYesNo(const std::string& text, const std::string& title) override;
};

// Opens an address with the desktop's default handler (ShellExecuteW "open").
class NativeShell : public Shell {
public:
    void open(const std::string& address) override;
};

} // namespace zelvant
