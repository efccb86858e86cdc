#include "engine/Synchronizer.h"
#include "hosts/calendar/MemoryCalendarApplication.h"
#include "hosts/project/MemoryProjectApplication.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using Change = RunReport::Change;

class RecordingProgress : public ProgressSink {
public:
    void showProgress(double percent, const std::string& text) override { steps.emplace_back(percent, text); }
    std::vector<std::pair<double, std::string>> steps;
};

DateTime at(unsigned day, unsigned hour, unsigned minute = 0) { return makeDateTime(2024, 3, day, hour, minute); }

// A plan on the Standard calendar starting Monday 4 March 2024 and an empty calendar; tasks are
// linked here by hand, the way linking writes them, so these tests depend on the passes only.
class SyncTest : public ::testing::Test {
protected:
    SyncTest() : host(std::make_unique<MemoryProject>("Plan", at(4, 8))) {}

    MemoryProject& project() { return *host.project(); }
    MemoryCalendar& calendar() { return outlook.calendar(); }

    MemoryTask& addTask(const std::string& name, DateTime start, Minutes duration)
    {
        MemoryTask& task = project().addTask();
        task.setName(name);
        task.setDuration(duration);
        task.setConstraintType(ConstraintType::MustStartOn);
        task.setConstraintDate(start);
        return task;
    }

    // One appointment per split part (one for a milestone), all with `key`.
    std::vector<std::shared_ptr<MemoryAppointment>> link(MemoryTask& task, const std::string& key)
    {
        std::vector<SplitPart> parts;
        for (int k = 1; k <= task.splitPartCount(); ++k)
            parts.push_back(task.splitPart(k));
        if (parts.empty())
            parts.push_back({task.start(), task.start() + Minutes{1}});
        std::vector<std::shared_ptr<MemoryAppointment>> items;
        const int count = int(parts.size());
        for (int k = 1; k <= count; ++k) {
            const SplitPart& part = parts[std::size_t(k - 1)];
            const std::string value = link::build(k - 1, key, part.start, part.finish, task.name());
            items.push_back(calendar().addItem({.start = part.start,
                                                .end = part.finish,
                                                .subject = link::subjectFor(task.name(), k, count),
                                                .userProperties = {{kLinkProperty, value}}}));
            task.setField(kText29, link::build(count - 1, key, part.start, part.finish, task.name()));
        }
        return items;
    }

    static std::string valueOf(AppointmentItem& item) { return item.userProperties().find(kLinkProperty)->value(); }

    void sync(std::vector<Task*> tasks, bool recreate = false)
    {
        SyncTasks(EngineInputs{outlook, project(), calendar()}, tasks, recreate, RunContext{host, progress, report});
    }
    void syncAll(bool recreate = false) { sync(project().tasks(), recreate); }

    std::vector<AppointmentPtr> items() { return calendar().items(); }

    MemoryProjectApplication host;
    MemoryCalendarApplication outlook;
    RecordingProgress progress;
    RunReport report;
};

const std::string kKeyA = "111111111202403011000";
const std::string kKeyB = "222222222202403011000";

// --- Progress --------------------------------------------------------------------------------

TEST_F(SyncTest, ProgressSweepsTwiceWithTheTextsOfEachPass)
{
    for (int i = 0; i < 4; ++i)
        addTask("T" + std::to_string(i), at(4, 8), Minutes{60});
    link(project().taskById(2), kKeyA); // the others are not linked but still counted

    syncAll();

    ASSERT_EQ(progress.steps.size(), 8u);
    const double expected[] = {16.25, 27.5, 38.75, 50, 61.25, 72.5, 83.75, 95};
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_DOUBLE_EQ(progress.steps[i].first, expected[i]);
    EXPECT_EQ(progress.steps[0].second, "Task 1 von 4 wird synchronisiert...");
    EXPECT_EQ(progress.steps[6].second, "Task 3 von 4 wird \u00FCberpr\u00FCft...");
}

// --- The task wins ---------------------------------------------------------------------------

