#pragma once

// The man page and the bash completion, both written from the command line's own option table,
// so that neither can drift from what `zelvant --help` says.

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <string>

namespace zelvant::cli {

// A roff man page (section 1): every visible command with its options, the exit status, the files.
void writeManPage(std::ostream& out, const CLI::App& app, const std::string& version);

// A bash completion script: commands, their options, and the values an option accepts
// (the listed choices, or file names for file options).
void writeBashCompletion(std::ostream& out, const CLI::App& app);

} // namespace zelvant::cli
