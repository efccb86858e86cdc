// The COM adapters against scripted COM objects over the in-memory hosts: the host contracts,
// the wizard's four operations, how failures read, dates, and the real registry.

#include "engine/AppointmentsToTasks.h"
#include "engine/LinkRemoval.h"
#include "engine/Synchronizer.h"
#include "engine/TasksToAppointments.h"
#include "services/Registry.h"
#include "tests/contract/CalendarContract.h"
#include "tests/contract/ProjectContract.h"
#include "tests/engine/EngineWorld.h"
#include "tests/windows/FakeDispatch.h"
#include "windows/com/ComCalendar.h"
#include "windows/com/ComProject.h"
#include "windows/com/WinRegistry.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace zelvant {
namespace {

using namespace std::chrono;

Dispatch adopted(fake::Object* object)
{
    return Dispatch(DispatchPtr::adopt(object), "Fake");
}

// The plan and calendar of the memory hosts, reached only through COM. The memory host is
// kept first, so it outlives the adapter that calls into it.
struct PlanHolder {
    std::unique_ptr<MemoryProjectApplication> memory;
};
class ComPlan : private PlanHolder, public ComProjectApplication {
public:
    explicit ComPlan(std::unique_ptr<MemoryProjectApplication> host)
        : PlanHolder{std::move(host)},
          ComProjectApplication(adopted(fake::projectApplication(*memory, nullptr)))
    {
    }
};

struct CalendarHolder {
    std::unique_ptr<MemoryCalendarApplication> memory;
};
class ComCalendar : private CalendarHolder, public ComCalendarApplication {
public:
    ComCalendar()
        : CalendarHolder{std::make_unique<MemoryCalendarApplication>()},
          ComCalendarApplication(adopted(fake::calendarApplication(*memory)), false)
    {
    }
};

struct ComProjectBackend {
    static std::unique_ptr<ProjectApplication> make()
    {
        auto project = std::make_unique<MemoryProject>("Contract", makeDateTime(2024, 3, 4, 8, 0));
        return std::make_unique<ComPlan>(std::make_unique<MemoryProjectApplication>(std::move(project)));
    }
    static void reopen(std::unique_ptr<ProjectApplication>&) {}
};

struct ComCalendarBackend {
    static std::unique_ptr<CalendarApplication> make() { return std::make_unique<ComCalendar>(); }
    static void reopen(std::unique_ptr<CalendarApplication>&) {}
};

} // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Com, ProjectContract, ::testing::Types<ComProjectBackend>);
INSTANTIATE_TYPED_TEST_SUITE_P(Com, CalendarContract, ::testing::Types<ComCalendarBackend>);

namespace {

// The memory world, and the engine's inputs over the COM adapters of the same plan and calendar.
class ComWorld : public EngineWorld {
public:
    ComWorld()
    {
        fake::world() = {};
        plan_.emplace(adopted(fake::projectApplication(host, nullptr)));
        calendar_.emplace(adopted(fake::calendarApplication(calendarApp)), false);
    }
    ~ComWorld()
    {
        calendar_.reset();
        plan_.reset();
        EXPECT_EQ(fake::world().liveObjects, 0) << "every COM reference is released";
        EXPECT_FALSE(fake::world().propertyPutWithoutNamedArgument);
    }
    ComWorld(const ComWorld&) = delete;
    ComWorld& operator=(const ComWorld&) = delete;

    ComProjectApplication& comHost() { return *plan_; }
    Project& comProject() { return plan_->activeProject(); }
    EngineInputs comInputs()
    {
        return {*calendar_, comProject(), calendar_->getNamespace("MAPI").getDefaultFolder(kCalendarFolder)};
    }
    RunContext comContext() { return {*plan_, progress, report}; }

