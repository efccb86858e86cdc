#include "engine/Synchronizer.h"

#include "engine/AppointmentSpan.h"
#include "engine/LinkedAppointments.h"
#include "engine/SyncRules.h"

#include <algorithm>
#include <chrono>
#include <compare>
#include <functional>
#include <string_view>

namespace zelvant {

namespace {

using Change = RunReport::Change;

// One of a task's appointments as the pass found it.
struct Found {
    std::size_t entry = 0;
    Span span;  // to the minute, as the link value stores it
    Span exact; // as the item has it, to set it back after a failed write
    bool allDay = false;
    std::string subject;
    std::string value;
    BusyStatus busy = BusyStatus::Busy;
};

// One change to an appointment.
struct AppointmentChange {
    enum class Kind { Create, Rewrite, Delete };
    Kind kind = Kind::Rewrite;
    std::size_t found = 0; // Rewrite, Delete: index into TaskPlan::found
    Span span;             // Create, Rewrite: the times it shows afterwards
    std::string subject;
    std::string value;
    BusyStatus busy = BusyStatus::Busy; // Create
};

// Everything a pass does to one task, decided before anything is written.
struct TaskPlan {
    Task* task = nullptr;
    std::string who;
    std::string value;           // the task's link value as read; empty: not linked
    std::string name;            // the task's name after the run
    std::string oldName;         // differs from `name` when the calendar renamed the task
    std::vector<Found> found;    // ascending by start date
    std::vector<Span> stretches; // the task's parts; one stretch from start to finish without parts
    std::string calendar;        // the calendar its working time is counted on
    SyncSituation situation;
    const SyncRule* rule = nullptr;
    std::string problem;
    std::vector<AppointmentChange> changes;
    std::string newValue;

    bool linked() const { return !value.empty() || situation.unreadable; }
    // The link key, which every value of the link carries.
    std::string_view key() const { return link::key(value); }
    bool takesAway() const
    {
        if (rule && rule->action == SyncAction::Unlink)
            return true;
        for (const AppointmentChange& c : changes)
            if (c.kind == AppointmentChange::Kind::Delete)
                return true;
        return false;
    }
};

// The progress of a sweep: "Task i von n" and the sweep's verb, from the sweep's offset on.
class ProgressSteps {
public:
    ProgressSteps(ProgressSink& progress, std::size_t total, double offset, const char* verb)
        : progress_(progress), total_(total), offset_(offset), verb_(verb)
    {
    }

    void show(std::size_t task)
    {
        // The text is written over for each task, so that its room is made once.
        message_.assign("Task ")
            .append(std::to_string(task))
            .append(" von ")
            .append(std::to_string(total_))
            .append(verb_);
        progress_.showProgress(progressAt(offset_, 45.0, task, total_), message_);
    }

private:
    ProgressSink& progress_;
    std::size_t total_;
    double offset_;
    const char* verb_;
    std::string message_;
};

// One sweep over the tasks: read both sides, decide per task, then apply task by task. The
// synchronisation and the verification are the same sweep with another progress range and verb.
class SyncPass {
public:
    SyncPass(const EngineInputs& inputs, const SyncOptions& options, const RunContext& context)
        : in_(inputs), options_(options), context_(context), report_(context.report),
          fieldId_(GetFieldId(inputs.fieldName)), linked_(inputs.folder, inputs.propertyName, report_)
    {
    }

    // Fills `plans`, one per task; what they held before goes, the room they took stays.
    void decide(const std::vector<Task*>& tasks, std::vector<TaskPlan>& plans)
    {
        plans.clear();
        plans.reserve(tasks.size());
        for (Task* task : tasks)
            plans.push_back(readValue(*task));
        markSharedKeys(plans);
        for (TaskPlan& p : plans) {
            read(p);
            if (p.linked())
                plan(p);
        }
    }

