#include "engine/LinkRemoval.h"

#include "engine/LinkedAppointments.h"

namespace zelvant {

namespace {

using Change = RunReport::Change;

// One run over the rows; the linked appointments are taken once at its start.
class LinkRemover {
public:
    LinkRemover(const EngineInputs& inputs, const RunContext& context)
        : in_(inputs), context_(context), report_(context.report), fieldId_(GetFieldId(inputs.fieldName)),
          linked_(inputs.folder, inputs.propertyName, report_)
    {
    }

    void run(const std::vector<LinkRow>& rows)
    {
        const std::size_t total = rows.size();
        for (std::size_t n = 1; n <= total; ++n) {
            context_.progress.showProgress(progressAt(5.0, 90.0, n, total),
                                           "Verkn\u00FCpfung " + std::to_string(n) + " von " +
                                               std::to_string(total) + " wird entfernt...");
            if (rows[n - 1].ticked)
                removeRow(rows[n - 1]);
        }
    }

private:
    void removeRow(const LinkRow& row)
    {
        Task* task = nullptr;
        std::string who = describeTask(row.taskId, std::string(link::storedName(row.linkValue)));
        if (attempt(report_, who, "Vorgang suchen", [&] { task = &in_.project.taskById(row.taskId); }))
            attempt(report_, who, "Namen lesen", [&] { who = describeTask(row.taskId, task->name()); });

        if (!clearAppointments(row, task)) {
            report_.fail(who, "Verkn\u00FCpfung entfernen", "ein Termin beh\u00E4lt seine Verkn\u00FCpfung");
            return; // the task keeps its link, so a second removal finds the rest
        }
        if (task &&
            attempt(report_, who, "Verkn\u00FCpfung entfernen", [&] { task->setField(fieldId_, ""); }))
            report_.record(Change::TaskUnlinked, who);
    }

    // Empties the link value of the row's appointments in folder order, stopping once the task's
    // part count + 1 of them were handled; returns false when one of them could not be saved.
    bool clearAppointments(const LinkRow& row, Task* task)
    {
        const std::string key{link::key(row.linkValue)};
        if (key.empty())
            return true; // a value without a key matches no appointment
        const int parts = partCount(row, task);
        int handled = 0;
        bool allSaved = true;
        for (std::size_t entry : linked_.withKey(key)) {
            AppointmentItem& item = linked_.item(entry);
            std::string current;
            // The value as it is now: a row before this one may have emptied it already.
            try {
                current = readLinkValue(item, in_.propertyName);
            } catch (const std::exception& error) {
                // It may still carry the key: the row does not count as done.
                report_.fail(describeAppointment(""), "Verkn\u00FCpfung lesen", error.what());
                allSaved = false;
                continue;
            }
            if (link::key(current) != key)
                continue;
            allSaved &= clearAppointment(entry);
            if (handled >= parts)
                break;
            ++handled;
        }
        return allSaved;
    }

    bool clearAppointment(std::size_t entry)
    {
        AppointmentItem& item = linked_.item(entry);
        std::string subject;
        try {
            subject = item.subject();
        } catch (const std::exception&) {
            // The subject only names the appointment in the report; the link is what matters.
        }
        const std::string what = describeAppointment(subject);
        if (!attempt(report_, what, "Verkn\u00FCpfung entfernen", [&] {
                writeLinkValue(item, in_.propertyName, "", false);
                item.save();
            }))
            return false;
        linked_.setValue(entry, "");
        report_.record(Change::AppointmentUnlinked, what);
        return true;
    }

    // The task's part count from its field as it is now; from the row's value when the task
    // cannot be read; 0 when neither holds a number.
    int partCount(const LinkRow& row, Task* task)
    {
        std::string value = row.linkValue;
        if (task) {
            try {
                value = task->getField(fieldId_);
            } catch (const std::exception&) {
                // The row's value, read when the list was made, stands in for it.
            }
        }
        return link::partCount(value).value_or(0);
    }

    const EngineInputs& in_;
    const RunContext& context_;
    RunReport& report_;
    const int fieldId_;
    LinkedAppointments linked_;
};

} // namespace

void RemoveLinks(const EngineInputs& inputs, const std::vector<LinkRow>& rows, const RunContext& context)
{
    LinkRemover(inputs, context).run(rows);
}

} // namespace zelvant
