#include "addin/Registration.h"

#include "tests/addin/AddinWorld.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

using namespace zelvant::testing;

class RegistrationTest : public ::testing::Test {
protected:
    ConnectServices services() { return {world.registry, world.messages, world.windows, world.clock}; }

    AddinWorld world;
};

TEST_F(RegistrationTest, RegisteringEntersTheAddinForEveryStart)
{
    DllRegisterServer(world.registry);
    const std::string& text = world.registry.text();
    EXPECT_NE(
        text.find("[HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\MS Project\\Addins\\Zelvant.Connect]"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("\"LoadBehavior\"=dword:00000003"), std::string::npos) << text;
    EXPECT_EQ(
        readAddinRegistration(world.registry, "Zelvant.Connect"),
        (AddinRegistration{"Zelvant.Connect", "Zelvant",
                           "COM Addin zur Synchronisierung von Project Tasks und Outlook Terminen.", 3}));
    EXPECT_NE(createAddin(world.registry, "Zelvant.Connect", services()), nullptr);
}

TEST_F(RegistrationTest, NothingRegisteredMeansNoAddin)
{
    EXPECT_FALSE(readAddinRegistration(world.registry, "Zelvant.Connect").has_value());
    EXPECT_EQ(createAddin(world.registry, "Zelvant.Connect", services()), nullptr);
}

TEST_F(RegistrationTest, UnregisteringTakesTheAddinOutAndRegisteringBringsItBack)
{
    DllRegisterServer(world.registry);
    DllUnregisterServer(world.registry);
    EXPECT_FALSE(readAddinRegistration(world.registry, "Zelvant.Connect").has_value());
    EXPECT_EQ(createAddin(world.registry, "Zelvant.Connect", services()), nullptr);
    DllRegisterServer(world.registry);
    EXPECT_EQ(readAddinRegistration(world.registry, "Zelvant.Connect")->loadBehavior, 3u);
    EXPECT_NE(createAddin(world.registry, "Zelvant.Connect", services()), nullptr);
}

TEST_F(RegistrationTest, UnregisteringWhatWasNeverThereWritesNothing)
{
    DllUnregisterServer(world.registry);
    EXPECT_EQ(world.registry.writeCount(), 0);
}

TEST_F(RegistrationTest, LoadBehaviourCanBeChangedByTheHost)
{
    DllRegisterServer(world.registry);
    setAddinLoadBehavior(world.registry, "Zelvant.Connect", kLoadNotLoaded);
    EXPECT_EQ(readAddinRegistration(world.registry, "Zelvant.Connect")->loadBehavior, 2u);
}

TEST_F(RegistrationTest, UnknownClassesAndUnreadableRegistriesGiveNoAddin)
{
    DllRegisterServer(world.registry);
    EXPECT_EQ(createAddin(world.registry, "Other.Connect", services()), nullptr);
    world.registry.setFailing(true);
    EXPECT_FALSE(readAddinRegistration(world.registry, "Zelvant.Connect").has_value());
    EXPECT_EQ(createAddin(world.registry, "Zelvant.Connect", services()), nullptr);
    EXPECT_THROW(DllRegisterServer(world.registry), HostError);
}

} // namespace
} // namespace zelvant
