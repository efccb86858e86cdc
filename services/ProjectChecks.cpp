#include "services/ProjectChecks.h"

#include <exception>

namespace zelvant {

bool IsProjectOpen(ProjectApplication& app, MessageSink& messages, bool showWarning, const std::string& title)
{
    try {
        // Reading the name proves the project answers, not just that the host hands out an object.
        (void)app.activeProject().name();
        return true;
    } catch (const std::exception&) {
        if (showWarning)
            messages.warning(kNoProjectOpenText, title);
        return false;
    }
}

bool ProjectHasTasks(ProjectApplication& app, MessageSink& messages, bool showWarning,
                     const std::string& title)
{
    bool hasTasks = false;
    try {
        hasTasks = app.activeProject().taskCount() != 0;
    } catch (const std::exception&) {
        // A host that cannot tell counts as a project without tasks.
    }
    if (!hasTasks && showWarning)
        messages.warning(kNoTasksText, title);
    return hasTasks;
}

} // namespace zelvant
