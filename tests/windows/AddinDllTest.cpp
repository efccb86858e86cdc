// zelvant.dll as the host meets it: registered by regsvr32, created by CoCreateInstance,
// connected to a scripted plan host with command bars, its button clicked, disconnected. The
// calendar is reached the way the add-in always reaches it: by its programmatic identifier, here
// answered by a scripted calendar in the running object table.

#include "addin/Connect.h"
#include "addin/Registration.h"
#include "engine/TasksToAppointments.h"
#include "hosts/commandbars/CommandBarModel.h"
#include "tests/engine/EngineWorld.h"
#include "tests/windows/FakeDispatch.h"
#include "windows/com/ComCalendar.h"
#include "windows/com/Extensibility2.h"
#include "windows/com/Wide.h"
#include "windows/com/WinRegistry.h"

#include <gtest/gtest.h>

#include <oleauto.h>

namespace zelvant {
namespace {

// A class identifier the scripted calendar is registered under for this test.
constexpr CLSID kScriptedCalendarClass{
    0x5C3E9A10, 0x2B7D, 0x4F61, {0x8E, 0x44, 0x19, 0xA7, 0xC2, 0x5B, 0x90, 0xD3}};
constexpr RegistryRoot kHkeyLocalMachine = 0x80000002;

DateTime march(unsigned day, unsigned hour)
{
    return makeDateTime(2024, 3, day, hour, 0);
}

// The user's answers and what the add-in told him.
struct Answers {
    std::vector<std::string> said;
    std::vector<int> progress;
    int wizardOpenings = 0;

    fake::Object* object()
    {
        auto* answers = new fake::Object;
        const auto tell = [this](const fake::Arguments& a) {
            said.push_back(a.at(0).text());
            return Variant();
        };
        answers->get("Warning", tell)
            .get("Information", tell)
            .get("AskYesNo",
                 [this](const fake::Arguments& a) {
                     said.push_back(a.at(0).text());
                     return Variant(true);
                 })
            .get("Progress",
                 [this](const fake::Arguments& a) {
                     progress.push_back(a.at(0).number());
                     return Variant();
                 })
            .get("Wizard", [this](const fake::Arguments&) {
                ++wizardOpenings;
                return Variant();
            });
        return answers;
    }
};

class AddinDllTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::world() = {};
        BarState tools{kToolsMenu, "Extras", kBarTypePopup, kBarPopup, true, true, {}};
        ControlState options;
        options.id = 2131;
        options.caption = "&Optionen...";
        tools.controls.push_back(options);
        bars.addBar(tools);
        // The calendar's programmatic identifier leads to the scripted calendar, which runs.
        WinRegistry registry;
        registry.createKey(kHkeyLocalMachine, "Software\\Classes\\Outlook.Application\\CLSID")
            ->set("", RegValue::sz("{5C3E9A10-2B7D-4F61-8E44-19A7C25B90D3}"));
        DispatchPtr calendar = DispatchPtr::adopt(fake::calendarApplication(world.calendarApp));
        ASSERT_EQ(
            RegisterActiveObject(calendar.get(), kScriptedCalendarClass, ACTIVEOBJECT_STRONG, &running_),
            S_OK);
        application = DispatchPtr::adopt(fake::projectApplication(world.host, &bars));
        auto* instance = new fake::Object;
        instance->get("ProgId", [](const fake::Arguments&) { return Variant(kProgId); });
        addInInst = DispatchPtr::adopt(instance);
        answers = DispatchPtr::adopt(answered.object());
    }

    void TearDown() override
    {
        RevokeActiveObject(running_, nullptr);
        application = addInInst = answers = nullptr;
        EXPECT_EQ(fake::world().liveObjects, 0) << "every reference the add-in took is released";
    }

    // A new add-in from the registered library, answering in the user's place.
    ComPtr<IDTExtensibility2> createAddin()
    {
        ComPtr<IDTExtensibility2> addin;
        const HRESULT created = CoCreateInstance(kConnectClassId, nullptr, CLSCTX_INPROC_SERVER,
                                                 kExtensibility2Iid, reinterpret_cast<void**>(addin.put()));
        EXPECT_EQ(created, S_OK) << "zelvant.dll is registered (regsvr32 /i:machine)";
        if (!addin)
            return addin;
        ComPtr<IZelvantUserInterface> user;
        EXPECT_EQ(addin->QueryInterface(kUserInterfaceIid, reinterpret_cast<void**>(user.put())), S_OK);
        if (user)
            user->UseUserInterface(answers.get());
        return addin;
    }

    EngineWorld world;
    CommandBarModel bars;
    Answers answered;
    DispatchPtr application, addInInst, answers;

private:
    DWORD running_ = 0;
};

TEST_F(AddinDllTest, RegistrationTellsTheHostToLoadTheClassAtEveryStart)
{
    WinRegistry registry;
    const std::string classKey = std::string("Software\\Classes\\CLSID\\") + kClassId;
    for (RegistryRoot root : {kHkeyCurrentUser, kHkeyLocalMachine}) {
        const auto server = registry.openKey(root, classKey + "\\InprocServer32");
        ASSERT_NE(server, nullptr) << root;
        EXPECT_EQ(server->query("ThreadingModel"), RegValue::sz("Apartment"));
        EXPECT_NE(server->query("")->data.find("zelvant.dll"), std::string::npos);
        EXPECT_EQ(registry.openKey(root, std::string("Software\\Classes\\") + kProgId + "\\CLSID")->query(""),
                  RegValue::sz(kClassId));
    }
    EXPECT_EQ(readAddinRegistration(registry, kProgId),
              (AddinRegistration{kProgId, kAddinFriendlyName, kAddinDescription, kLoadAtStartup}));
}