    void apply(std::vector<TaskPlan>& plans, double progressOffset, const char* verb)
    {
        ProgressSteps steps(context_.progress, plans.size(), progressOffset, verb);
        for (std::size_t i = 1; i <= plans.size(); ++i) {
            steps.show(i);
            TaskPlan& p = plans[i - 1];
            if (p.linked())
                applyPlan(p);
        }
    }

private:
    // Each task's link value is read once, before any task is read further, so that a key on
    // two tasks is seen before either is touched.
    TaskPlan readValue(Task& task)
    {
        TaskPlan p;
        p.task = &task;
        p.situation.recreateDeleted = options_.recreateDeleted;
        try {
            p.value = task.getField(fieldId_);
        } catch (const std::exception& error) {
            // Not linked as far as this pass knows: nothing else of it is read or written.
            report_.fail(describeTask(task), "Verkn\u00FCpfung lesen", error.what());
        }
        return p;
    }

    // Tasks that carry the same key are told which others carry it; none of them is touched.
    void markSharedKeys(std::vector<TaskPlan>& plans)
    {
        // The linked plans sorted by their key's hash, then by key and plan order: tasks sharing
        // a key lie side by side, and mostly numbers are compared to get there.
        struct Keyed {
            std::size_t hash;
            std::string_view key;
            std::size_t plan;
            auto operator<=>(const Keyed&) const = default;
        };
        std::vector<Keyed> keyed;
        keyed.reserve(plans.size());
        for (std::size_t i = 0; i < plans.size(); ++i)
            if (!plans[i].value.empty())
                keyed.push_back({std::hash<std::string_view>{}(plans[i].key()), plans[i].key(), i});
        std::sort(keyed.begin(), keyed.end());
        for (std::size_t first = 0; first < keyed.size();) {
            std::size_t end = first + 1;
            while (end < keyed.size() && keyed[end].key == keyed[first].key)
                ++end;
            for (std::size_t a = first; end - first > 1 && a < end; ++a) {
                TaskPlan& p = plans[keyed[a].plan];
                p.situation.keyShared = true;
                for (std::size_t b = first; b < end; ++b)
                    if (b != a)
                        p.problem += (p.problem.empty() ? "auch an " : ", ") +
                                     describeTask(*plans[keyed[b].plan].task);
                p.problem += "; eine der Verkn\u00FCpfungen l\u00F6sen (zelvant unlink --tasks NR)";
            }
            first = end;
        }
    }

    // --- Reading -------------------------------------------------------------------------------

    void read(TaskPlan& p)
    {
        if (p.value.empty())
            return;
        p.who = describeTask(*p.task);
        SyncSituation& s = p.situation;
        s.unreadable = !readTask(p) || !readAppointments(p);
        if (s.unreadable)
            return;
        s.appointments = int(p.found.size());
        s.tooManyParts =
            p.found.size() > std::size_t(kMaxParts) || p.stretches.size() > std::size_t(kMaxParts);
        const auto count = link::partCount(p.value);
        if (!count || *count + 1 != s.appointments)
            s.calendarChanged = true;
        renameFromFirstAppointment(p);
    }

    bool readTask(TaskPlan& p)
    {
        return attempt(report_, p.who, "Vorgang lesen", [&] {
            Task& task = *p.task;
            p.name = p.oldName = task.name();
            const int parts = task.splitPartCount();
            for (int k = 1; k <= parts; ++k) {
                const SplitPart part = task.splitPart(k);
                p.stretches.push_back({truncateToMinute(part.start), truncateToMinute(part.finish)});
            }
            if (p.stretches.empty())
                p.stretches.push_back({truncateToMinute(task.start()), truncateToMinute(task.finish())});
            const std::string calendar = task.calendarName();
            p.calendar = calendar == kNoTaskCalendar ? in_.project.baseCalendar() : calendar;
        });
    }

