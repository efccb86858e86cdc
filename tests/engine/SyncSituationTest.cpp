// The situations of a synchronisation, one row each: what the user did on each side, and what the
// run must do about it. Every row also holds the rules every run keeps: a second run changes
// nothing, and each task's value claims exactly the appointments that carry its key.

#include "engine/Synchronizer.h"
#include "engine/TasksToAppointments.h"

#include "tests/engine/EngineWorld.h"

#include <gtest/gtest.h>

#include <functional>

namespace zelvant {
namespace {

using Change = RunReport::Change;

DateTime at(unsigned day, unsigned hour, unsigned minute = 0)
{
    return makeDateTime(2024, 3, day, hour, minute);
}

// Two linked tasks: "Entwurf" on Monday with one appointment, "Bau" split into Tuesday, Thursday
// morning and Friday afternoon.
struct Scene {
    EngineWorld w;
    LinkKeyGenerator keys{w.clock, 11};
    MemoryTask& draft = w.addTask("Entwurf", at(4, 8), at(4, 17));
    MemoryTask& build = w.addTask("Bau", at(5, 8), at(5, 17));

    Scene()
    {
        build.addSplitPart(at(7, 8), at(7, 12));
        build.addSplitPart(at(8, 13), at(8, 17));
        LinkTasksToAppointments(w.inputs, w.project.tasks(), BusyStatus::Busy, keys, w.context);
        w.report = {};
    }

    std::shared_ptr<MemoryAppointment> item(const std::string& subject)
    {
        for (const auto& candidate : w.calendar.appointments())
            if (candidate->subject() == subject)
                return candidate;
        return nullptr;
    }

    void move(const std::string& subject, DateTime start, DateTime end)
    {
        item(subject)->setStart(start);
        item(subject)->setEnd(end);
    }

    void copy(const std::string& subject, DateTime start, DateTime end)
    {
        AppointmentData data = item(subject)->snapshot();
        data.entryId.clear();
        data.start = start;
        data.end = end;
        w.calendar.addItem(std::move(data));
    }

