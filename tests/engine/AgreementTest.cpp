// When a task and its appointment say the same thing, a run leaves both alone; when the plan
// moves the task, the appointment follows in its own kind (all-day stays all-day).

#include "engine/AppointmentSpan.h"
#include "engine/AppointmentsToTasks.h"
#include "engine/Synchronizer.h"
#include "hosts/project/WorkCalendar.h"

#include "tests/engine/EngineWorld.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace std::chrono;

// Monday 4 March 2024 is the first day; the Standard calendar works 08-12 and 13-17, Monday to Friday.
DateTime at(unsigned day, unsigned hour, unsigned minute = 0)
{
    return makeDateTime(2024, 3, day, hour, minute);
}

TEST(AppointmentSpan, KeepsWhatSaysTheSameAndOtherwiseFollowsTheTask)
{
    const WorkCalendar standard = WorkCalendar::standard();
    const WorkBetween work = [&](DateTime a, DateTime b) { return standard.workingTimeBetween(a, b); };
    struct Case {
        const char* what;
        Span appointment;
        bool allDay;
        Span stretch;
        Span expected;
    };
    const Case cases[] = {
        {"equal", {at(4, 8), at(4, 17)}, false, {at(4, 8), at(4, 17)}, {at(4, 8), at(4, 17)}},
        {"early start adds no work",
         {at(4, 7, 30), at(4, 12)},
         false,
         {at(4, 8), at(4, 12)},
         {at(4, 7, 30), at(4, 12)}},
        {"late end over lunch",
         {at(4, 8), at(4, 12, 45)},
         false,
         {at(4, 8), at(4, 12)},
         {at(4, 8), at(4, 12, 45)}},
        {"night event, milestone",
         {at(4, 23), at(5, 7)},
         false,
         {at(4, 23), at(4, 23)},
         {at(4, 23), at(5, 7)}},
        {"all-day day", {at(4, 0), at(5, 0)}, true, {at(4, 8), at(4, 17)}, {at(4, 0), at(5, 0)}},
        {"all-day Fri-Sun", {at(8, 0), at(11, 0)}, true, {at(8, 8), at(8, 17)}, {at(8, 0), at(11, 0)}},
        {"moved timed", {at(4, 8), at(4, 17)}, false, {at(5, 8), at(5, 17)}, {at(5, 8), at(5, 17)}},
        {"start adds work", {at(4, 9), at(4, 17)}, false, {at(4, 10), at(4, 17)}, {at(4, 10), at(4, 17)}},
        {"moved all-day", {at(4, 0), at(5, 0)}, true, {at(6, 8), at(7, 17)}, {at(6, 0), at(8, 0)}},
        {"all-day to midnight end", {at(4, 0), at(5, 0)}, true, {at(6, 0), at(7, 0)}, {at(6, 0), at(7, 0)}},
        {"milestone gets a minute",
         {at(4, 8), at(4, 9)},
         false,
         {at(5, 9), at(5, 9)},
         {at(5, 9), at(5, 9, 1)}},
        {"all-day milestone", {at(4, 0), at(5, 0)}, true, {at(6, 10), at(6, 10)}, {at(6, 0), at(7, 0)}},
    };
    for (const Case& c : cases) {
        const Span got = appointmentSpanFor(c.appointment, c.allDay, c.stretch, work);
        EXPECT_EQ(got, c.expected) << c.what << ": " << formatGermanSpan(got.start, got.end);
    }
}

// Every kind of appointment a calendar holds, made into a task and synchronised: the first sync
// after linking and a second one change neither side.
TEST(Agreement, LinkedAppointmentsSurviveSyncUntouched)
{
    struct Shape {
        const char* what;
        AppointmentData data;
    };
    const Shape shapes[] = {
        {"timed in working time", {.start = at(4, 9), .end = at(4, 11, 30), .subject = "Abstimmung"}},
        {"timed from before work", {.start = at(4, 6), .end = at(4, 12), .subject = "Frühschicht"}},
        {"over night", {.start = at(4, 23), .end = at(5, 7), .subject = "Neujahr Melbourne"}},
        {"one minute", {.start = at(4, 10), .end = at(4, 10, 1), .subject = "Meilenstein"}},
        {"instant", {.start = at(4, 10), .end = at(4, 10), .subject = "Zeitpunkt"}},
        {"all-day", {.start = at(5, 0), .end = at(6, 0), .subject = "Geburtstag", .allDay = true}},
        {"all-day weekend", {.start = at(9, 0), .end = at(11, 0), .subject = "Wochenende", .allDay = true}},
        {"all-day Fri-Mon", {.start = at(8, 0), .end = at(12, 0), .subject = "Messe", .allDay = true}},
    };
    for (const Shape& shape : shapes) {
        EngineWorld w;
        LinkKeyGenerator keys{w.clock, 7};
        auto item = w.calendar.addItem(AppointmentData(shape.data));
        LinkAppointmentsToTasks(w.inputs, {item}, keys, w.context);
        ASSERT_FALSE(w.report.hasFailures()) << shape.what;
        Task& task = *w.project.tasks().back();
        for (int run = 1; run <= 2; ++run) {
            const AppointmentData before = item->snapshot();
            const std::string taskValue = EngineWorld::linkOf(task);
            const auto saved = w.project.tasks().size();
            RunReport report;
            SyncTasks(w.inputs, w.project.tasks(), false, {w.host, w.progress, report});
            const AppointmentData after = item->snapshot();
            EXPECT_EQ(after.start, before.start) << shape.what << ", run " << run;
            EXPECT_EQ(after.end, before.end) << shape.what << ", run " << run;
            EXPECT_EQ(after.subject, before.subject) << shape.what;
            EXPECT_EQ(after.userProperties, before.userProperties) << shape.what;
            EXPECT_EQ(EngineWorld::linkOf(task), taskValue) << shape.what << ", run " << run;
            EXPECT_EQ(w.project.tasks().size(), saved);
            EXPECT_TRUE(report.changes().empty())
                << shape.what << ", run " << run << ": "
                << (report.changes().empty() ? "" : report.changes()[0].detail);
            EXPECT_FALSE(report.hasFailures()) << shape.what;
        }
    }
}

} // namespace
} // namespace zelvant