    // Finds the task's appointments by key, notes whether any was moved in the calendar, and
    // orders them by start date; of two on the same day, the one met later comes first.
    bool readAppointments(TaskPlan& p)
    {
        const std::vector<std::size_t> entries = linked_.withKey(p.key());
        p.found.reserve(entries.size());
        for (std::size_t entry : entries) {
            AppointmentItem& item = linked_.item(entry);
            Found f;
            f.entry = entry;
            f.value = linked_.value(entry);
            if (!attempt(report_, p.who, "Termin lesen", [&] {
                    f.exact = {item.start(), item.end()};
                    f.allDay = item.allDayEvent();
                    f.subject = item.subject();
                    f.busy = item.busyStatus();
                }))
                return false; // deciding without it would take it for deleted in the calendar
            f.span = {truncateToMinute(f.exact.start), truncateToMinute(f.exact.end)};
            // Stored and current times are compared as values, to the minute.
            if (link::storedStart(f.value) != f.span.start || link::storedEnd(f.value) != f.span.end)
                p.situation.calendarChanged = true;
            const auto day = dateOf(f.span.start);
            std::size_t pos = p.found.size();
            while (pos > 0 && dateOf(p.found[pos - 1].span.start) >= day)
                --pos;
            p.found.insert(p.found.begin() + std::ptrdiff_t(pos), std::move(f));
        }
        return true;
    }

    // A subject changed in the calendar renames the task; the calendar wins.
    static void renameFromFirstAppointment(TaskPlan& p)
    {
        if (p.found.empty())
            return;
        const Found& first = p.found.front();
        std::string subject = first.subject;
        // Only the " (k)" this program appends to the appointments of a split task is not part
        // of the name; a task that has a single appointment keeps a name like "Review (A)".
        const auto count = link::partCount(p.value);
        if ((count && *count >= 1) || p.found.size() >= 2)
            subject = link::withoutPartSuffix(subject);
        if (link::storedName(first.value) != subject)
            p.name = leftChars(subject, kMaxNameLength);
    }

    // --- Deciding ------------------------------------------------------------------------------

    void plan(TaskPlan& p)
    {
        p.rule = &zelvant::decide(p.situation);
        switch (p.rule->action) {
        case SyncAction::Leave:
        case SyncAction::Unlink:
            break;
        case SyncAction::CalendarWins:
            planCalendarWins(p);
            break;
        case SyncAction::Recreate:
        case SyncAction::PlanWins:
            planPlanWins(p);
            break;
        }
    }

    // The task's parts go to its appointments: the first ones are rewritten where they say
    // something else, missing ones are created, and those left over are deleted.
    void planPlanWins(TaskPlan& p)
    {
        using Kind = AppointmentChange::Kind;
        const int parts = int(p.stretches.size());
        const int found = int(p.found.size());
        const WorkBetween work = [&](DateTime from, DateTime to) {
            return context_.host.dateDifference(from, to, p.calendar);
        };
        std::string lastValue; // the last part's value is the task's new value too
        for (int k = 0; k < parts; ++k) {
            const std::string subject = link::subjectFor(p.name, k + 1, parts);
            if (k < found) {
                const Found& f = p.found[std::size_t(k)];
                Span span = f.span;
                const bool computed = attempt(report_, p.who, "Arbeitszeit berechnen", [&] {
                    span = appointmentSpanFor(f.span, f.allDay, p.stretches[std::size_t(k)], work);
                });
                if (!computed) {
                    p.situation.unreadable = true; // told in the report already
                    p.rule = &leaveRule();
                    p.changes.clear();
                    return;
                }
                std::string value = link::build(k, p.key(), span.start, span.end, p.name);
                if (span != f.span || subject != f.subject || value != f.value)
                    p.changes.push_back({Kind::Rewrite, std::size_t(k), span, subject, value});
                lastValue = std::move(value);
            } else {
                // A part the calendar has no appointment for yet: the task was split in the plan,
                // or its appointments are made again. It looks like its siblings.
                const Span span = withEntryLength(p.stretches[std::size_t(k)]);
                const BusyStatus busy = found > 0 ? p.found.front().busy : options_.busyForNew;
                lastValue = link::build(k, p.key(), span.start, span.end, p.name);
                p.changes.push_back({Kind::Create, 0, span, subject, lastValue, busy});
            }
        }
        for (int k = parts; k < found; ++k)
            p.changes.push_back({Kind::Delete, std::size_t(k), {}, {}, {}});
        p.newValue = std::move(lastValue);
    }

