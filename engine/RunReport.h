#pragma once

#include <string>
#include <vector>

namespace zelvant {

// What one run did and what failed in it. A host failure never stops a run: the step is
// skipped, the failure lands here with the task or appointment it concerns, and the caller
// shows the report, so a run with failures never passes for a clean one.
class RunReport {
public:
    enum class Change {
        AppointmentCreated,
        AppointmentMoved,
        AppointmentRenamed,
        AppointmentDeleted,
        AppointmentUnlinked,
        TaskCreated,
        TaskRescheduled,
        TaskRenamed,
        TaskLinked,
        TaskUnlinked,
    };

    struct Entry {
        Change change;
        std::string subject; // "Vorgang 12 „Entwurf“" or "Termin „Entwurf (2)“"
        std::string detail;  // what changed, in German, e.g. "05.03.2024 08:00 – 12:00"
    };

    struct Failure {
        std::string subject;
        std::string action; // what was being done, in German
        std::string reason; // what the host said
    };

    void record(Change change, std::string subject, std::string detail = {});
    void fail(std::string subject, std::string action, std::string reason);

    const std::vector<Entry>& changes() const { return changes_; }
    const std::vector<Failure>& failures() const { return failures_; }
    bool hasFailures() const { return !failures_.empty(); }
    // How many changes of one kind the run made.
    int count(Change change) const;

    // One German line per failure, for a message box or the terminal.
    std::vector<std::string> failureLines() const;

private:
    std::vector<Entry> changes_;
    std::vector<Failure> failures_;
};

// How the report names things.
std::string describeTask(int id, const std::string& name);
std::string describeAppointment(const std::string& subject);

} // namespace zelvant