TEST_F(SyncTest, SplitTaskWritesEachPartToItsAppointment)
{
    MemoryTask& task = addTask("Bau", at(4, 8), Minutes{480});
    task.addSplitPart(at(6, 8), at(6, 12));
    task.addSplitPart(at(8, 8), at(8, 12));
    ASSERT_EQ(task.splitPartCount(), 3);
    auto linked = link(task, kKeyA);
    task.setConstraintDate(at(5, 8)); // the whole schedule moves a day

    syncAll();

    ASSERT_EQ(items().size(), 3u);
    for (int k = 1; k <= 3; ++k) {
        const SplitPart part = task.splitPart(k);
        AppointmentItem& item = *linked[std::size_t(k - 1)];
        EXPECT_EQ(item.start(), part.start);
        EXPECT_EQ(item.end(), part.finish);
        EXPECT_EQ(item.subject(), "Bau (" + std::to_string(k) + ")");
        EXPECT_EQ(valueOf(item).substr(0, 24), "00" + std::to_string(k - 1) + kKeyA);
    }
    EXPECT_EQ(task.getField(kText29).substr(0, 3), "002");
}

TEST_F(SyncTest, AppointmentsBeyondThePartsAreDeleted)
{
    // Two parts but four unchanged appointments with part count 003: the count check passes.
    MemoryTask& task = addTask("Bau", at(4, 8), Minutes{240});
    task.addSplitPart(at(6, 8), at(6, 12));
    const std::vector<DateTime> starts{at(4, 8), at(6, 8), at(7, 8), at(8, 8)};
    for (int k = 0; k < 4; ++k)
        calendar().addItem({.start = starts[std::size_t(k)],
                            .end = starts[std::size_t(k)] + Minutes{240},
                            .subject = "Bau",
                            .userProperties = {{kLinkProperty, link::build(k, kKeyA, starts[std::size_t(k)],
                                                                           starts[std::size_t(k)] + Minutes{240}, "Bau")}}});
    task.setField(kText29, link::build(3, kKeyA, at(8, 8), at(8, 12), "Bau"));

    syncAll();

    ASSERT_EQ(items().size(), 2u);
    EXPECT_EQ(items()[1]->start(), at(6, 8));
    EXPECT_EQ(task.getField(kText29).substr(0, 3), "001");
    EXPECT_EQ(report.count(Change::AppointmentDeleted), 2);
}

TEST_F(SyncTest, MilestoneAppointmentLastsOneMinute)
{
    MemoryTask& task = addTask("Abnahme", at(5, 17), Minutes{0});
    auto item = link(task, kKeyA).front();
    task.setConstraintDate(at(7, 23, 59));

    syncAll();

    EXPECT_EQ(item->start(), at(7, 23, 59));
    EXPECT_EQ(item->end(), at(8, 0, 0));
    EXPECT_EQ(task.duration(), Minutes{0});
}

// --- The appointments win --------------------------------------------------------------------

TEST_F(SyncTest, VerificationKeepsTheUsersTimesWhileThePlanSaysTheSame)
{
    // Moved to 07:00-09:00: one working hour; the plan starts the task at 08:00. That is what
    // the appointment means, so the verification pass leaves the user's 07:00 alone; once the
    // plan moves the task, the appointment follows it.
    MemoryTask& task = addTask("Entwurf", at(4, 8), Minutes{240});
    auto item = link(task, kKeyA).front();
    item->setStart(at(6, 7));
    item->setEnd(at(6, 9));

    syncAll();
    EXPECT_EQ(task.start(), at(6, 8));
    EXPECT_EQ(task.finish(), at(6, 9));
    EXPECT_EQ(item->start(), at(6, 7));
    EXPECT_EQ(link::storedStart(valueOf(*item)), at(6, 7));

    task.setConstraintDate(at(7, 10));
    syncAll();
    EXPECT_EQ(item->start(), at(7, 10));
    EXPECT_EQ(item->end(), at(7, 11));
    EXPECT_EQ(link::storedStart(valueOf(*item)), at(7, 10));
}

TEST_F(SyncTest, DurationUsesTheTasksOwnCalendar)
{
    WorkCalendar night("Nacht");
    for (auto day : {std::chrono::Monday, std::chrono::Tuesday, std::chrono::Wednesday})
        night.setWeekday(day, {{0, 360}, {1320, 1440}}); // 22:00-06:00
    project().addCalendar(night);
    MemoryTask& task = addTask("Wartung", at(4, 22), Minutes{120});
    task.setCalendar("Nacht");
    ASSERT_EQ(task.calendarName(), "Nacht");
    auto item = link(task, kKeyA).front();
    item->setStart(at(5, 20));
    item->setEnd(at(6, 2)); // 4 working hours on the night calendar, none on Standard

    syncAll();

    EXPECT_EQ(task.duration(), Minutes{240});
}