    // The appointments keep their times; each gets its index, the task's name and a fresh value,
    // so that the next pass finds them unchanged.
    void planCalendarWins(TaskPlan& p)
    {
        const int n = int(p.found.size());
        for (int k = 0; k < n; ++k) {
            const Found& f = p.found[std::size_t(k)];
            const std::string subject = link::subjectFor(p.name, k + 1, n);
            const std::string value = link::build(k, link::key(f.value), f.span.start, f.span.end, p.name);
            if (subject != f.subject || value != f.value)
                p.changes.push_back(
                    {AppointmentChange::Kind::Rewrite, std::size_t(k), f.span, subject, value});
        }
        const Span& last = p.found.back().span;
        p.newValue = link::build(n - 1, p.key(), last.start, last.end, p.name);
    }

    static const SyncRule& leaveRule() { return syncRules().front(); }

    // --- Applying ------------------------------------------------------------------------------

    void applyPlan(TaskPlan& p)
    {
        switch (p.rule->action) {
        case SyncAction::Leave:
            // A read failure is in the report already; the other reasons are told here.
            if (!p.situation.unreadable)
                report_.fail(p.who, "Synchronisieren",
                             std::string(p.rule->situation) + (p.problem.empty() ? "" : ": " + p.problem));
            return;
        case SyncAction::Unlink:
            if (attempt(report_, p.who, "Verkn\u00FCpfung entfernen",
                        [&] { p.task->setField(fieldId_, ""); }))
                report_.record(Change::TaskUnlinked, p.who, "alle Termine gel\u00F6scht");
            return;
        case SyncAction::CalendarWins:
            if (!rename(p))
                return;
            if (!reschedule(p) || !rewriteAll(p)) {
                takeBackRename(p);
                return;
            }
            if (!setTaskValue(p)) {
                takeBackRewrites(p);
                takeBackRename(p);
                return;
            }
            reportRename(p);
            reportRewrites(p);
            return;
        case SyncAction::Recreate:
        case SyncAction::PlanWins:
            applyPlanWins(p);
            return;
        }
    }

    // All or nothing: what was created is removed again and what was rewritten set back when a
    // later step fails; appointments are deleted only once everything else has landed.
    void applyPlanWins(TaskPlan& p)
    {
        if (!rename(p))
            return;
        std::vector<AppointmentPtr> created;
        for (const AppointmentChange& change : p.changes) {
            if (change.kind != AppointmentChange::Kind::Create)
                continue;
            AppointmentPtr item = create(p, change);
            if (!item) {
                removeCreated(p, created);
                takeBackRename(p);
                return;
            }
            created.push_back(std::move(item));
        }
        if (!rewriteAll(p)) {
            removeCreated(p, created);
            takeBackRename(p);
            return;
        }
        if (!setTaskValue(p)) {
            takeBackRewrites(p);
            removeCreated(p, created);
            takeBackRename(p);
            return;
        }
        reportRename(p);
        reportRewrites(p);
        for (const AppointmentChange& change : p.changes)
            if (change.kind == AppointmentChange::Kind::Create)
                report_.record(Change::AppointmentCreated, describeAppointment(change.subject),
                               formatGermanSpan(change.span.start, change.span.end));
        for (const AppointmentChange& change : p.changes)
            if (change.kind == AppointmentChange::Kind::Delete)
                remove(p, p.found[change.found]);
    }

