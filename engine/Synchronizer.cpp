#include "engine/Synchronizer.h"

#include "engine/LinkedAppointments.h"

#include <chrono>
#include <sstream>

namespace zelvant {

namespace {

using Change = RunReport::Change;

// One sweep over the tasks. The synchronisation and the verification are the same sweep with
// another progress range and verb.
class SyncPass {
public:
    SyncPass(const EngineInputs& inputs, bool recreateDeleted, const RunContext& context)
        : in_(inputs), context_(context), report_(context.report), recreateDeleted_(recreateDeleted),
          fieldId_(GetFieldId(inputs.fieldName)), linked_(inputs.folder, inputs.propertyName, report_)
    {
    }

    void run(const std::vector<Task*>& tasks, double progressOffset, const char* verb)
    {
        const auto total = tasks.size();
        for (std::size_t i = 1; i <= total; ++i) {
            context_.progress.showProgress(double(i) * 45.0 / double(total) + progressOffset,
                                           "Task " + std::to_string(i) + " von " + std::to_string(total) + verb);
            syncTask(*tasks[i - 1]);
        }
    }

private:
    // What a task's pass works on once its appointments are matched.
    struct TaskState {
        Task& task;
        std::string who;   // how the report names the task
        std::string value; // the task's link value
        std::string key;
        std::vector<std::size_t> matched; // entries of the linked list, ascending by start date
        bool changedInCalendar = false;
    };

    void syncTask(Task& task)
    {
        TaskState t{task, describeTask(task), {}, {}, {}, false};
        if (!attempt(report_, t.who, "Verknüpfung lesen", [&] { t.value = task.getField(fieldId_); }))
            return;
        if (t.value.empty())
            return; // not linked
        t.key = std::string(link::key(t.value));

        matchAppointments(t);
        if (!t.matched.empty())
            renameFromFirstAppointment(t);

        // Count check: the task expects its part count + 1 appointments.
        attempt(report_, t.who, "Verknüpfung lesen", [&] { t.value = task.getField(fieldId_); });
        const auto count = link::partCount(t.value);
        if (!count || *count + 1 != int(t.matched.size()))
            t.changedInCalendar = true;

        if (t.matched.empty())
            noAppointmentLeft(t);
        else if (!t.changedInCalendar)
            taskWins(t);
        else
            appointmentsWin(t);
    }

    // Finds the task's appointments by key, notes whether any of them was moved in the calendar,
    // and orders them by start date; of two on the same day, the one met later comes first.
    void matchAppointments(TaskState& t)
    {
        std::vector<DateTime> startDays;
        for (std::size_t entry : linked_.withKey(t.key)) {
            AppointmentItem& item = linked_.item(entry);
            DateTime start, end;
            if (!attempt(report_, t.who, "Termin lesen", [&] {
                    start = truncateToMinute(item.start());
                    end = truncateToMinute(item.end());
                }))
                continue;
            if (!t.changedInCalendar) {
                // Stored and current times are compared as values, to the minute.
                const std::string& value = linked_.value(entry);
                if (link::storedStart(value) != start || link::storedEnd(value) != end)
                    t.changedInCalendar = true;
            }
            const DateTime day{dateOf(start)};
            std::size_t pos = startDays.size();
            while (pos > 0 && startDays[pos - 1] >= day)
                --pos;
            startDays.insert(startDays.begin() + std::ptrdiff_t(pos), day);
            t.matched.insert(t.matched.begin() + std::ptrdiff_t(pos), entry);
        }
    }