// Connected at start-up, the add-in puts its entry and toolbar in place; the toolbar's
// synchronisation button runs the quick synchronisation, in which the moved appointment wins;
// unloaded by the user, it takes its controls away and lets go of every host object.
TEST_F(AddinDllTest, QuickSynchronisationRunsFromTheToolbarButton)
{
    world.addTask("Entwurf", march(4, 8), march(4, 17));
    LinkKeyGenerator keys(world.clock, 5);
    LinkTasksToAppointments(world.inputs, world.project.tasks(), BusyStatus::Busy, keys, world.context);
    const auto item = world.calendar.appointments().front();
    item->setStart(march(6, 8));
    item->setEnd(march(6, 17));
    item->save();

    ComPtr<IDTExtensibility2> addin = createAddin();
    ASSERT_TRUE(addin);
    const SafeArray empty = SafeArray::ofTexts({}); // what hosts pass as the custom arguments
    SAFEARRAY* custom = empty.get();
    ASSERT_EQ(addin->OnConnection(application.get(), int(ConnectMode::Startup), addInInst.get(), &custom),
              S_OK);
    ASSERT_NE(bars.findControl(kMenuTag), nullptr);
    EXPECT_EQ(bars.item(kToolsMenu)->controls().front()->tag(), kMenuTag) << "before the host's own entry";
    const ControlPtr sync = bars.item(kToolbarName)->findControl(kSyncButtonTag);
    ASSERT_NE(sync, nullptr);
    EXPECT_EQ(sync->onAction(), "!<Zelvant.Connect>");

    sync->execute();
    EXPECT_EQ(world.project.tasks().front()->start(), march(6, 8)) << "the calendar wins";
    EXPECT_EQ(world.linkRuleBreaches(), std::vector<std::string>{});
    ASSERT_FALSE(answered.progress.empty());
    EXPECT_EQ(answered.progress.back(), 100);
    EXPECT_EQ(answered.said, std::vector<std::string>{kSavePromptText});
    EXPECT_TRUE(world.host.hostSwitch()) << "the host's screen is on again";
    EXPECT_FALSE(world.calendarApp.isQuit()) << "a calendar the user had open stays open";

    ASSERT_EQ(addin->OnDisconnection(int(RemoveMode::UserClosed), nullptr), S_OK);
    EXPECT_EQ(bars.findControl(kMenuTag), nullptr);
    EXPECT_EQ(bars.find(kToolbarName), nullptr);
    addin = nullptr;
}

// Late-bound hosts call the same five events through IDispatch by name and number; started by
// another program, the add-in opens the wizard straight away and puts no controls anywhere.
TEST_F(AddinDllTest, EventsAnswerThroughInvokeByTheirNumbers)
{
    world.addTask("Entwurf", march(4, 8), march(4, 17));
    ComPtr<IDTExtensibility2> addin = createAddin();
    ASSERT_TRUE(addin);
    const wchar_t* names[] = {L"OnConnection", L"OnDisconnection", L"OnAddInsUpdate", L"OnStartupComplete",
                              L"OnBeginShutdown"};
    for (DISPID expected = 1; expected <= 5; ++expected) {
        LPOLESTR name = const_cast<LPOLESTR>(names[expected - 1]);
        DISPID id = 0;
        EXPECT_EQ(addin->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
        EXPECT_EQ(id, expected);
    }

    const SafeArray customTexts = SafeArray::ofTexts({"/safe"});
    SAFEARRAY* custom = customTexts.get();
    VARIANT connection[4]; // last to first: custom, AddInInst, ConnectMode, Application
    for (VARIANT& argument : connection)
        VariantInit(&argument);
    connection[0].vt = VT_ARRAY | VT_VARIANT | VT_BYREF;
    connection[0].pparray = &custom;
    connection[1].vt = VT_DISPATCH;
    connection[1].pdispVal = addInInst.get();
    connection[2].vt = VT_I4;
    connection[2].lVal = int(ConnectMode::External);
    connection[3].vt = VT_DISPATCH;
    connection[3].pdispVal = application.get();
    DISPPARAMS parameters{connection, nullptr, 4, 0};
    EXPECT_EQ(addin->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(answered.wizardOpenings, 1);
    EXPECT_EQ(bars.findControl(kMenuTag), nullptr);

    VARIANT disconnection[2];
    VariantInit(&disconnection[0]);
    VariantInit(&disconnection[1]);
    disconnection[1].vt = VT_I4;
    disconnection[1].lVal = int(RemoveMode::HostShutdown);
    DISPPARAMS shutdown{disconnection, nullptr, 2, 0};
    EXPECT_EQ(addin->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &shutdown, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(addin->Invoke(9, IID_NULL, 0, DISPATCH_METHOD, &shutdown, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    addin = nullptr;
}

} // namespace
} // namespace zelvant

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    zelvant::ComApartment apartment;
    return RUN_ALL_TESTS();
}
