#include "engine/TasksToAppointments.h"

#include "engine/AppointmentSpan.h"
#include "engine/KeysInUse.h"

namespace zelvant {

BusyStatus busyStatusFromIndex(int index)
{
    if (index < 0 || index >= int(kBusyStatusNames.size()))
        index = kDefaultBusyIndex;
    return static_cast<BusyStatus>(index);
}

namespace {

using Change = RunReport::Change;

std::string countText(std::size_t n, std::size_t total)
{
    return std::to_string(n) + " von " + std::to_string(total);
}

// One run over the chosen tasks.
class TaskLinker {
public:
    TaskLinker(const EngineInputs& inputs, BusyStatus busy, LinkKeyGenerator& keys, const RunContext& context)
        : in_(inputs), context_(context), report_(context.report), keys_(keys), busy_(busy),
          fieldId_(GetFieldId(inputs.fieldName))
    {
    }

    void run(const std::vector<Task*>& chosen)
    {
        const std::size_t total = chosen.size();
        for (std::size_t n = 1; n <= total; ++n) {
            // Skipped tasks count too, so the texts always count all chosen tasks.
            context_.progress.showProgress(progressAt(5.0, 90.0, n, total),
                                           "Task " + countText(n, total) + " wird verkn\u00FCpft...");
            if (Task* task = chosen[n - 1])
                linkTask(*task);
        }
        context_.progress.showProgress(98.0, "Vorgang wird abgeschlossen...");
    }

private:
    void linkTask(Task& task)
    {
        const std::string who = describeTask(task);
        std::string value;
        if (!attempt(report_, who, "Verkn\u00FCpfung lesen", [&] { value = task.getField(fieldId_); }))
            return;
        if (!value.empty())
            return; // linked already: a task is never linked twice
        std::string name;
        if (!attempt(report_, who, "Namen lesen", [&] { name = task.name(); }))
            return;
        name = shortenName(task, who, name);

        std::vector<SplitPart> pieces;
        if (!attempt(report_, who, "Teile lesen", [&] { pieces = piecesOf(task); }))
            return;
        if (pieces.size() > std::size_t(kMaxParts)) {
            report_.fail(who, "Termine anlegen", "mehr als 1000 Teile");
            return;
        }
        // One key for all of the task's appointments.
        const std::string key = keys_.next();
        const int count = int(pieces.size());
        // All or nothing: a task linked to some of its parts would lose the others at the next
        // synchronisation, which reads a missing appointment as one deleted in the calendar.
        std::vector<AppointmentPtr> made;
        std::string lastValue;
        for (int i = 1; i <= count; ++i) {
            const SplitPart& piece = pieces[std::size_t(i - 1)];
            AppointmentPtr item = createAppointment(who, piece, i, count, key, name, lastValue);
            if (!item) {
                takeBack(who, made);
                return;
            }
            made.push_back(std::move(item));
        }
        // The task's field ends with the value of its last appointment, whose first three
        // characters are the number of parts minus one.
        if (!attempt(report_, who, "Verkn\u00FCpfung schreiben",
                     [&] { task.setField(fieldId_, lastValue); })) {
            takeBack(who, made); // without the task's side the appointments would be linked to nothing
            return;
        }
        for (std::size_t i = 0; i < made.size(); ++i)
            report_.record(Change::AppointmentCreated,
                           describeAppointment(link::subjectFor(name, int(i) + 1, count)),
                           formatGermanSpan(pieces[i].start, endOf(pieces[i])));
        report_.record(Change::TaskLinked, who,
                       std::to_string(count) + (count == 1 ? " Termin" : " Termine"));
    }

    static DateTime endOf(const SplitPart& piece) { return withEntryLength({piece.start, piece.finish}).end; }

    // Deletes the appointments made for a task that could not be linked after all.
    void takeBack(const std::string& who, const std::vector<AppointmentPtr>& made)
    {
        for (const AppointmentPtr& item : made)
            attempt(report_, who, "Termin l\u00F6schen", [&] { item->remove(); });
    }

    // The name within the length a link value can carry, written back to the plan when it was longer.
    std::string shortenName(Task& task, const std::string& who, const std::string& name)
    {
        std::string shortened = leftChars(name, kMaxNameLength);
        if (shortened != name && attempt(report_, who, "Namen k\u00FCrzen", [&] { task.setName(shortened); }))
            report_.record(Change::TaskRenamed, who, "auf 200 Zeichen gek\u00FCrzt");
        return shortened;
    }

    // The stretches that become appointments: the split parts, or start to finish for a
    // milestone or a summary task, which have none.
    static std::vector<SplitPart> piecesOf(Task& task)
    {
        std::vector<SplitPart> pieces;
        const int parts = task.splitPartCount();
        for (int k = 1; k <= parts; ++k)
            pieces.push_back(task.splitPart(k));
        if (pieces.empty())
            pieces.push_back({task.start(), task.finish()});
        return pieces;
    }

    // Creates and saves the appointment of piece `index` (from 1); nothing when that failed.
    AppointmentPtr createAppointment(const std::string& who, const SplitPart& piece, int index, int count,
                                     const std::string& key, const std::string& name, std::string& value)
    {
        const DateTime start = piece.start, end = endOf(piece);
        const std::string subject = link::subjectFor(name, index, count);
        value = link::build(index - 1, key, start, end, name);
        AppointmentPtr item;
        const bool saved = attempt(report_, who, "Termin anlegen", [&] {
            item = in_.calendar.createItem(kAppointmentItem);
            item->setStart(start);
            item->setEnd(end);
            item->setSubject(subject);
            item->setBusyStatus(busy_);
            writeLinkValue(*item, in_.propertyName, value, true);
            item->save();
        });
        return saved ? item : nullptr;
    }

    const EngineInputs& in_;
    const RunContext& context_;
    RunReport& report_;
    LinkKeyGenerator& keys_;
    const BusyStatus busy_;
    const int fieldId_;
};

} // namespace

void LinkTasksToAppointments(const EngineInputs& inputs, const std::vector<Task*>& chosen, BusyStatus busy,
                             LinkKeyGenerator& keys, const RunContext& context)
{
    reserveKeysInUse(inputs, keys);
    TaskLinker(inputs, busy, keys, context).run(chosen);
}

} // namespace zelvant