    // A subject changed in the calendar renames the task; the calendar wins.
    void renameFromFirstAppointment(TaskState& t)
    {
        const std::size_t first = t.matched.front();
        AppointmentItem& item = linked_.item(first);
        std::string subject;
        if (!attempt(report_, t.who, "Betreff lesen", [&] { subject = item.subject(); }))
            return;
        // Only the " (k)" this program appends to the appointments of a split task is not part
        // of the name; a task that has a single appointment keeps a name like "Review (A)".
        const auto count = link::partCount(t.value);
        // The subject is compared without it; every branch that follows writes the subject anew,
        // so the appointment itself is not saved a second time just to drop the suffix.
        if ((count && *count >= 1) || t.matched.size() >= 2)
            subject = link::withoutPartSuffix(subject);
        if (link::storedName(linked_.value(first)) != subject) {
            const std::string name = leftChars(subject, kMaxNameLength);
            std::string old;
            if (attempt(report_, t.who, "Umbenennen", [&] {
                    old = t.task.name();
                    t.task.setName(name);
                }) &&
                old != name)
                report_.record(Change::TaskRenamed, t.who, "\u201E" + old + "\u201C \u2192 \u201E" + name + "\u201C");
        }
    }

    std::string currentName(TaskState& t)
    {
        std::string name;
        attempt(report_, t.who, "Namen lesen", [&] { name = t.task.name(); });
        return name;
    }

    // The task wins: its split parts (or its start and finish) are written to the appointments.
    void taskWins(TaskState& t)
    {
        int parts = 0;
        attempt(report_, t.who, "Teile lesen", [&] { parts = t.task.splitPartCount(); });
        if (parts == 0)
            taskWinsWithoutParts(t);
        else
            taskWinsWithParts(t, parts);
    }

    void taskWinsWithParts(TaskState& t, int parts)
    {
        const std::string name = currentName(t);
        if (parts > kMaxParts) {
            report_.fail(t.who, "Termine schreiben", "mehr als 1000 Teile");
            return;
        }
        DateTime lastStart{}, lastEnd{};
        bool allWritten = true;
        const int matched = int(t.matched.size());
        for (int k = 1; k <= parts; ++k) {
            SplitPart part{};
            if (!attempt(report_, t.who, "Teil lesen", [&] { part = t.task.splitPart(k); })) {
                allWritten = false;
                continue;
            }
            const DateTime start = truncateToMinute(part.start), end = truncateToMinute(part.finish);
            const std::string subject = link::subjectFor(name, k, parts);
            const std::string value = link::build(k - 1, t.key, start, end, name);
            bool written = false;
            if (k > matched) {
                // More parts than appointments: the task was split in the plan.
                written = createAppointment(start, end, subject, value, false);
            } else {
                written = rewriteAppointment(t.matched[std::size_t(k - 1)], start, end, subject, value);
            }
            allWritten = allWritten && written;
            lastStart = start;
            lastEnd = end;
        }
        // The task's value only changes once every appointment carries it: a task never
        // points at dates the calendar did not get.
        if (allWritten)
            attempt(report_, t.who, "Verknüpfung schreiben",
                    [&] { t.task.setField(fieldId_, link::build(parts - 1, t.key, lastStart, lastEnd, name)); });
        // Fewer parts than appointments: the ones left over go.
        for (int k = parts + 1; k <= matched; ++k)
            deleteAppointment(t, t.matched[std::size_t(k - 1)]);
    }

    // A milestone or a summary task: the first appointment gets the task's start and finish.
    void taskWinsWithoutParts(TaskState& t)
    {
        DateTime start{}, end{};
        if (!attempt(report_, t.who, "Termine lesen", [&] {
                start = t.task.start();
                end = t.task.finish();
            }))
            return;
        if (end == start)
            end = start + Minutes{1}; // a calendar entry needs a length
        const std::string name = currentName(t);
        const std::string value = link::build(0, t.key, start, end, name);
        if (rewriteAppointment(t.matched.front(), start, end, name, value))
            attempt(report_, t.who, "Verknüpfung schreiben", [&] { t.task.setField(fieldId_, value); });
    }

