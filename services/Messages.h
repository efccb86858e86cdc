#pragma once

#include <string>

namespace zelvant {

// The title every message of the program carries.
inline constexpr const char* kMessageTitle = "Zelvant";

// Said by every run that cannot reach the calendar.
inline constexpr const char* kCalendarNotFound = "Outlook konnte nicht gefunden werden!";

// Where the program's messages go: the window shows a message box (exclamation icon for a
// warning, OK button), the command line prints a line.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Shows a warning the user confirms with OK.
    virtual void warning(const std::string& text, const std::string& title) = 0;
    // Shows a piece of information the user confirms with OK.
    virtual void information(const std::string& text, const std::string& title) = 0;
    // Asks a question; returns true for "Ja".
    virtual bool askYesNo(const std::string& text, const std::string& title) = 0;
};

} // namespace zelvant
