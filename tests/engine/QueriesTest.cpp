#include "engine/Queries.h"

#include "hosts/calendar/MemoryCalendarLauncher.h"
#include "tests/engine/EngineWorld.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

class QueriesTest : public ::testing::Test {
protected:
    std::vector<std::string> subjects(const AppointmentFilter& filter)
    {
        std::vector<std::string> result;
        for (const AppointmentPtr& item : GetAppointments(w.calendar, kLinkProperty, filter))
            result.push_back(item->subject());
        return result;
    }

    std::shared_ptr<MemoryAppointment> appointment(const std::string& subject, DateTime start, DateTime end,
                                                   std::vector<std::string> categories = {})
    {
        return w.addAppointment(subject, start, end, "", std::move(categories));
    }

    static std::vector<std::string> names(const std::vector<Task*>& tasks)
    {
        std::vector<std::string> result;
        for (Task* task : tasks)
            result.push_back(task->name());
        return result;
    }

    std::optional<std::vector<std::string>> unlinked(TaskChoice choice, bool includeSummary,
                                                     const std::string& resource = "")
    {
        const auto tasks = GetUnlinkedTasks(w.host, w.project, {choice, resource, includeSummary}, kLinkField);
        if (!tasks)
            return std::nullopt;
        return names(*tasks);
    }

    MemoryTask& task(const std::string& name, int level = 1, const std::string& resources = "")
    {
        MemoryTask& t = w.addTask(name, makeDateTime(2024, 3, 4, 8), makeDateTime(2024, 3, 4, 12));
        t.setOutlineLevel(level);
        t.setResourceNames(resources);
        return t;
    }

    using Strings = std::vector<std::string>;
    EngineWorld w;
    const AppointmentFilter all{};
};

AppointmentFilter period(DateTime from, DateTime to)
{
    return {AppointmentFilter::Period, "", from, to};
}

AppointmentFilter category(const std::string& name)
{
    return {AppointmentFilter::Category, name, {}, {}};
}

TEST_F(QueriesTest, AllAppointmentsStayWithin1984And2049ByDay)
{
    appointment("1983", makeDateTime(1983, 12, 31, 23), makeDateTime(1984, 1, 1, 1));
    appointment("ErsterTag", makeDateTime(1984, 1, 1, 0), makeDateTime(1984, 1, 1, 1));
    appointment("LetzterTag", makeDateTime(2049, 12, 31, 22), makeDateTime(2049, 12, 31, 23, 59));
    appointment("2050", makeDateTime(2049, 12, 31, 23), makeDateTime(2050, 1, 1, 0, 30));
    EXPECT_EQ(subjects(all), (Strings{"ErsterTag", "LetzterTag"}));
}

TEST_F(QueriesTest, LinkedAppointmentsAreNotOfferedButUnreadableLinksCountAsUnlinked)
{
    const DateTime day = makeDateTime(2024, 7, 1, 9);
    w.addAppointment("Verkn\u00FCpft", day, day + Minutes{60}, "000123");
    auto emptied = w.addAppointment("Geleert", day, day + Minutes{60}, "000123");
    emptied->userProperties().find(kLinkProperty)->setValue("");
    auto unreadable = w.addAppointment("Unlesbar", day, day + Minutes{60}, "000123");
    unreadable->faults().failOn("Find");
    EXPECT_EQ(subjects(all), (Strings{"Geleert", "Unlesbar"}));
}

TEST_F(QueriesTest, PeriodOffersAppointmentsOverlappingByAtLeastADay)
{
    appointment("Messe", makeDateTime(2024, 6, 30, 10), makeDateTime(2024, 7, 2, 16));
    // Only the days of the pickers count, not their times.
    EXPECT_EQ(subjects(period(makeDateTime(2024, 7, 1, 23), makeDateTime(2024, 7, 1, 0))), Strings{"Messe"});
    EXPECT_EQ(subjects(period(makeDateTime(2024, 7, 2, 23), makeDateTime(2024, 7, 5))), Strings{"Messe"});
    EXPECT_TRUE(subjects(period(makeDateTime(2024, 7, 3), makeDateTime(2024, 7, 5))).empty());
    EXPECT_TRUE(subjects(period(makeDateTime(2024, 6, 1), makeDateTime(2024, 6, 29, 23, 59))).empty());
}

TEST_F(QueriesTest, PeriodIgnoresTheYearLimits)
{
    appointment("Alt", makeDateTime(1983, 5, 2, 9), makeDateTime(1983, 5, 2, 10), {"Rot"});
    EXPECT_EQ(subjects(period(makeDateTime(1983, 5, 1), makeDateTime(1983, 5, 31))), Strings{"Alt"});
    EXPECT_TRUE(subjects(all).empty());
    EXPECT_TRUE(subjects(category("Rot")).empty());
}

