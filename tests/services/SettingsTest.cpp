#include "services/Settings.h"

#include "hosts/registry/MemoryRegistry.h"
#include "services/Registry.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

const DateTime kToday = makeDateTime(2024, 5, 17, 14, 35, 12);

DateTime day(int y, int m, int d)
{
    return makeDateTime(y, m, d);
}

// Options a wizard might hold before the store is read: nothing at its default.
const WizardOptions kStartState{1,
                                1,
                                2,
                                "Start-Ressource",
                                CheckState::Checked,
                                CheckState::Greyed,
                                CheckState::Checked,
                                1,
                                "Start-Kategorie",
                                day(2001, 1, 1),
                                day(2001, 1, 2)};

class SettingsTest : public ::testing::Test {
protected:
    void put(const std::string& name, const RegValue& value, const char* key = kSettingsKey)
    {
        registry.createKey(kHkeyCurrentUser, key)->set(name, value);
    }
    std::string stored(const std::string& name)
    {
        return RegGetString(registry, kHkeyCurrentUser, kSettingsKey, name);
    }
    WizardOptions loaded(bool failed = false)
    {
        WizardOptions options = kStartState;
        EXPECT_EQ(LoadSettings(registry, options, kToday), failed);
        return options;
    }

    MemoryRegistry registry;
};

// Defaults at the first run (the day, not the moment; the texts kept), nothing written; an
// unreachable store gives the defaults too and reports failed writes.
TEST_F(SettingsTest, FirstRunOrAnUnreachableStoreGivesTheDefaults)
{
    const WizardOptions defaults{0,
                                 0,
                                 0,
                                 "Start-Ressource",
                                 CheckState::Unchecked,
                                 CheckState::Unchecked,
                                 CheckState::Unchecked,
                                 0,
                                 "Start-Kategorie",
                                 day(2024, 5, 17),
                                 day(2024, 5, 17)};
    EXPECT_EQ(loaded(), defaults);
    EXPECT_EQ(registry.writeCount(), 0);
    put("SyncType", RegValue::sz("2"));
    registry.setFailing(true);
    EXPECT_EQ(loaded(), defaults);
    EXPECT_TRUE(SaveSettings(registry, kStartState));
}

// What the wizard held at its finish comes back: the texts only with their choice (else the stored
// blank), the period only when it was the choice (else today). Saving it again writes the same text.
TEST_F(SettingsTest, WhatIsSavedComesBack)
{
    const DateTime today = day(2024, 5, 17);
    const WizardOptions rows[] = {
        {2, 1, 1, "M\u00FCller", CheckState::Greyed, CheckState::Checked, CheckState::Unchecked, 2, "Projekt",
         day(2024, 3, 5), day(2049, 12, 31)},
        {0, 0, 1, "Wojciech \u0141ukaszewicz \u0393\u03B9\u03AC\u03BD\u03BD\u03B7\u03C2 \u65E5\u672C",
         CheckState::Unchecked, CheckState::Greyed, CheckState::Checked, 1, "Ji\u0159\u00ED \u00C5sa", today,
         today},
        {0, 0, 2, "M\u00FCller", CheckState::Unchecked, CheckState::Unchecked, CheckState::Unchecked, 1, "",
         day(2030, 6, 6), day(2030, 7, 7)},
    };
    for (const WizardOptions& saved : rows) {
        SCOPED_TRACE(saved.resourceName + "/" + saved.category);
        registry.setText("");
        EXPECT_FALSE(SaveSettings(registry, saved));
        const std::string text = registry.text();
        WizardOptions expected = saved;
        expected.resourceName = saved.taskType == 1 ? saved.resourceName : " ";
        expected.category = saved.appointmentType == 1 && !saved.category.empty() ? saved.category : " ";
        if (saved.appointmentType != 2)
            expected.dateFrom = expected.dateTo = today;
        const WizardOptions back = loaded();
        EXPECT_EQ(back, expected);
        SaveSettings(registry, back);
        EXPECT_EQ(registry.text(), text);
    }
}