    RunReport sync(bool recreate)
    {
        RunReport report;
        w.progress.steps.clear();
        SyncTasks(w.inputs, w.project.tasks(), recreate, {w.host, w.progress, report});
        return report;
    }
};

struct Expected {
    int created = 0, moved = 0, renamed = 0, deleted = 0;
    int rescheduled = 0, tasksRenamed = 0, unlinked = 0, failures = 0;
};

struct Situation {
    const char* what;
    std::function<void(Scene&)> edit;
    bool recreate;
    Expected expected;
    std::function<void(Scene&, const RunReport&)> check;
    bool linkRule = true; // false where the scene itself holds a foreign key
};

const Situation kSituations[] = {
    {"nothing changed", [](Scene&) {}, false, {}, {}},
    {"task made shorter in the plan: the end follows",
     [](Scene& s) { s.draft.setDuration(Minutes{240}); },
     false,
     {.moved = 1},
     [](Scene& s, const RunReport&) {
         EXPECT_EQ(s.item("Entwurf")->start(), at(4, 8));
         EXPECT_EQ(s.item("Entwurf")->end(), at(4, 12));
     }},
    {"split task moved in the plan: each part to its appointment",
     [](Scene& s) {
         s.build.setConstraintType(ConstraintType::MustStartOn);
         s.build.setConstraintDate(at(6, 8));
     },
     false,
     {.moved = 3},
     [](Scene& s, const RunReport&) {
         for (int k = 1; k <= 3; ++k)
             EXPECT_EQ(s.item("Bau (" + std::to_string(k) + ")")->start(), s.build.splitPart(k).start);
     }},
    {"appointment moved in the calendar",
     [](Scene& s) { s.move("Entwurf", at(6, 10), at(6, 12)); },
     false,
     {.rescheduled = 1},
     [](Scene& s, const RunReport&) {
         EXPECT_EQ(s.draft.start(), at(6, 10));
         EXPECT_EQ(s.draft.duration(), Minutes{120});
     }},
    {"only the end moved in the calendar",
     [](Scene& s) { s.item("Entwurf")->setEnd(at(4, 12)); },
     false,
     {.rescheduled = 1},
     [](Scene& s, const RunReport&) {
         EXPECT_EQ(s.draft.duration(), Minutes{240});
         EXPECT_EQ(s.item("Entwurf")->end(), at(4, 12));
     }},
    {"moved on both sides: the calendar wins",
     [](Scene& s) {
         s.draft.setConstraintType(ConstraintType::MustStartOn);
         s.draft.setConstraintDate(at(8, 8));
         s.move("Entwurf", at(6, 10), at(6, 12));
     },
     false,
     {.rescheduled = 1},
     [](Scene& s, const RunReport&) { EXPECT_EQ(s.draft.start(), at(6, 10)); }},
    {"shortened to a minute and a half in the calendar: a milestone",
     [](Scene& s) { s.move("Entwurf", at(5, 9), at(5, 9, 1) + std::chrono::seconds{30}); },
     false,
     {.rescheduled = 1},
     [](Scene& s, const RunReport&) { EXPECT_EQ(s.draft.duration(), Minutes{0}); }},
    {"moved on a task with its own calendar: its working time counts",
     [](Scene& s) {
         WorkCalendar night("Nacht");
         for (auto day : {std::chrono::Monday, std::chrono::Tuesday, std::chrono::Wednesday})
             night.setWeekday(day, {{0, 360}, {1320, 1440}}); // 22:00-06:00
         s.w.project.addCalendar(night);
         s.draft.setCalendar("Nacht");
         s.move("Entwurf", at(5, 20), at(6, 2)); // 4 working hours at night, none on Standard
     },
     false,
     {.rescheduled = 1},
     [](Scene& s, const RunReport&) { EXPECT_EQ(s.draft.duration(), Minutes{240}); }},
    {"subject changed in the calendar",
     [](Scene& s) { s.item("Bau (1)")->setSubject("Rohbau (1)"); },
     false,
     {.renamed = 2, .tasksRenamed = 1},
     [](Scene& s, const RunReport&) {
         EXPECT_EQ(s.build.name(), "Rohbau");
         EXPECT_NE(s.item("Rohbau (3)"), nullptr);
     }},
    {"renamed on both sides: the calendar wins",
     [](Scene& s) {
         s.draft.setName("Plan");
         s.item("Entwurf")->setSubject("Kalender");
     },
     false,
     {.tasksRenamed = 1},
     [](Scene& s, const RunReport&) { EXPECT_EQ(s.draft.name(), "Kalender"); }},
    {"task renamed in the plan",
     [](Scene& s) { s.build.setName("Rohbau"); },
     false,
     {.renamed = 3},
     [](Scene& s, const RunReport&) { EXPECT_NE(s.item("Rohbau (2)"), nullptr); }},
    {"unsplit task named with parentheses keeps them",
     [](Scene& s) { s.draft.setName("Review (A)"); },
     false,
     {.renamed = 1},
     [](Scene& s, const RunReport&) { EXPECT_NE(s.item("Review (A)"), nullptr); }},
    {"task split in the plan",
     [](Scene& s) { s.draft.addSplitPart(at(11, 8), at(11, 10)); },
     false,
     {.created = 1, .renamed = 1},
     [](Scene& s, const RunReport&) { EXPECT_EQ(s.item("Entwurf (2)")->start(), at(11, 8)); }},
    {"split task made a milestone: one appointment of a minute",
     [](Scene& s) { s.build.setDuration(Minutes{0}); },
     false,
     {.moved = 1, .renamed = 1, .deleted = 2},
     [](Scene& s, const RunReport&) { EXPECT_EQ(s.item("Bau")->end(), at(5, 8, 1)); }},
    {"middle part deleted in the calendar",
     [](Scene& s) { s.item("Bau (2)")->remove(); },
     false,
     {.renamed = 1, .rescheduled = 1},
     [](Scene& s, const RunReport&) {
         ASSERT_EQ(s.build.splitPartCount(), 2);
         EXPECT_EQ(s.build.splitPart(2), (SplitPart{at(8, 13), at(8, 17)}));
     }},
    {"appointment copied in the calendar",
     [](Scene& s) { s.copy("Entwurf", at(11, 8), at(11, 17)); },
     false,
     {.renamed = 2, .rescheduled = 1},
     [](Scene& s, const RunReport&) { EXPECT_EQ(s.draft.splitPartCount(), 2); }},
    {"two appointments on one day: the one met later comes first",
     [](Scene& s) {
         s.move("Entwurf", at(6, 14), at(6, 16));
         s.copy("Entwurf", at(6, 8), at(6, 10));
     },
     false,
     {.renamed = 2, .rescheduled = 1},
     [](Scene& s, const RunReport&) { EXPECT_EQ(s.draft.constraintDate(), at(6, 8)); }},
    {"all appointments deleted",
     [](Scene& s) { s.item("Entwurf")->remove(); },
     false,
     {.unlinked = 1},
     [](Scene& s, const RunReport&) { EXPECT_EQ(s.draft.getField(kText29), ""); }},
    {"all appointments of a split task deleted, made again",
     [](Scene& s) {
         for (const char* part : {"Bau (1)", "Bau (2)", "Bau (3)"})
             s.item(part)->remove();
     },
     true,
     {.created = 3},
     [](Scene& s, const RunReport&) {
         EXPECT_EQ(s.item("Bau (3)")->start(), at(8, 13));
         EXPECT_EQ(s.build.getField(kText29).substr(0, 3), "002");
     }},
    {"task copied in the plan: both wait for the user",
     [](Scene& s) {
         MemoryTask& copy = s.w.project.addTask();
         copy.setName("Entwurf Kopie");
         copy.setField(kText29, s.draft.getField(kText29));
         s.draft.setConstraintDate(at(8, 8));
     },
     false,
     {.failures = 4},
     [](Scene& s, const RunReport& report) {
         EXPECT_EQ(s.item("Entwurf")->start(), at(4, 8));
         EXPECT_EQ(report.failures().at(0).subject, describeTask(1, "Entwurf"));
         EXPECT_NE(report.failures().at(0).reason.find("auch an " + describeTask(3, "Entwurf Kopie") +
                                                       "; eine der Verkn\u00FCpfungen l\u00F6sen"),
                   std::string::npos)
             << report.failures().at(0).reason;
     }},
    {"appointment that cannot be read",
     [](Scene& s) { s.item("Bau (1)")->faults().failOn("Start"); },
     false,
     {.failures = 2},
     [](Scene& s, const RunReport&) { EXPECT_NE(s.build.getField(kText29), ""); }},
    {"task that cannot be read",
     [](Scene& s) { s.draft.faults().failOn("GetField"); },
     false,
     {.failures = 2},
     [](Scene& s, const RunReport& report) {
         EXPECT_EQ(report.failures().at(0).subject, describeTask(1, "Entwurf"));
         s.draft.faults().clearFailures(); // for the checks that follow
     }},
    {"appointment of another key is left alone",
     [](Scene& s) {
         s.w.addAppointment("Fremd", at(5, 8), at(5, 9),
                            link::build(0, "222222222202403011000", at(1, 8), at(1, 9), "X"));
         s.draft.setConstraintType(ConstraintType::MustStartOn);
         s.draft.setConstraintDate(at(6, 8));
     },
     false,
     {.moved = 1},
     [](Scene& s, const RunReport&) {
         EXPECT_EQ(s.item("Fremd")->start(), at(5, 8));
         EXPECT_FALSE(s.item("Fremd")->isChanged());
     },
     false},
};

TEST(SyncSituation, EachSituationLeadsToItsActions)
{
    for (const Situation& situation : kSituations) {
        SCOPED_TRACE(situation.what);
        Scene scene;
        situation.edit(scene);
        const RunReport report = scene.sync(situation.recreate);
        const Expected& e = situation.expected;
        EXPECT_EQ(report.count(Change::AppointmentCreated), e.created);
        EXPECT_EQ(report.count(Change::AppointmentMoved), e.moved);
        EXPECT_EQ(report.count(Change::AppointmentRenamed), e.renamed);
        EXPECT_EQ(report.count(Change::AppointmentDeleted), e.deleted);
        EXPECT_EQ(report.count(Change::TaskRescheduled), e.rescheduled);
        EXPECT_EQ(report.count(Change::TaskRenamed), e.tasksRenamed);
        EXPECT_EQ(report.count(Change::TaskUnlinked), e.unlinked);
        EXPECT_EQ(int(report.failures().size()), e.failures)
            << (report.hasFailures() ? report.failureLines().front() : "");
        if (situation.check)
            situation.check(scene, report);
        if (situation.linkRule) {
            EXPECT_EQ(scene.w.linkRuleBreaches(), std::vector<std::string>{});
        }
        const RunReport again = scene.sync(situation.recreate);
        EXPECT_TRUE(again.changes().empty()) << again.changes().front().subject;
    }
}

// Two sweeps over all tasks, linked or not: synchronising, then verifying.
TEST(SyncSituation, ProgressSweepsTwiceWithTheTextsOfEachPass)
{
    Scene scene;
    scene.w.addTask("Frei", at(11, 8), at(11, 17));
    scene.w.addTask("Auch frei", at(12, 8), at(12, 17));
    scene.sync(false);
    const auto& steps = scene.w.progress.steps;
    ASSERT_EQ(steps.size(), 8u);
    const double expected[] = {16.25, 27.5, 38.75, 50, 61.25, 72.5, 83.75, 95};
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_DOUBLE_EQ(steps[i].percent, expected[i]);
    EXPECT_EQ(steps[0].text, "Task 1 von 4 wird synchronisiert...");
    EXPECT_EQ(steps[6].text, "Task 3 von 4 wird \u00FCberpr\u00FCft...");
}

TEST(SyncSituation, AWrongCalendarStopsBeforeUnlinkingMostTasks)
{
    Scene scene;
    for (int i = 0; i < 4; ++i)
        scene.w.addTask("Mehr " + std::to_string(i), at(11 + unsigned(i), 8), at(11 + unsigned(i), 17));
    LinkTasksToAppointments(scene.w.inputs, scene.w.project.tasks(), BusyStatus::Busy, scene.keys,
                            scene.w.context);
    const std::string before = scene.draft.getField(kText29);
    MemoryCalendarApplication empty; // the calendar the user pointed at by mistake
    const EngineInputs wrong{empty, scene.w.project, empty.calendar()};
    std::vector<MassChange> asked;
    const SyncOptions options{.confirmMassChange = [&](const MassChange& change) {
        asked.push_back(change);
        return false;
    }};
    RunReport report;
    EXPECT_THROW(SyncTasks(wrong, scene.w.project.tasks(), options, {scene.w.host, scene.w.progress, report}),
                 MassChangeStopped);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].tasks, 6);
    EXPECT_EQ(asked[0].linkedTasks, 6);
    EXPECT_EQ(scene.draft.getField(kText29), before); // nothing written
    EXPECT_TRUE(report.changes().empty());
}

} // namespace
} // namespace zelvant