    bool rename(TaskPlan& p)
    {
        if (p.name == p.oldName)
            return true;
        // Without it the appointments would carry a name the task does not have.
        return attempt(report_, p.who, "Umbenennen", [&] { p.task->setName(p.name); });
    }

    // The rest of the task's changes did not land: it keeps its name until they do.
    void takeBackRename(TaskPlan& p)
    {
        if (p.name != p.oldName)
            attempt(report_, p.who, "Umbenennen zur\u00FCcknehmen", [&] { p.task->setName(p.oldName); });
    }

    void reportRename(const TaskPlan& p)
    {
        if (p.name != p.oldName)
            report_.record(Change::TaskRenamed, p.who,
                           "\u201E" + p.oldName + "\u201C \u2192 \u201E" + p.name + "\u201C");
    }

    // The task takes its schedule from the appointments: the first one fixes its start and
    // duration, every further one is a split part. The first step that fails stops it; the
    // appointments then keep their old values, so the next run finds them changed and tries again.
    bool reschedule(TaskPlan& p)
    {
        Task& task = *p.task;
        const Span& first = p.found.front().span;
        // Up to a minute long: the task is a milestone.
        const bool milestone = first.end - first.start <= std::chrono::seconds{61};
        const bool done = attempt(report_, p.who, "Vorgang neu terminieren", [&] {
            // From the last part down: the plan renumbers the parts after each deletion.
            for (int k = task.splitPartCount(); k >= 2; --k)
                task.deleteSplitPart(k);
            task.setType(TaskType::FixedDuration);
            task.setConstraintType(ConstraintType::MustStartOn);
            task.setConstraintDate(first.start);
            task.setDuration(milestone ? Minutes{0}
                                       : context_.host.dateDifference(first.start, first.end, p.calendar));
            for (std::size_t k = 1; k < p.found.size(); ++k)
                task.addSplitPart(p.found[k].span.start, p.found[k].span.end);
        });
        if (done)
            report_.record(Change::TaskRescheduled, p.who, formatGermanSpan(first.start, first.end));
        return done;
    }

    // Rewrites the appointments the plan changes, all or none.
    bool rewriteAll(TaskPlan& p)
    {
        std::vector<const AppointmentChange*> done;
        for (const AppointmentChange& change : p.changes) {
            if (change.kind != AppointmentChange::Kind::Rewrite)
                continue;
            if (!rewrite(p, change, p.found[change.found])) {
                for (const AppointmentChange* back : done)
                    takeBack(p, p.found[back->found]);
                return false;
            }
            done.push_back(&change);
        }
        return true;
    }

    // The task's link value could not follow: its appointments get their old state back.
    void takeBackRewrites(TaskPlan& p)
    {
        for (const AppointmentChange& change : p.changes)
            if (change.kind == AppointmentChange::Kind::Rewrite)
                takeBack(p, p.found[change.found]);
    }

    // The rewrites landed with the task's value: later tasks see the new values, the report the changes.
    void reportRewrites(TaskPlan& p)
    {
        for (const AppointmentChange& change : p.changes) {
            if (change.kind != AppointmentChange::Kind::Rewrite)
                continue;
            const Found& f = p.found[change.found];
            linked_.setValue(f.entry, change.value);
            if (change.span != f.span)
                report_.record(Change::AppointmentMoved, describeAppointment(change.subject),
                               formatGermanSpan(f.span.start, f.span.end) + " \u2192 " +
                                   formatGermanSpan(change.span.start, change.span.end));
            if (change.subject != f.subject)
                report_.record(Change::AppointmentRenamed, describeAppointment(change.subject),
                               "vorher \u201E" + f.subject + "\u201C");
        }
    }

    // How the report names an appointment: with its task, so that every failure says which task
    // was left as it was.
    static std::string whose(const TaskPlan& p, const std::string& subject)
    {
        return p.who + ", " + describeAppointment(subject);
    }