TEST_F(SyncTest, AllSplitsAreRemovedBeforeTheAppointmentsAreApplied)
{
    // Four parts, two appointments left: removing parts by rising index would skip parts
    // once the plan renumbers them and leave the task with more parts than appointments.
    MemoryTask& task = addTask("Bau", at(4, 8), Minutes{240});
    for (unsigned day : {5u, 6u, 7u})
        task.addSplitPart(at(day, 13), at(day, 17));
    auto linked = link(task, kKeyA);
    ASSERT_EQ(linked.size(), 4u);
    linked[1]->remove();
    linked[3]->remove();

    syncAll();

    ASSERT_EQ(task.splitPartCount(), 2);
    EXPECT_EQ(task.splitPart(1), (SplitPart{at(4, 8), at(4, 12)}));
    EXPECT_EQ(task.splitPart(2), (SplitPart{at(6, 13), at(6, 17)}));
}

TEST_F(SyncTest, AppointmentsOfOneDayOrderTheLaterMetFirst)
{
    MemoryTask& task = addTask("Bau", at(4, 8), Minutes{240});
    task.setField(kText29, link::build(1, kKeyA, at(4, 8), at(4, 12), "Bau"));
    // Both on Wednesday, stored dates stale so the appointments win: folder order B, A.
    calendar().addItem({.start = at(6, 14), .end = at(6, 16), .subject = "Bau (2)",
                        .userProperties = {{kLinkProperty, link::build(1, kKeyA, at(4, 8), at(4, 9), "Bau")}}});
    calendar().addItem({.start = at(6, 8), .end = at(6, 10), .subject = "Bau (1)",
                        .userProperties = {{kLinkProperty, link::build(0, kKeyA, at(4, 8), at(4, 9), "Bau")}}});

    syncAll();

    // The one met later in the folder (08:00) is the first appointment: it sets the start.
    EXPECT_EQ(task.constraintDate(), at(6, 8));
    EXPECT_EQ(valueOf(*items()[1]).substr(0, 3), "000");
    EXPECT_EQ(valueOf(*items()[0]).substr(0, 3), "001");
}

TEST_F(SyncTest, OneMinuteAppointmentMakesAMilestoneTwoMinutesDoNot)
{
    MemoryTask& shortOne = addTask("Kurz", at(4, 8), Minutes{60});
    MemoryTask& longer = addTask("L\u00E4nger", at(4, 8), Minutes{60});
    auto a = link(shortOne, kKeyA).front();
    auto b = link(longer, kKeyB).front();
    a->setStart(at(5, 9, 0));
    a->setEnd(at(5, 9, 1) + std::chrono::seconds{30}); // 1:30 long, cut to whole minutes first
    b->setStart(at(5, 9, 0));
    b->setEnd(at(5, 9, 2));

    syncAll();

    EXPECT_EQ(shortOne.duration(), Minutes{0});
    EXPECT_EQ(shortOne.splitPartCount(), 0);
    EXPECT_EQ(longer.duration(), Minutes{2});
}

// --- Renames ---------------------------------------------------------------------------------

TEST_F(SyncTest, SplitTaskTakesTheNewNameWithoutTheSuffix)
{
    MemoryTask& task = addTask("Bau", at(4, 8), Minutes{240});
    task.addSplitPart(at(6, 8), at(6, 12));
    auto linked = link(task, kKeyA);
    linked[0]->setSubject("Rohbau (1)");

    syncAll();

    EXPECT_EQ(task.name(), "Rohbau");
    EXPECT_EQ(linked[0]->subject(), "Rohbau (1)");
    EXPECT_EQ(linked[1]->subject(), "Rohbau (2)");
}

TEST_F(SyncTest, ParenthesesInTheNameOfAnUnsplitTaskStay)
{
    MemoryTask& task = addTask("Review (A)", at(4, 8), Minutes{240});
    auto item = link(task, kKeyA).front();

    syncAll();
    syncAll();

    EXPECT_EQ(task.name(), "Review (A)");
    EXPECT_EQ(item->subject(), "Review (A)");
    EXPECT_EQ(report.count(Change::TaskRenamed), 0);
}

