#include "engine/AppointmentsToTasks.h"

#include "engine/KeysInUse.h"

namespace zelvant {

namespace {

using Change = RunReport::Change;

// What the run reads from one appointment before it links it.
struct Source {
    std::string name; // the subject within 200 characters
    DateTime start;
    DateTime end;
    std::string value;
};

// One run over the chosen appointments.
class AppointmentLinker {
public:
    AppointmentLinker(const EngineInputs& inputs, LinkKeyGenerator& keys, const RunContext& context)
        : in_(inputs), context_(context), report_(context.report), keys_(keys),
          fieldId_(GetFieldId(inputs.fieldName))
    {
    }

    void run(const std::vector<AppointmentPtr>& chosen)
    {
        const std::size_t total = chosen.size();
        for (std::size_t n = 1; n <= total; ++n) {
            context_.progress.showProgress(progressAt(5.0, 90.0, n, total),
                                           "Termin " + std::to_string(n) + " von " + std::to_string(total) +
                                               " wird verkn\u00FCpft...");
            if (const AppointmentPtr& item = chosen[n - 1])
                linkAppointment(*item);
        }
        context_.progress.showProgress(98.0, "Vorgang wird abgeschlossen...");
    }

private:
    void linkAppointment(AppointmentItem& item)
    {
        Source source;
        std::string subject;
        if (!attempt(report_, "Termin", "Termin lesen", [&] {
                subject = item.subject();
                source.start = truncateToMinute(item.start());
                source.end = truncateToMinute(item.end());
            }))
            return;
        source.name = leftChars(subject, kMaxNameLength);
        source.value = link::build(0, keys_.next(), source.start, source.end, source.name);
        const std::string what = describeAppointment(source.name);

        if (!attempt(report_, what, "Verkn\u00FCpfung schreiben", [&] {
                if (source.name != subject)
                    item.setSubject(source.name);
                writeLinkValue(item, in_.propertyName, source.value, false);
                item.save();
            }))
            return; // no task for an appointment that does not carry the link

        Task* task = nullptr;
        if (!attempt(report_, what, "Vorgang anlegen", [&] { task = &in_.project.addTask(); })) {
            takeBackLink(item, what);
            return;
        }
        if (!fillTask(*task, source)) {
            // A task without its link would be made a second time when the appointment is
            // chosen again: it goes with the link.
            attempt(report_, what, "Vorgang zur\u00FCcknehmen", [&] { in_.project.removeAddedTask(*task); });
            takeBackLink(item, what);
        }
    }

    // Schedules, names and links the new task; returns whether the link was written.
    bool fillTask(Task& task, const Source& source)
    {
        std::string who = describeTask(0, source.name);
        attempt(report_, who, "Vorgang lesen", [&] { who = describeTask(task.id(), source.name); });
        attempt(report_, who, "Einschr\u00E4nkung setzen", [&] {
            task.setConstraintType(ConstraintType::MustStartOn);
            task.setConstraintDate(source.start);
        });
        attempt(report_, who, "Dauer setzen", [&] {
            task.setDuration(
                context_.host.dateDifference(source.start, source.end, in_.project.baseCalendar()));
        });
        attempt(report_, who, "Namen setzen", [&] { task.setName(source.name); });
        if (!attempt(report_, who, "Verkn\u00FCpfung schreiben",
                     [&] { task.setField(fieldId_, source.value); }))
            return false;
        report_.record(Change::TaskCreated, who, formatGermanSpan(source.start, source.end));
        report_.record(Change::TaskLinked, who, "1 Termin");
        return true;
    }

    // An appointment whose task could not be linked loses its value again, so that it counts
    // as unlinked and can be chosen once more.
    void takeBackLink(AppointmentItem& item, const std::string& what)
    {
        attempt(report_, what, "Verkn\u00FCpfung zur\u00FCcknehmen", [&] {
            writeLinkValue(item, in_.propertyName, "", false);
            item.save();
        });
    }

    const EngineInputs& in_;
    const RunContext& context_;
    RunReport& report_;
    LinkKeyGenerator& keys_;
    const int fieldId_;
};

} // namespace

void LinkAppointmentsToTasks(const EngineInputs& inputs, const std::vector<AppointmentPtr>& chosen,
                             LinkKeyGenerator& keys, const RunContext& context)
{
    reserveKeysInUse(inputs, keys);
    AppointmentLinker(inputs, keys, context).run(chosen);
}

} // namespace zelvant
