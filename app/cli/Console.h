#pragma once

// How the command line talks to the user: progress on standard error (a bar on a terminal,
// plain lines otherwise, nothing when quiet), messages on standard error, results on standard
// output.

#include "engine/Progress.h"
#include "engine/RunReport.h"
#include "hosts/caldav/HttpClient.h"
#include "services/Messages.h"

#include <cstdio>
#include <iosfwd>
#include <optional>
#include <string>

namespace zelvant::cli {

// A bar redrawn in place on a terminal; one line per step elsewhere; nothing when quiet.
class ConsoleProgress : public ProgressSink {
public:
    enum class Style { Bar, Lines, Quiet };
    ConsoleProgress(std::FILE* stream, Style style);
    ~ConsoleProgress() override;
    void showProgress(double percent, const std::string& text) override;
    // The style that suits the stream: a bar for a terminal, lines for a file or pipe.
    static Style styleFor(std::FILE* stream, bool quiet);

private:
    std::FILE* stream_;
    Style style_;
    bool barOpen_ = false;
};

// Warnings and information go to standard error; questions are answered "Ja", as a script
// that calls the command has already decided.
class ConsoleMessages : public MessageSink {
public:
    explicit ConsoleMessages(std::ostream& err) : err_(err) {}
    void warning(const std::string& text, const std::string& title) override;
    void information(const std::string& text, const std::string& title) override;
    bool askYesNo(const std::string& text, const std::string& title) override;

private:
    std::ostream& err_;
};

// One line per change the run made (or, in a dry run, would make).
void printChanges(std::ostream& out, const RunReport& report);
// The counts at the end of a run.
void printSummary(std::ostream& out, const RunReport& report);
// One line per failure.
void printFailures(std::ostream& err, const RunReport& report);

// Asks for the user name and password of a calendar server on the terminal, the password without
// echo; nothing when there is no terminal to ask on (a script gets its credentials from ~/.netrc).
std::optional<Credentials> askCredentialsOnTerminal(const std::string& url);

} // namespace zelvant::cli
