#include "engine/RunReport.h"

#include <algorithm>

namespace zelvant {

void RunReport::record(Change change, std::string subject, std::string detail)
{
    changes_.push_back({change, std::move(subject), std::move(detail)});
}

void RunReport::fail(std::string subject, std::string action, std::string reason)
{
    failures_.push_back({std::move(subject), std::move(action), std::move(reason)});
}

int RunReport::count(Change change) const
{
    return int(std::count_if(changes_.begin(), changes_.end(),
                             [change](const Entry& e) { return e.change == change; }));
}

std::vector<std::string> RunReport::failureLines() const
{
    std::vector<std::string> lines;
    for (const Failure& f : failures_)
        lines.push_back(f.subject + ": " + f.action + " fehlgeschlagen (" + f.reason + ")");
    return lines;
}

std::string describeTask(int id, const std::string& name)
{
    return "Vorgang " + std::to_string(id) + " \u201E" + name + "\u201C";
}

std::string describeAppointment(const std::string& subject)
{
    return "Termin \u201E" + subject + "\u201C";
}

} // namespace zelvant