    // The appointments win: the task takes its dates, duration and split parts from them.
    void appointmentsWin(TaskState& t)
    {
        const int n = int(t.matched.size());
        int parts = 0;
        attempt(report_, t.who, "Teile lesen", [&] { parts = t.task.splitPartCount(); });
        // From the last part down: the plan renumbers the parts after each deletion.
        for (int k = parts; k >= 2; --k)
            attempt(report_, t.who, "Teil entfernen", [&] { t.task.deleteSplitPart(k); });

        for (int k = 1; k <= n; ++k) {
            AppointmentItem& item = linked_.item(t.matched[std::size_t(k - 1)]);
            DateTime start{}, end{};
            if (!attempt(report_, t.who, "Termin lesen", [&] {
                    start = truncateToMinute(item.start());
                    end = truncateToMinute(item.end());
                }))
                continue;
            if (k >= 2) {
                attempt(report_, t.who, "Teil hinzuf\u00FCgen", [&] { t.task.addSplitPart(start, end); });
                continue;
            }
            scheduleFromFirstAppointment(t, start, end, n);
        }
        rewriteAppointmentsFromThemselves(t);
    }

    void scheduleFromFirstAppointment(TaskState& t, DateTime start, DateTime end, int n)
    {
        // Up to a minute (and a second) long: the task is a milestone.
        const bool milestone = end - start <= std::chrono::seconds{61};
        attempt(report_, t.who, "Vorgangsart setzen", [&] { t.task.setType(TaskType::FixedDuration); });
        attempt(report_, t.who, "Einschr\u00E4nkung setzen", [&] {
            t.task.setConstraintType(ConstraintType::MustStartOn);
            t.task.setConstraintDate(start);
        });
        attempt(report_, t.who, "Dauer setzen", [&] {
            Minutes duration{0};
            if (!milestone) {
                const std::string calendar = t.task.calendarName();
                const std::string on = calendar == kNoTaskCalendar ? in_.project.baseCalendar() : calendar;
                duration = context_.host.dateDifference(start, end, on);
            }
            t.task.setDuration(duration);
        });
        report_.record(Change::TaskRescheduled, t.who, formatGermanSpan(start, end));
        const std::string name = currentName(t);
        attempt(report_, t.who, "Verknüpfung schreiben",
                [&] { t.task.setField(fieldId_, link::build(n - 1, t.key, start, end, name)); });
    }

    // After the appointments won, each keeps its times and gets the task's name and a fresh
    // value, so that the verification pass sees them unchanged.
    void rewriteAppointmentsFromThemselves(TaskState& t)
    {
        int parts = 0;
        attempt(report_, t.who, "Teile lesen", [&] { parts = t.task.splitPartCount(); });
        const std::string name = currentName(t);
        for (std::size_t k = 1; k <= t.matched.size(); ++k) {
            const std::size_t entry = t.matched[k - 1];
            AppointmentItem& item = linked_.item(entry);
            const std::string subject = link::subjectFor(name, int(k), parts);
            attempt(report_, describeAppointment(subject), "Termin schreiben", [&] {
                const DateTime start = item.start(), end = item.end();
                const std::string value = link::build(int(k) - 1, link::key(linked_.value(entry)), start, end, name);
                item.setSubject(subject);
                writeLinkValue(item, in_.propertyName, value, false);
                item.save();
                linked_.setValue(entry, value);
            });
        }
    }