// The names and texts earlier versions read; another choice later keeps the period and the
// texts chosen before, no choice at all writes nothing.
TEST_F(SettingsTest, ValuesAreWrittenUnderTheirNamesAndKeptWhenNotChosen)
{
    WizardOptions options{1,
                          0,
                          0,
                          "",
                          CheckState::Checked,
                          CheckState::Unchecked,
                          CheckState::Unchecked,
                          2,
                          "",
                          makeDateTime(2024, 3, 5, 9, 30),
                          day(2024, 11, 20)};
    SaveSettings(registry, options);
    for (const auto& [name, value] :
         std::initializer_list<std::pair<const char*, const char*>>{{"SyncType", "1"},
                                                                    {"LinkType", "0"},
                                                                    {"TaskType", "0"},
                                                                    {"ResourceName", " "},
                                                                    {"TaskSummary", "1"},
                                                                    {"TaskDetailed", "0"},
                                                                    {"CreateDeletedApps", "0"},
                                                                    {"AppointmentType", "2"},
                                                                    {"Category", " "},
                                                                    {"DateFrom", "05.03.2024"},
                                                                    {"DateTo", "20.11.2024"}})
        EXPECT_EQ(stored(name), value) << name;

    options.appointmentType = 1;
    options.dateFrom = day(2030, 6, 6);
    options.syncType = options.taskType = -1;
    options.resourceName = "Neu";
    options.category = "Alt";
    SaveSettings(registry, options);
    EXPECT_EQ(stored("DateFrom") + stored("SyncType") + stored("ResourceName"), "05.03.20241 ");
    options.appointmentType = 3;
    options.category = "Neu";
    SaveSettings(registry, options);
    EXPECT_EQ(stored("AppointmentType") + stored("Category"), "1Alt");
}

TEST_F(SettingsTest, StoredValuesThatDoNotFitLeaveTheirFieldAloneAndTheOthersAreRead)
{
    for (const auto& [name, text] :
         std::initializer_list<std::pair<const char*, const char*>>{{"SyncType", "3"},
                                                                    {"LinkType", "-1"},
                                                                    {"TaskType", "eins"},
                                                                    {"TaskSummary", "5"},
                                                                    {"TaskDetailed", " "},
                                                                    {"AppointmentType", "1.5"},
                                                                    {"DateFrom", "31.02.2024"},
                                                                    {"DateTo", "2024-03-01"},
                                                                    {"Category", "Projekt"}})
        put(name, RegValue::sz(text));
    WizardOptions expected = kStartState;
    expected.createDeletedApps = CheckState::Unchecked; // not stored: its default
    expected.category = "Projekt";
    EXPECT_EQ(loaded(true), expected);
}

// The wizard opens on connection for "1" (blanks aside) or the DWORD 1 under the application's
// key; deleted appointments are made again for exactly "1" or the DWORD 1, as the wizard saves it.
TEST_F(SettingsTest, FlagsHaveOneTrueValueEach)
{
    put("DisplayOnConnect", RegValue::sz("1"));
    EXPECT_FALSE(readDisplayOnConnect(registry) || recreateDeletedAppointments(registry));
    const std::tuple<RegValue, bool, bool> rows[] = {{RegValue::sz(" 1 "), true, false},
                                                     {RegValue::dword(1), true, true},
                                                     {RegValue::sz("1"), true, true},
                                                     {RegValue::sz("ja"), false, false},
                                                     {RegValue::dword(0xFFFFFFFF), false, false},
                                                     {RegValue::sz("2"), false, false}};
    for (const auto& [value, opens, recreates] : rows) {
        put("DisplayOnConnect", value, kAppSettingsKey);
        put("CreateDeletedApps", value);
        EXPECT_EQ(readDisplayOnConnect(registry), opens) << value.data;
        EXPECT_EQ(recreateDeletedAppointments(registry), recreates) << value.data;
    }
    for (const CheckState state : {CheckState::Unchecked, CheckState::Checked, CheckState::Greyed}) {
        WizardOptions options;
        options.createDeletedApps = state;
        SaveSettings(registry, options);
        EXPECT_EQ(recreateDeletedAppointments(registry), state == CheckState::Checked);
    }
}

// Values of their own, which the wizard's settings leave alone; a path of any length and script comes back
// whole.
TEST_F(SettingsTest, DefaultCalendarAndPlanTimeZone)
{
    EXPECT_TRUE(defaultCalendarPath(registry).empty());
    const std::filesystem::path path = "/home/李华/" + std::string(1100, 'k') + "/b\u00FCro.ics";
    EXPECT_TRUE(setDefaultCalendarPath(registry, path));
    SaveSettings(registry, WizardOptions{});
    EXPECT_EQ(defaultCalendarPath(registry), path);

    EXPECT_EQ(planTimeZone(registry, "Europe/Berlin"), "Europe/Berlin"); // the system's, remembered
    EXPECT_EQ(planTimeZone(registry, "Asia/Tokyo"), "Europe/Berlin"); // the machine moved, the plan did not
    EXPECT_TRUE(setPlanTimeZone(registry, "America/New_York"));
    EXPECT_EQ(planTimeZone(registry, "Asia/Tokyo"), "America/New_York");
}

} // namespace
} // namespace zelvant