    bool rewrite(const TaskPlan& p, const AppointmentChange& change, const Found& f)
    {
        AppointmentItem& item = linked_.item(f.entry);
        const bool saved = attempt(report_, whose(p, change.subject), "Termin schreiben", [&] {
            // Only what changes is set: an appointment keeps its seconds and anything else it has.
            if (change.span.start != f.span.start)
                item.setStart(change.span.start);
            if (change.span.end != f.span.end)
                item.setEnd(change.span.end);
            if (change.subject != f.subject)
                item.setSubject(change.subject);
            writeLinkValue(item, in_.propertyName, change.value, true);
            item.save();
        });
        if (!saved)
            takeBack(p, f);
        return saved;
    }

    // An item whose change did not land, or must not stay, gets back what the pass found on it,
    // so that the next pass does not take an unsaved state for the stored one.
    void takeBack(const TaskPlan& p, const Found& f)
    {
        AppointmentItem& item = linked_.item(f.entry);
        attempt(report_, whose(p, f.subject), "Termin zur\u00FCcksetzen", [&] {
            item.setStart(f.exact.start);
            item.setEnd(f.exact.end);
            item.setSubject(f.subject);
            writeLinkValue(item, in_.propertyName, f.value, true);
            item.save();
        });
    }

    AppointmentPtr create(const TaskPlan& p, const AppointmentChange& change)
    {
        AppointmentPtr item;
        const bool saved = attempt(report_, whose(p, change.subject), "Termin anlegen", [&] {
            item = in_.calendar.createItem(kAppointmentItem);
            item->setStart(change.span.start);
            item->setEnd(change.span.end);
            item->setSubject(change.subject);
            item->setBusyStatus(change.busy);
            writeLinkValue(*item, in_.propertyName, change.value, true);
            item->save();
        });
        return saved ? item : nullptr;
    }

    void removeCreated(TaskPlan& p, const std::vector<AppointmentPtr>& created)
    {
        for (const AppointmentPtr& item : created)
            attempt(report_, p.who, "Termin l\u00F6schen", [&] { item->remove(); });
    }

    // The task's link value, written only when it says something new.
    bool setTaskValue(TaskPlan& p)
    {
        if (p.newValue == p.value)
            return true;
        if (!attempt(report_, p.who, "Verkn\u00FCpfung schreiben",
                     [&] { p.task->setField(fieldId_, p.newValue); }))
            return false;
        p.value = p.newValue;
        return true;
    }

    // A leftover appointment goes. One that cannot be deleted at least loses its link, so that
    // the next run does not read it as an appointment added in the calendar.
    void remove(TaskPlan& p, const Found& f)
    {
        AppointmentItem& item = linked_.item(f.entry);
        if (attempt(report_, whose(p, f.subject), "Termin l\u00F6schen", [&] { item.remove(); })) {
            linked_.markDeleted(f.entry);
            report_.record(Change::AppointmentDeleted, describeAppointment(f.subject));
            return;
        }
        if (attempt(report_, whose(p, f.subject), "Verkn\u00FCpfung entfernen", [&] {
                writeLinkValue(item, in_.propertyName, "", true);
                item.save();
            })) {
            linked_.markDeleted(f.entry);
            report_.record(Change::AppointmentUnlinked, describeAppointment(f.subject), p.who);
        }
    }

