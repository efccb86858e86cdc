#pragma once

// The windows opened straight on a plan and a calendar from the command line: the wizard and
// the quick synchronisation. The plan and the calendar are written when the window closes.

#include "app/cli/Commands.h"

namespace zelvant::cli {

int runWizardWindow(const CommandOptions& options, CommandContext& context, int& argc, char** argv);
int runQuickSyncWindowCommand(const CommandOptions& options, CommandContext& context, int& argc, char** argv);

} // namespace zelvant::cli
