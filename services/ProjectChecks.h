#pragma once

#include "hostapi/ProjectApi.h"
#include "services/Messages.h"

#include <string>

namespace zelvant {

// The warnings of the checks below, exactly as the user sees them.
inline constexpr const char* kNoProjectOpenText = "Es ist kein Projekt ge\u00F6ffnet!      ";
inline constexpr const char* kNoTasksText = "Das Projekt enth\u00E4lt keine Vorg\u00E4nge.      ";

// True when the host has an active project whose name can be read; otherwise false and,
// when asked to, a warning. Never throws.
bool IsProjectOpen(ProjectApplication& app, MessageSink& messages, bool showWarning = true,
                   const std::string& title = kMessageTitle);

// True when the active project has at least one task; otherwise (also when no project is open)
// false and, when asked to, a warning. Never throws.
bool ProjectHasTasks(ProjectApplication& app, MessageSink& messages, bool showWarning = true,
                     const std::string& title = kMessageTitle);

} // namespace zelvant