    const EngineInputs& in_;
    const SyncOptions& options_;
    const RunContext& context_;
    RunReport& report_;
    const int fieldId_;
    LinkedAppointments linked_;
};

// True when applying the plans writes nothing: each linked task is left as it is, or it and its
// appointments say the same already.
bool writesNothing(const std::vector<TaskPlan>& plans)
{
    return std::all_of(plans.begin(), plans.end(), [](const TaskPlan& p) {
        if (!p.linked() || p.rule->action == SyncAction::Leave)
            return true;
        const bool plansWin =
            p.rule->action == SyncAction::PlanWins || p.rule->action == SyncAction::Recreate;
        return plansWin && p.changes.empty() && p.name == p.oldName && p.newValue == p.value;
    });
}

MassChange massChangeOf(const std::vector<TaskPlan>& plans)
{
    MassChange change;
    for (const TaskPlan& p : plans) {
        if (!p.linked())
            continue;
        ++change.linkedTasks;
        if (p.takesAway())
            ++change.tasks;
    }
    return change;
}

} // namespace

bool isMassChange(const MassChange& change)
{
    return change.tasks >= 5 && change.tasks * 2 > change.linkedTasks;
}

std::string describeMassChange(const MassChange& change)
{
    return "Der Lauf w\u00FCrde bei " + std::to_string(change.tasks) + " von " +
           std::to_string(change.linkedTasks) +
           " verkn\u00FCpften Vorg\u00E4ngen Termine l\u00F6schen oder die Verkn\u00FCpfung entfernen. "
           "Ist es der richtige Kalender?";
}

MassChangeStopped::MassChangeStopped(const MassChange& c)
    : std::runtime_error("Abgebrochen, nichts wurde geschrieben: " + describeMassChange(c)), change(c)
{
}

namespace {

const char* const kVerifying = " wird \u00FCberpr\u00FCft...";

// The verification: the same sweep once more over what the synchronisation left.
void verify(const EngineInputs& inputs, const std::vector<Task*>& tasks, const SyncOptions& options,
            const RunContext& context, std::vector<TaskPlan>& plans)
{
    SyncPass pass(inputs, options, context);
    pass.decide(tasks, plans);
    pass.apply(plans, 50.0, kVerifying);
}

// The verification after a synchronisation that wrote nothing. Reading has no effect on either
// side, so it would read what the synchronisation read, decide the same, write nothing either
// and report the same failures: it says that again without reading everything a second time.
void verifyUnchanged(const RunContext& context, std::size_t tasks, std::size_t failuresBefore)
{
    ProgressSteps steps(context.progress, tasks, 50.0, kVerifying);
    for (std::size_t i = 1; i <= tasks; ++i)
        steps.show(i);
    const auto& failures = context.report.failures();
    const std::vector<RunReport::Failure> again(failures.begin() + std::ptrdiff_t(failuresBefore),
                                                failures.end());
    for (const RunReport::Failure& failure : again)
        context.report.fail(failure.subject, failure.action, failure.reason);
}

} // namespace

void SyncTasks(const EngineInputs& inputs, const std::vector<Task*>& tasks, const SyncOptions& options,
               const RunContext& context)
{
    const std::size_t failuresBefore = context.report.failures().size();
    const std::size_t changesBefore = context.report.changes().size();
    std::vector<TaskPlan> plans; // both sweeps plan in the same room
    bool wroteNothing = false;
    {
        // The first pass is gone before the verification reads both sides afresh.
        SyncPass pass(inputs, options, context);
        pass.decide(tasks, plans);
        const MassChange change = massChangeOf(plans);
        if (isMassChange(change) && options.confirmMassChange && !options.confirmMassChange(change))
            throw MassChangeStopped(change);
        wroteNothing = writesNothing(plans);
        pass.apply(plans, 5.0, " wird synchronisiert...");
    }
    if (wroteNothing && context.report.changes().size() == changesBefore)
        verifyUnchanged(context, tasks.size(), failuresBefore);
    else
        verify(inputs, tasks, options, context, plans);
}

void SyncTasks(const EngineInputs& inputs, const std::vector<Task*>& tasks, bool recreateDeleted,
               const RunContext& context)
{
    SyncTasks(inputs, tasks, SyncOptions{.recreateDeleted = recreateDeleted}, context);
}

void VerifyTasks(const EngineInputs& inputs, const std::vector<Task*>& tasks, const SyncOptions& options,
                 const RunContext& context)
{
    std::vector<TaskPlan> plans;
    verify(inputs, tasks, options, context, plans);
}

} // namespace zelvant
