// What the wizard offers: the unlinked appointments a filter lets through, the categories in use,
// and the unlinked tasks of a choice. One calendar and one plan hold every kind of entry; each
// row of the tables is a filter and what it must offer, in folder or plan order.

#include "engine/Queries.h"

#include "hosts/calendar/MemoryCalendarLauncher.h"
#include "tests/engine/EngineWorld.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using Strings = std::vector<std::string>;
using Choice = TaskFilter::Choice;

DateTime on(int y, unsigned m, unsigned d, unsigned h = 0, unsigned min = 0)
{
    return makeDateTime(y, m, d, h, min);
}

struct Calendar {
    EngineWorld w;
    Calendar()
    {
        const auto add = [&](const char* subject, DateTime start, DateTime end, Strings categories = {},
                             const std::string& value = "") {
            return w.addAppointment(subject, start, end, value, std::move(categories));
        };
        add("1983", on(1983, 12, 31, 23), on(1984, 1, 1, 1));
        add("ErsterTag", on(1984, 1, 1), on(1984, 1, 1, 1));
        add("LetzterTag", on(2049, 12, 31, 22), on(2049, 12, 31, 23, 59));
        add("2050", on(2049, 12, 31, 23), on(2050, 1, 1, 0, 30));
        add("Messe", on(2024, 6, 30, 10), on(2024, 7, 2, 16), {"Rot", "  Blau "});
        add("Doppelt", on(2024, 7, 1, 9), on(2024, 7, 1, 10), {"Blau", "Blau"});
        add("Klein", on(2024, 7, 1, 9), on(2024, 7, 1, 10), {"blau", " "});
        add("Verkn\u00FCpft", on(2024, 7, 1, 9), on(2024, 7, 1, 10), {"Blau", "Gr\u00FCn"}, "000123");
        add("Geleert", on(2024, 7, 1, 9), on(2024, 7, 1, 10), {}, "000123")
            ->userProperties()
            .find(kLinkProperty)
            ->setValue("");
        add("LinkUnlesbar", on(2024, 7, 1, 9), on(2024, 7, 1, 10), {}, "000123")->faults().failOn("Find");
        add("Kaputt", on(2024, 7, 1, 9), on(2024, 7, 1, 10))->faults().failOn("Start");
        add("Alt", on(1983, 5, 2, 9), on(1983, 5, 2, 10), {"Rot"});
    }
};

TEST(Queries, EachFilterOffersItsUnlinkedAppointments)
{
    const auto period = [](DateTime from, DateTime to) {
        return AppointmentFilter{AppointmentFilter::Period, "", from, to};
    };
    const auto category = [](const char* name) {
        return AppointmentFilter{AppointmentFilter::Category, name, {}, {}};
    };
    const Strings july1 = {"Messe", "Doppelt", "Klein", "Geleert", "LinkUnlesbar"};
    const std::pair<AppointmentFilter, Strings> cases[] = {
        {{}, {"ErsterTag", "LetzterTag", "Messe", "Doppelt", "Klein", "Geleert", "LinkUnlesbar"}},
        {category("Blau"), {"Messe", "Doppelt"}}, // trimmed, exact, once
        {category("blau"), {"Klein"}},
        {category("Rot"), {"Messe"}}, // within the years of "all"
        {category(""), {}},
        {period(on(2024, 7, 1, 23), on(2024, 7, 1)), july1},     // only the days count
        {period(on(2024, 6, 1), on(2024, 6, 30)), {"Messe"}},    // starts on the last day
        {period(on(2024, 7, 2, 23), on(2024, 7, 5)), {"Messe"}}, // ends on the first day
        {period(on(2024, 7, 3), on(2024, 7, 5)), {}},
        {period(on(1983, 5, 1), on(1983, 5, 31)), {"Alt"}}, // whatever the year
    };
    Calendar c;
    for (const auto& [filter, expected] : cases) {
        Strings found;
        for (const AppointmentPtr& item : GetAppointments(c.w.calendar, kLinkProperty, filter))
            found.push_back(item->subject());
        EXPECT_EQ(found, expected) << int(filter.kind) << " " << filter.category << " "
                                   << formatGermanSpan(filter.from, filter.to);
    }
    EXPECT_EQ(GetCategories(c.w.calendar), (Strings{"Rot", "Blau", "blau", "Gr\u00FCn"}));
}

TEST(Queries, EachChoiceOffersItsUnlinkedTasks)
{
    EngineWorld w;
    const auto task = [&](const char* name, int level, const char* resources, const char* value = "") {
        MemoryTask& t = w.addTask(name, on(2024, 3, 4, 8), on(2024, 3, 4, 12));
        t.setOutlineLevel(level);
        t.setResourceNames(resources);
        t.setField(kText29, value);
        return &t;
    };
    task("Phase", 1, "Maier");
    task("A", 2, "Maierhofer;Schulz");
    task("Verkn\u00FCpft", 2, "Maier", "000abc");
    w.project.addBlankRow();
    task("B", 2, "Schulz; Maier");
    task("C", 2, "maier");
    task("Leer", 2, "", " ");
    task("Unlesbar", 2, "Maier")->faults().failOn("GetField");
    task("Abschluss", 1, "");
    w.host.select({5, 1});

    const std::pair<TaskFilter, Strings> cases[] = {
        {{Choice::All, "", false}, {"A", "B", "C", "Abschluss"}},
        {{Choice::All, "", true}, {"Phase", "A", "B", "C", "Abschluss"}},
        {{Choice::OfResource, "Maier", false}, {"B"}}, // whole names, letter case included
        {{Choice::OfResource, "Maier", true}, {"Phase", "B"}},
        {{Choice::Selected, "", false}, {"B"}}, // in the order of the selection
        {{Choice::Selected, "", true}, {"B", "Phase"}},
    };
    const auto names = [](const std::vector<Task*>& tasks) {
        Strings result;
        for (Task* t : tasks)
            result.push_back(t->name());
        return result;
    };
    for (const auto& [filter, expected] : cases) {
        const auto tasks = GetUnlinkedTasks(w.host, w.project, filter, kLinkField);
        ASSERT_TRUE(tasks);
        EXPECT_EQ(names(*tasks), expected) << int(filter.choice) << " " << filter.includeSummary;
    }
    EXPECT_EQ(names(GetLinkedTasks(w.project, kLinkField)), (Strings{"Verkn\u00FCpft", "Leer"}));
    w.host.faults().failOn("ActiveSelection");
    EXPECT_FALSE(GetUnlinkedTasks(w.host, w.project, {Choice::Selected, "", true}, kLinkField));
    EXPECT_TRUE(
        GetUnlinkedTasks(w.host, w.project, {Choice::All, "", true}, kLinkField)); // needs no selection
}

TEST(Queries, QueriesWithTheirOwnConnectionQuitOnlyWhatTheyStarted)
{
    MemoryCalendarLauncher launcher;
    launcher.calendar().addItem(
        {.start = on(2024, 7, 1, 9), .end = on(2024, 7, 1, 10), .subject = "X", .categories = {"Rot"}});
    EXPECT_EQ(GetCategories(launcher), Strings{"Rot"});
    ASSERT_NE(launcher.application(), nullptr);
    EXPECT_EQ(launcher.application()->quitCount(), 1);

    MemoryCalendarApplication& running = launcher.runApplication();
    EXPECT_EQ(GetAppointments(launcher, kLinkProperty, AppointmentFilter{}).size(), 1u);
    EXPECT_EQ(running.quitCount(), 0);
}

} // namespace
} // namespace zelvant