    // The whole calendar and the plan's link fields, to see that a run changed nothing.
    std::string state()
    {
        std::string text;
        for (const auto& item : calendar.appointments())
            text +=
                formatIso(item->start()) + formatIso(item->end()) + item->subject() + linkOf(*item) + "\n";
        for (Task* task : project.tasks())
            text +=
                task->name() + formatIso(task->start()) + formatIso(task->finish()) + linkOf(*task) + "\n";
        return text;
    }

private:
    std::optional<ComProjectApplication> plan_;
    std::optional<ComCalendarApplication> calendar_;
};

DateTime march(unsigned day, unsigned hour)
{
    return makeDateTime(2024, 3, day, hour, 0);
}

// Each of the wizard's operations, run on plan and calendar through the adapters, does what it
// says, keeps the link rule, and leaves a synchronisation right after it nothing to change.
TEST(ComEngineTest, TheWizardsFourOperationsKeepTheLinkRuleThroughTheAdapters)
{
    struct Operation {
        const char* name;
        std::function<void(ComWorld&)> setup;
        std::function<void(ComWorld&, LinkKeyGenerator&)> run;
        std::set<std::string> linked;
        std::size_t appointments;
    };
    const auto linkAll = [](ComWorld& w) {
        LinkKeyGenerator keys(w.clock, 3);
        LinkTasksToAppointments(w.inputs, w.project.tasks(), BusyStatus::Busy, keys, w.context);
    };
    const std::vector<Operation> operations{
        {"Vorgänge zu Terminen",
         [](ComWorld& w) {
             w.addTask("Entwurf", march(4, 8), march(4, 17));
             w.addSplitTask("Bau", {{march(5, 8), march(5, 12)}, {march(7, 8), march(7, 17)}});
         },
         [](ComWorld& w, LinkKeyGenerator& keys) {
             LinkTasksToAppointments(w.comInputs(), w.comProject().tasks(), BusyStatus::Tentative, keys,
                                     w.comContext());
         },
         {"Entwurf", "Bau"},
         3},
        {"Termine zu Vorgängen",
         [](ComWorld& w) {
             w.addAppointment("Messe", march(6, 9), march(6, 12));
             w.addAppointment("Abnahme", march(8, 13), march(8, 15));
         },
         [](ComWorld& w, LinkKeyGenerator& keys) {
             const EngineInputs inputs = w.comInputs();
             LinkAppointmentsToTasks(inputs, inputs.folder.items(), keys, w.comContext());
         },
         {"Messe", "Abnahme"},
         2},
        {"Synchronisieren: der verschobene Termin gewinnt",
         [&](ComWorld& w) {
             w.addTask("Entwurf", march(4, 8), march(4, 17));
             linkAll(w);
             const auto item = w.calendar.appointments().front();
             item->setStart(march(5, 8));
             item->setEnd(march(5, 17));
             item->save();
         },
         [](ComWorld& w, LinkKeyGenerator&) {
             SyncTasks(w.comInputs(), w.comProject().tasks(), false, w.comContext());
             EXPECT_EQ(w.project.tasks().front()->start(), march(5, 8));
         },
         {"Entwurf"},
         1},
        {"Verknüpfungen entfernen",
         [&](ComWorld& w) {
             w.addTask("Entwurf", march(4, 8), march(4, 17));
             w.addTask("Bau", march(5, 8), march(5, 17));
             linkAll(w);
         },
         [](ComWorld& w, LinkKeyGenerator&) {
             Task& first = *w.comProject().tasks().front();
             RemoveLinks(w.comInputs(), {{first.id(), EngineWorld::linkOf(first), true}}, w.comContext());
         },
         {"Bau"},
         2},
    };
    for (const Operation& operation : operations) {
        SCOPED_TRACE(operation.name);
        ComWorld w;
        operation.setup(w);
        LinkKeyGenerator keys(w.clock, 11);
        operation.run(w, keys);
        EXPECT_EQ(w.report.failureLines(), std::vector<std::string>{});
        EXPECT_EQ(w.linkRuleBreaches(), std::vector<std::string>{});
        std::set<std::string> linked;
        for (Task* task : w.project.tasks())
            if (!EngineWorld::linkOf(*task).empty())
                linked.insert(task->name());
        EXPECT_EQ(linked, operation.linked);
        EXPECT_EQ(w.calendar.appointments().size(), operation.appointments);

        const std::string after = w.state();
        SyncTasks(w.comInputs(), w.comProject().tasks(), false, w.comContext());
        EXPECT_EQ(w.state(), after) << "a second run changes nothing";
    }
}

// A failed call says which member failed, with the object's own words and the HRESULT, and
// changes nothing.
TEST(ComCallTest, FailuresNameTheMemberTheResultAndTheObjectsOwnWords)
{
    struct Row {
        const char* member;
        fake::Failure failure;
        const char* expected;
    };
    const std::vector<Row> rows{
        {"Name",
         {DISP_E_EXCEPTION, "Der Vorgang ist gesperrt.", false, HRESULT(0x800A03ECL), 0},
         "Name: Der Vorgang ist gesperrt. (HRESULT 0x800A03EC)"},
        {"Name",
         {DISP_E_EXCEPTION, "Erst auf Nachfrage.", true, HRESULT(0x800A03ECL), 0},
         "Name: Erst auf Nachfrage. (HRESULT 0x800A03EC)"},
        {"Name", {DISP_E_EXCEPTION, "", false, 0, 0}, "Name: Aufruf fehlgeschlagen (HRESULT 0x80020009)"},
        {"SetField",
         {DISP_E_TYPEMISMATCH, "", false, 0, 0},
         "SetField, Argument 2: Aufruf fehlgeschlagen (HRESULT 0x80020005)"},
        {"SetField",
         {DISP_E_TYPEMISMATCH, "", false, 0, 1},
         "SetField, Argument 1: Aufruf fehlgeschlagen (HRESULT 0x80020005)"},
        {"Name", {RPC_E_DISCONNECTED, "", false, 0, 0}, "Name: Aufruf fehlgeschlagen (HRESULT 0x80010108)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        ComWorld w;
        w.addTask("Entwurf", march(4, 8), march(4, 17));
        Task& task = *w.comProject().tasks().front();
        fake::world().failures[row.member] = row.failure;
        try {
            if (std::string(row.member) == "Name")
                task.setName("Bau");
            else
                task.setField(188744015, "x");
            ADD_FAILURE() << "no HostError";
        } catch (const HostError& error) {
            EXPECT_EQ(std::string(error.what()), row.expected);
        }
        EXPECT_EQ(w.project.tasks().front()->name(), "Entwurf");
        EXPECT_EQ(EngineWorld::linkOf(*w.project.tasks().front()), "");
    }
}

// The host's dates are days since 30 December 1899 with the time as the fraction; before that
// day the fraction still counts forward from midnight.
TEST(ComDateTest, HostDatesRoundTripToTheSecond)
{
    const std::vector<std::pair<DateTime, double>> anchors{
        {makeDateTime(1899, 12, 30), 0.0},
        {makeDateTime(1900, 1, 1), 2.0},
        {makeDateTime(2024, 3, 4, 12, 0), 45355.5},
        {makeDateTime(1899, 12, 29, 6, 0), -1.25},
    };
    for (const auto& [moment, date] : anchors) {
        EXPECT_DOUBLE_EQ(oleDate(moment), date) << formatIso(moment);
        EXPECT_EQ(fromOleDate(date), moment) << date;
    }
    std::mt19937_64 random(20261207);
    std::uniform_int_distribution<long long> seconds(-2'000'000'000LL, 5'000'000'000LL);
    for (int i = 0; i < 10000; ++i) {
        const DateTime moment{std::chrono::seconds{seconds(random)}};
        ASSERT_EQ(fromOleDate(oleDate(moment)), moment) << formatIso(moment);
        ASSERT_EQ(Variant::date(moment).date(), moment);
    }
    EXPECT_EQ(Variant("NA").date(), std::nullopt) << "the plan's text for no date";
}

// A host's custom arguments arrive as an array of variants (or of plain texts); whatever it
// holds reads back as the texts, in order, and the owner frees what it made.
TEST(ComSafeArrayTest, CustomArgumentsReadBackAsTexts)
{
    const std::vector<std::vector<std::string>> tables{
        {},
        {""},
        {"/safe", "\u0141\u00F3d\u017A \u03A9\u03BC\u03AD\u03B3\u03B1", std::string(300, 'x')},
    };
    for (const auto& texts : tables) {
        const SafeArray array = SafeArray::ofTexts(texts);
        EXPECT_EQ(SafeArray::texts(array.get()), texts) << texts.size();
    }
    EXPECT_TRUE(SafeArray::texts(nullptr).empty()) << "a host may leave them out";

    SAFEARRAY* plain = SafeArrayCreateVector(VT_BSTR, 1, 2); // lower bound 1, as some hosts build them
    ASSERT_NE(plain, nullptr);
    const Bstr words[] = {Bstr("eins"), Bstr("zwei")};
    for (LONG index = 1; index <= 2; ++index) // the array keeps copies
        ASSERT_EQ(SafeArrayPutElement(plain, &index, words[index - 1].get()), S_OK);
    EXPECT_EQ(SafeArray::texts(plain), (std::vector<std::string>{"eins", "zwei"}));
    SafeArrayDestroy(plain);

    SAFEARRAY* numbers = SafeArrayCreateVector(VT_I4, 0, 1);
    ASSERT_NE(numbers, nullptr);
    EXPECT_THROW(SafeArray::texts(numbers), HostError);
    SafeArrayDestroy(numbers);
}

// The real registry keeps every value as written: text in any script, numbers, raw bytes; the
// settings' routines read back what they stored.
TEST(WinRegistryTest, ValuesAndSettingsRoundTripInAnyScript)
{
    const std::string key = "Software\\Zelvant-Test\\Round trip";
    deleteRegistryTree(kHkeyCurrentUser, "Software\\Zelvant-Test");
    WinRegistry registry;
    EXPECT_EQ(registry.openKey(kHkeyCurrentUser, key), nullptr);
    const std::vector<std::pair<std::string, RegValue>> values{
        {"Ressource", RegValue::sz("\u0141\u00F3d\u017A \u010Capek \u03A9\u03BC\u03AD\u03B3\u03B1")},
        {"Pfad", RegValue::expandSz("%APPDATA%\\Zelvant")},
        {"Zahl", RegValue::dword(0xFEDCBA98u)},
        {"Bytes", RegValue::binary(std::string("\0\x01\xFF", 3))},
        {"Leer", RegValue::sz("")},
    };
    for (const auto& [name, value] : values)
        registry.createKey(kHkeyCurrentUser, key)->set(name, value);
    const auto opened = registry.openKey(kHkeyCurrentUser, key);
    ASSERT_NE(opened, nullptr);
    for (const auto& [name, value] : values)
        EXPECT_EQ(opened->query(name), value) << name;
    EXPECT_EQ(opened->query("Fehlt"), std::nullopt);

    for (std::string name :
         {"Zo\u00EB", "\u0141ukasz Wi\u015Bniewski", "\u0394\u03B7\u03BC\u03AE\u03C4\u03C1\u03B7\u03C2"}) {
        ASSERT_TRUE(RegSetString(registry, kHkeyCurrentUser, key, "ResourceName", name));
        EXPECT_EQ(RegGetString(registry, kHkeyCurrentUser, key, "ResourceName"), name);
    }
    deleteRegistryTree(kHkeyCurrentUser, "Software\\Zelvant-Test");
    EXPECT_EQ(registry.openKey(kHkeyCurrentUser, key), nullptr);
}

} // namespace
} // namespace zelvant
