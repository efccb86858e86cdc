#pragma once

// `zelvant undo`: puts the plan and the calendar back as they were before the last run that
// wrote them, whether that run came from the command line, its windows or the host shell.

#include "app/cli/Commands.h"

#include <filesystem>

namespace zelvant::cli {

// Exit status: 0 put back (or, with dryRun, could be); 2 nothing to undo or the journal cannot be
// read; 3 a file of the run was changed after it: nothing written.
int runUndo(const std::filesystem::path& journalFolder, bool dryRun, CommandContext& context);

} // namespace zelvant::cli