TEST_F(QueriesTest, CategoryMatchesTrimmedPartsExactlyAndOnlyOnce)
{
    const DateTime day = makeDateTime(2024, 7, 1, 9);
    appointment("Zwei", day, day + Minutes{60}, {"Rot", "  Blau "});
    appointment("Doppelt", day, day + Minutes{60}, {"Blau", "Blau"});
    appointment("Klein", day, day + Minutes{60}, {"blau"});
    w.addAppointment("Verkn\u00FCpft", day, day + Minutes{60}, "000123", {"Blau"});
    EXPECT_EQ(subjects(category("Blau")), (Strings{"Zwei", "Doppelt"}));
    EXPECT_EQ(subjects(category("blau")), Strings{"Klein"});
    EXPECT_TRUE(subjects(category("")).empty());
}

TEST_F(QueriesTest, AppointmentThatCannotBeReadIsLeftOutWithoutStoppingTheQuery)
{
    const DateTime day = makeDateTime(2024, 7, 1, 9);
    appointment("Kaputt", day, day + Minutes{60})->faults().failOn("Start");
    appointment("Heil", day, day + Minutes{60});
    EXPECT_EQ(subjects(all), Strings{"Heil"});
}

TEST_F(QueriesTest, CategoriesAreDistinctInFirstSeenOrderWithTheirCase)
{
    const DateTime day = makeDateTime(2024, 7, 1, 9);
    appointment("A", day, day + Minutes{60}, {"Rot", "Blau"});
    w.addAppointment("B", day, day + Minutes{60}, "000123", {"Blau", "Gr\u00FCn"}); // linked ones count too
    appointment("C", day, day + Minutes{60}, {"rot", " "});
    appointment("D", day, day + Minutes{60});
    EXPECT_EQ(GetCategories(w.calendar), (Strings{"Rot", "Blau", "Gr\u00FCn", "rot"}));
}

TEST_F(QueriesTest, QueriesWithTheirOwnConnectionQuitOnlyWhatTheyStarted)
{
    MemoryCalendarLauncher launcher;
    const DateTime day = makeDateTime(2024, 7, 1, 9);
    launcher.calendar().addItem(
        {.start = day, .end = day + Minutes{60}, .subject = "X", .categories = {"Rot"}});

    EXPECT_EQ(GetCategories(launcher), Strings{"Rot"});
    ASSERT_NE(launcher.application(), nullptr);
    EXPECT_EQ(launcher.application()->quitCount(), 1);

    MemoryCalendarApplication& running = launcher.runApplication();
    EXPECT_EQ(GetAppointments(launcher, kLinkProperty, all).size(), 1u);
    EXPECT_EQ(running.quitCount(), 0);
}

TEST_F(QueriesTest, AllModeSkipsLinkedTasksAndSummariesUnlessIncluded)
{
    task("Phase");
    task("Entwurf", 2);
    task("Verkn\u00FCpft", 2).setField(kText29, "irgendwas");
    w.project.addBlankRow();
    task("Abschluss");
    EXPECT_EQ(unlinked(TaskChoice::All, false), (Strings{"Entwurf", "Abschluss"}));
    EXPECT_EQ(unlinked(TaskChoice::All, true), (Strings{"Phase", "Entwurf", "Abschluss"}));
}

TEST_F(QueriesTest, ResourceModeMatchesWholeNamesWithTheirCase)
{
    task("Gruppe", 1, "Maier");
    task("A", 2, "Maierhofer;Schulz");
    task("B", 2, "Schulz; Maier");
    task("C", 2, "maier");
    EXPECT_EQ(unlinked(TaskChoice::OfResource, false, "Maier"), Strings{"B"});
    EXPECT_EQ(unlinked(TaskChoice::OfResource, true, "Maier"), (Strings{"Gruppe", "B"}));
}

TEST_F(QueriesTest, SelectionModeReadsTheSelectionOrGivesNothing)
{
    task("Phase");
    task("Eins", 2);
    task("Zwei", 2);
    w.host.select({3, 1});
    EXPECT_EQ(unlinked(TaskChoice::Selected, false), Strings{"Zwei"});
    EXPECT_EQ(unlinked(TaskChoice::Selected, true), (Strings{"Zwei", "Phase"}));

    w.host.faults().failOn("ActiveSelection");
    EXPECT_EQ(unlinked(TaskChoice::Selected, true), std::nullopt);
    EXPECT_EQ(unlinked(TaskChoice::All, true)->size(), 3u); // only the selection needs the host's answer
}

TEST_F(QueriesTest, UnreadableTasksAreNotOffered)
{
    task("Lesbar");
    task("Unlesbar").faults().failOn("GetField");
    EXPECT_EQ(unlinked(TaskChoice::All, true), Strings{"Lesbar"});
}

TEST_F(QueriesTest, LinkedTasksAreThoseWithAnyTextInPlanOrder)
{
    task("Leer");
    task("Wert").setField(kText29, "000abc");
    w.project.addBlankRow();
    task("Unsinn").setField(kText29, " ");
    task("Unlesbar").faults().failOn("GetField");
    EXPECT_EQ(names(GetLinkedTasks(w.project, kLinkField)), (Strings{"Wert", "Unsinn"}));
}

} // namespace
} // namespace zelvant