// --- No appointment left ---------------------------------------------------------------------

// --- Mended faults ---------------------------------------------------------------------------

TEST_F(SyncTest, AppointmentAtMidnightIsNotSeenAsChangedOnEveryPass)
{
    WorkCalendar allDay("Rund um die Uhr");
    for (unsigned d = 0; d < 7; ++d)
        allDay.setWeekday(std::chrono::weekday{d}, {{0, 1440}});
    project().addCalendar(allDay);
    MemoryTask& task = project().addTask();
    task.setCalendar("Rund um die Uhr");
    task.setName("Nachtschicht");
    task.setDuration(Minutes{24 * 60});
    task.setConstraintType(ConstraintType::MustStartOn);
    task.setConstraintDate(at(5, 0));
    auto item = link(task, kKeyA).front();
    ASSERT_EQ(item->start(), at(5, 0));
    ASSERT_EQ(item->end(), at(6, 0));

    syncAll();

    EXPECT_EQ(report.count(Change::TaskRescheduled), 0);
    EXPECT_EQ(task.type(), TaskType::FixedUnits); // untouched
}

TEST_F(SyncTest, AppointmentOfAnUnknownKeyIsLeftAlone)
{
    MemoryTask& task = addTask("Entwurf", at(4, 8), Minutes{240});
    link(task, kKeyA);
    auto stranger = calendar().addItem({.start = at(5, 8), .end = at(5, 9), .subject = "Fremd",
                                        .userProperties = {{kLinkProperty, link::build(0, kKeyB, at(1, 8), at(1, 9), "X")}}});
    task.setConstraintDate(at(6, 8));

    syncAll();

    EXPECT_EQ(stranger->start(), at(5, 8));
    EXPECT_EQ(stranger->subject(), "Fremd");
    EXPECT_FALSE(stranger->isChanged());
}

// --- Failures --------------------------------------------------------------------------------

TEST_F(SyncTest, TasksSharingAKeyEachNameTheOthersInPlanOrder)
{
    // Rows 1, 3 and 4 carry the same key, row 2 another one.
    std::vector<MemoryTask*> tasks;
    for (const char* name : {"Erster", "Zweiter", "Dritter", "Vierter"})
        tasks.push_back(&addTask(name, at(4, 8), Minutes{60}));
    link(*tasks[0], kKeyA);
    link(*tasks[1], kKeyB);
    for (MemoryTask* copy : {tasks[2], tasks[3]})
        copy->setField(kText29, tasks[0]->getField(kText29));

    sync(project().tasks());

    std::vector<std::pair<std::string, std::string>> told; // subject, reason of the first pass
    for (const RunReport::Failure& failure : report.failures())
        if (told.size() < 3)
            told.emplace_back(failure.subject, failure.reason);
    const std::string advice = "; eine der Verkn\u00FCpfungen l\u00F6sen (zelvant unlink --tasks NR)";
    const auto who = [](int id, const char* name) { return describeTask(id, name); };
    const std::vector<std::pair<std::string, std::string>> expected = {
        {who(1, "Erster"), "auch an " + who(3, "Dritter") + ", " + who(4, "Vierter") + advice},
        {who(3, "Dritter"), "auch an " + who(1, "Erster") + ", " + who(4, "Vierter") + advice},
        {who(4, "Vierter"), "auch an " + who(1, "Erster") + ", " + who(3, "Dritter") + advice},
    };
    ASSERT_EQ(report.failures().size(), 6u); // three in each pass; the second row is synchronised
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(told[i].first, expected[i].first);
        EXPECT_NE(told[i].second.find(expected[i].second), std::string::npos) << told[i].second;
    }
}

TEST_F(SyncTest, UnreadableTaskIsReportedWithItsId)
{
    MemoryTask& task = addTask("Entwurf", at(4, 8), Minutes{240});
    link(task, kKeyA);
    task.faults().failOn("GetField");

    syncAll();

    ASSERT_EQ(report.failures().size(), 2u); // once per pass
    EXPECT_EQ(report.failures()[0].subject, describeTask(1, "Entwurf"));
}

} // namespace
} // namespace zelvant
