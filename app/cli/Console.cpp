#include "app/cli/Console.h"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <set>
#include <termios.h>
#include <unistd.h>

namespace zelvant::cli {

namespace {

// Trailing blanks are part of the product's message texts but not of a terminal line.
std::string trimmed(const std::string& text)
{
    const auto end = text.find_last_not_of(' ');
    return end == std::string::npos ? std::string{} : text.substr(0, end + 1);
}

const char* verbOf(RunReport::Change change)
{
    using C = RunReport::Change;
    switch (change) {
    case C::AppointmentCreated:
        return "Termin angelegt";
    case C::AppointmentMoved:
        return "Termin verschoben";
    case C::AppointmentRenamed:
        return "Termin umbenannt";
    case C::AppointmentDeleted:
        return "Termin gel\u00F6scht";
    case C::AppointmentUnlinked:
        return "Termin-Verkn\u00FCpfung entfernt";
    case C::TaskCreated:
        return "Vorgang angelegt";
    case C::TaskRescheduled:
        return "Vorgang neu terminiert";
    case C::TaskRenamed:
        return "Vorgang umbenannt";
    case C::TaskLinked:
        return "Vorgang verkn\u00FCpft";
    case C::TaskUnlinked:
        return "Vorgangs-Verkn\u00FCpfung entfernt";
    }
    return "";
}

} // namespace

ConsoleProgress::ConsoleProgress(std::FILE* stream, Style style) : stream_(stream), style_(style) {}

ConsoleProgress::~ConsoleProgress()
{
    if (barOpen_)
        std::fputc('\n', stream_);
}

ConsoleProgress::Style ConsoleProgress::styleFor(std::FILE* stream, bool quiet)
{
    if (quiet)
        return Style::Quiet;
    return ::isatty(::fileno(stream)) ? Style::Bar : Style::Lines;
}

void ConsoleProgress::showProgress(double percent, const std::string& text)
{
    const double clamped = std::clamp(percent, 0.0, 100.0);
    switch (style_) {
    case Style::Quiet:
        return;
    case Style::Lines:
        std::fprintf(stream_, "%5.1f %% %s\n", clamped, text.c_str());
        break;
    case Style::Bar: {
        constexpr int width = 30;
        const int filled = int(std::lround(clamped * width / 100.0));
        // \r and "clear to end of line" redraw the bar in place.
        std::fprintf(stream_, "\r[%s%s] %3.0f %% %s\x1b[K", std::string(std::size_t(filled), '#').c_str(),
                     std::string(std::size_t(width - filled), '.').c_str(), clamped, text.c_str());
        barOpen_ = true;
        break;
    }
    }
    std::fflush(stream_);
}

void ConsoleMessages::warning(const std::string& text, const std::string& title)
{
    err_ << title << ": " << trimmed(text) << '\n';
}

void ConsoleMessages::information(const std::string& text, const std::string& title)
{
    err_ << title << ": " << trimmed(text) << '\n';
}

bool ConsoleMessages::askYesNo(const std::string& text, const std::string& title)
{
    err_ << title << ": " << trimmed(text) << " Ja\n";
    return true;
}

void printChanges(std::ostream& out, const RunReport& report)
{
    for (const RunReport::Entry& entry : report.changes()) {
        out << "  " << verbOf(entry.change) << ": " << entry.subject;
        if (!entry.detail.empty())
            out << " (" << entry.detail << ")";
        out << '\n';
    }
}

void printSummary(std::ostream& out, const RunReport& report)
{
    using C = RunReport::Change;
    // A task or appointment changed in both passes of a run is one change to the user.
    std::set<std::string> changedTasks, moved, renamed;
    for (const RunReport::Entry& entry : report.changes()) {
        if (entry.change == C::TaskRescheduled || entry.change == C::TaskRenamed)
            changedTasks.insert(entry.subject);
        else if (entry.change == C::AppointmentMoved)
            moved.insert(entry.subject);
        else if (entry.change == C::AppointmentRenamed)
            renamed.insert(entry.subject);
    }
    out << "Termine angelegt: " << report.count(C::AppointmentCreated)
        << ", Termine verschoben: " << moved.size() << ", Termine umbenannt: " << renamed.size()
        << ", Termine gel\u00F6scht: " << report.count(C::AppointmentDeleted)
        << ", Vorg\u00E4nge angelegt: " << report.count(C::TaskCreated)
        << ", Vorg\u00E4nge ge\u00E4ndert: " << changedTasks.size()
        << ", Verkn\u00FCpfungen entfernt: " << report.count(C::TaskUnlinked)
        << ", Fehler: " << report.failures().size() << '\n';
}

void printFailures(std::ostream& err, const RunReport& report)
{
    if (!report.hasFailures())
        return;
    err << "Fehler w\u00E4hrend des Laufs:\n";
    for (const std::string& line : report.failureLines())
        err << "  " << line << '\n';
}

std::optional<Credentials> askCredentialsOnTerminal(const std::string& url)
{
    std::FILE* terminal = std::fopen("/dev/tty", "r+");
    if (!terminal || !isatty(STDIN_FILENO)) {
        if (terminal)
            std::fclose(terminal);
        return std::nullopt;
    }
    const auto readLine = [&] {
        char buffer[512] = {};
        std::string line = std::fgets(buffer, sizeof buffer, terminal) ? buffer : "";
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        return line;
    };
    Credentials credentials;
    std::fprintf(terminal, "Der Kalenderserver %s verlangt eine Anmeldung.\nBenutzer: ", url.c_str());
    std::fflush(terminal);
    credentials.user = readLine();
    std::fprintf(terminal, "Passwort: ");
    std::fflush(terminal);
    termios before{};
    const bool quiet = tcgetattr(fileno(terminal), &before) == 0;
    if (quiet) {
        termios silent = before;
        silent.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fileno(terminal), TCSAFLUSH, &silent);
    }
    credentials.password = readLine();
    if (quiet)
        tcsetattr(fileno(terminal), TCSAFLUSH, &before);
    std::fprintf(terminal, "\n");
    std::fclose(terminal);
    if (credentials.user.empty())
        return std::nullopt;
    return credentials;
}

} // namespace zelvant::cli
