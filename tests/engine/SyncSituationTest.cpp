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

DateTime at(unsigned day, unsigned hour, unsigned minute = 0) { return makeDateTime(2024, 3, day, hour, minute); }

// Two linked tasks: "Entwurf" on Monday with one appointment, "Bau" split into Tuesday and Thursday.
struct Scene {
    EngineWorld w;
    LinkKeyGenerator keys{w.clock, 11};
    MemoryTask& draft = w.addTask("Entwurf", at(4, 8), at(4, 17));
    MemoryTask& build = w.addTask("Bau", at(5, 8), at(5, 17));

    Scene()
    {
        build.addSplitPart(at(7, 8), at(7, 12));
        LinkTasksToAppointments(w.inputs, w.project.tasks(), BusyStatus::Busy, false, keys, w.context);
        w.report = {};
    }

    std::shared_ptr<MemoryAppointment> item(const std::string& subject)
    {
        for (const auto& candidate : w.calendar.appointments())
            if (candidate->subject() == subject)
                return candidate;
        return nullptr;
    }

    RunReport sync(bool recreate)
    {
        RunReport report;
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
    std::function<void(Scene&)> check;
};

const Situation kSituations[] = {
    {"nothing changed", [](Scene&) {}, false, {}, {}},
    {"task moved in the plan", [](Scene& s) { s.w.project.taskById(1).setDuration(Minutes{240}); }, false,
     {.moved = 1}, [](Scene& s) { EXPECT_EQ(s.item("Entwurf")->end(), at(4, 12)); }},
    {"appointment moved in the calendar",
     [](Scene& s) {
         s.item("Entwurf")->setStart(at(6, 10));
         s.item("Entwurf")->setEnd(at(6, 12));
     },
     false, {.rescheduled = 1},
     [](Scene& s) {
         EXPECT_EQ(s.draft.start(), at(6, 10));
         EXPECT_EQ(s.draft.duration(), Minutes{120});
     }},
    {"moved on both sides: the calendar wins",
     [](Scene& s) {
         s.draft.setConstraintDate(at(8, 8));
         s.item("Entwurf")->setStart(at(6, 10));
         s.item("Entwurf")->setEnd(at(6, 12));
     },
     false, {.rescheduled = 1}, [](Scene& s) { EXPECT_EQ(s.draft.start(), at(6, 10)); }},
    {"subject changed in the calendar", [](Scene& s) { s.item("Bau (1)")->setSubject("Rohbau (1)"); }, false,
     {.renamed = 1, .tasksRenamed = 1}, [](Scene& s) { EXPECT_EQ(s.build.name(), "Rohbau"); }},
    {"renamed on both sides: the calendar wins",
     [](Scene& s) {
         s.draft.setName("Plan");
         s.item("Entwurf")->setSubject("Kalender");
     },
     false, {.tasksRenamed = 1}, [](Scene& s) { EXPECT_EQ(s.draft.name(), "Kalender"); }},
    {"task renamed in the plan", [](Scene& s) { s.build.setName("Rohbau"); }, false, {.renamed = 2},
     [](Scene& s) { EXPECT_NE(s.item("Rohbau (2)"), nullptr); }},
    {"task split in the plan", [](Scene& s) { s.draft.addSplitPart(at(8, 8), at(8, 10)); }, false,
     {.created = 1, .renamed = 1}, [](Scene& s) { EXPECT_EQ(s.item("Entwurf (2)")->start(), at(8, 8)); }},
    {"split task made a milestone", [](Scene& s) { s.build.setDuration(Minutes{0}); }, false,
     {.moved = 1, .renamed = 1, .deleted = 1},
     [](Scene& s) { EXPECT_EQ(s.item("Bau")->end(), at(5, 8, 1)); }},
    {"one part deleted in the calendar", [](Scene& s) { s.item("Bau (2)")->remove(); }, false,
     {.renamed = 1, .rescheduled = 1}, [](Scene& s) { EXPECT_EQ(s.build.splitPartCount(), 1); }},
    {"appointment copied in the calendar",
     [](Scene& s) {
         AppointmentData copy = s.item("Entwurf")->snapshot();
         copy.entryId.clear();
         copy.start = at(11, 8);
         copy.end = at(11, 17);
         s.w.calendar.addItem(std::move(copy));
     },
     false, {.renamed = 2, .rescheduled = 1}, [](Scene& s) { EXPECT_EQ(s.draft.splitPartCount(), 2); }},
    {"all appointments deleted", [](Scene& s) { s.item("Entwurf")->remove(); }, false, {.unlinked = 1},
     [](Scene& s) { EXPECT_EQ(s.draft.getField(kText29), ""); }},
    {"all appointments deleted, made again", [](Scene& s) { s.item("Entwurf")->remove(); }, true,
     {.created = 1}, [](Scene& s) { EXPECT_EQ(s.item("Entwurf")->start(), at(4, 8)); }},
    {"task copied in the plan: both wait for the user",
     [](Scene& s) {
         MemoryTask& copy = s.w.project.addTask();
         copy.setName("Entwurf Kopie");
         copy.setField(kText29, s.draft.getField(kText29));
         s.draft.setConstraintDate(at(8, 8));
     },
     false, {.failures = 4}, [](Scene& s) { EXPECT_EQ(s.item("Entwurf")->start(), at(4, 8)); }},
    {"appointment that cannot be read", [](Scene& s) { s.item("Bau (1)")->faults().failOn("Start"); }, false,
     {.failures = 2}, [](Scene& s) { EXPECT_NE(s.build.getField(kText29), ""); }},
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
            situation.check(scene);
        const RunReport again = scene.sync(situation.recreate);
        EXPECT_TRUE(again.changes().empty()) << again.changes().front().subject;
    }
}

TEST(SyncSituation, AWrongCalendarStopsBeforeUnlinkingMostTasks)
{
    Scene scene;
    for (int i = 0; i < 4; ++i)
        scene.w.addTask("Mehr " + std::to_string(i), at(11 + unsigned(i), 8), at(11 + unsigned(i), 17));
    LinkTasksToAppointments(scene.w.inputs, scene.w.project.tasks(), BusyStatus::Busy, false, scene.keys,
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