    // None of the task's appointments exists any more.
    void noAppointmentLeft(TaskState& t)
    {
        if (!recreateDeleted_) {
            if (attempt(report_, t.who, "Verknüpfung entfernen", [&] { t.task.setField(fieldId_, ""); }))
                report_.record(Change::TaskUnlinked, t.who, "alle Termine gel\u00F6scht");
            return;
        }
        std::vector<SplitPart> parts;
        DateTime start{}, finish{};
        if (!attempt(report_, t.who, "Vorgang lesen", [&] {
                start = t.task.start();
                finish = t.task.finish();
                const int count = t.task.splitPartCount();
                for (int k = 1; k <= count; ++k)
                    parts.push_back(t.task.splitPart(k));
            }))
            return;
        const std::string name = currentName(t);
        if (parts.empty()) {
            const DateTime end = finish == start ? start + Minutes{1} : finish;
            const std::string value = link::build(0, t.key, start, end, name);
            if (createAppointment(start, end, name, value, true))
                attempt(report_, t.who, "Verknüpfung schreiben", [&] { t.task.setField(fieldId_, value); });
            return;
        }
        const int count = int(parts.size());
        bool anySaved = false;
        for (int k = 1; k <= count; ++k) {
            const SplitPart& part = parts[std::size_t(k - 1)];
            const std::string value = link::build(k - 1, t.key, part.start, part.finish, name);
            anySaved |= createAppointment(part.start, part.finish, link::subjectFor(name, k, count), value, true);
        }
        if (anySaved)
            attempt(report_, t.who, "Verknüpfung schreiben",
                    [&] { t.task.setField(fieldId_, link::build(count - 1, t.key, start, finish, name)); });
    }

    bool createAppointment(DateTime start, DateTime end, const std::string& subject,
                           const std::string& value, bool addToFolderFields)
    {
        const bool saved = attempt(report_, describeAppointment(subject), "Termin anlegen", [&] {
            AppointmentPtr item = in_.calendar.createItem(kAppointmentItem);
            item->setStart(start);
            item->setEnd(end);
            item->setSubject(subject);
            writeLinkValue(*item, in_.propertyName, value, addToFolderFields);
            item->save();
        });
        if (saved)
            report_.record(Change::AppointmentCreated, describeAppointment(subject), formatGermanSpan(start, end));
        return saved;
    }

    bool rewriteAppointment(std::size_t entry, DateTime start, DateTime end,
                            const std::string& subject, const std::string& value)
    {
        AppointmentItem& item = linked_.item(entry);
        DateTime oldStart{}, oldEnd{};
        std::string oldSubject;
        const bool saved = attempt(report_, describeAppointment(subject), "Termin schreiben", [&] {
            oldStart = item.start();
            oldEnd = item.end();
            oldSubject = item.subject();
            item.setStart(start);
            item.setEnd(end);
            item.setSubject(subject);
            writeLinkValue(item, in_.propertyName, value, true);
            item.save();
        });
        if (!saved)
            return false;
        linked_.setValue(entry, value);
        if (oldStart != start || oldEnd != end)
            report_.record(Change::AppointmentMoved, describeAppointment(subject),
                           formatGermanSpan(oldStart, oldEnd) + " \u2192 " + formatGermanSpan(start, end));
        if (oldSubject != subject)
            report_.record(Change::AppointmentRenamed, describeAppointment(subject), "vorher \u201E" + oldSubject + "\u201C");
        return true;
    }

    void deleteAppointment(TaskState& t, std::size_t entry)
    {
        AppointmentItem& item = linked_.item(entry);
        std::string subject;
        if (attempt(report_, t.who, "Termin l\u00F6schen", [&] {
                subject = item.subject();
                item.remove();
            })) {
            linked_.markDeleted(entry);
            report_.record(Change::AppointmentDeleted, describeAppointment(subject));
        }
    }

    const EngineInputs& in_;
    const RunContext& context_;
    RunReport& report_;
    const bool recreateDeleted_;
    const int fieldId_;
    LinkedAppointments linked_;
};

} // namespace

void SyncTasks(const EngineInputs& inputs, const std::vector<Task*>& tasks, bool recreateDeleted,
               const RunContext& context)
{
    SyncPass(inputs, recreateDeleted, context).run(tasks, 5.0, " wird synchronisiert...");
    VerifyTasks(inputs, tasks, recreateDeleted, context);
}

void VerifyTasks(const EngineInputs& inputs, const std::vector<Task*>& tasks, bool recreateDeleted,
                 const RunContext& context)
{
    SyncPass(inputs, recreateDeleted, context).run(tasks, 50.0, " wird \u00FCberpr\u00FCft...");
}

} // namespace zelvant
