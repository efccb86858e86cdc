#include "services/Settings.h"

#include "hosts/registry/MemoryRegistry.h"
#include "services/Registry.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

const DateTime kToday = makeDateTime(2024, 5, 17, 14, 35, 12);

// Options a wizard might hold before the store is read: nothing at its default.
WizardOptions startState()
{
    return {1, 1, 2, "Start-Ressource", CheckState::Checked, CheckState::Greyed, CheckState::Checked, 1,
            "Start-Kategorie", makeDateTime(2001, 1, 1), makeDateTime(2001, 1, 2)};
}

class SettingsTest : public ::testing::Test {
protected:
    void put(const std::string& name, const RegValue& value)
    {
        registry.createKey(kHkeyCurrentUser, kSettingsKey)->set(name, value);
    }
    std::string stored(const std::string& name)
    {
        return RegGetString(registry, kHkeyCurrentUser, kSettingsKey, name);
    }
    WizardOptions loaded(bool failed = false)
    {
        WizardOptions options = startState();
        EXPECT_EQ(LoadSettings(registry, options, kToday), failed);
        return options;
    }

    MemoryRegistry registry;
};

TEST_F(SettingsTest, FirstRunGivesTheDefaultsKeepsTheTextsAndWritesNothing)
{
    const DateTime today = makeDateTime(2024, 5, 17); // the day, not the moment
    EXPECT_EQ(loaded(), (WizardOptions{0, 0, 0, "Start-Ressource", CheckState::Unchecked, CheckState::Unchecked,
                                       CheckState::Unchecked, 0, "Start-Kategorie", today, today}));
    EXPECT_EQ(registry.writeCount(), 0);
}

// Whatever the wizard held at its finish comes back at the next start: the texts only with the
// choice they belong to (else the stored blank), the period only when it was the choice (else
// today). Saving the same again writes the same text.
TEST_F(SettingsTest, WhatIsSavedComesBack)
{
    const auto day = [](int y, int m, int d) { return makeDateTime(y, m, d); };
    const DateTime today = day(2024, 5, 17);
    const WizardOptions rows[] = {
        {2, 1, 1, "M\u00FCller", CheckState::Greyed, CheckState::Checked, CheckState::Unchecked, 2, "Projekt",
         day(2024, 3, 5), day(2049, 12, 31)},
        {0, 0, 1, "Wojciech \u0141ukaszewicz \u0393\u03B9\u03AC\u03BD\u03BD\u03B7\u03C2 \u65E5\u672C",
         CheckState::Unchecked, CheckState::Greyed, CheckState::Checked, 1, "Ji\u0159\u00ED \u00C5sa", today, today},
        {1, 1, 0, "M\u00FCller", CheckState::Checked, CheckState::Unchecked, CheckState::Checked, 0, "Projekt",
         day(2030, 6, 6), day(2030, 7, 7)},
        {0, 0, 2, "M\u00FCller", CheckState::Unchecked, CheckState::Unchecked, CheckState::Unchecked, 1, "", today,
         today},
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

TEST_F(SettingsTest, ValuesAreWrittenInTheirFixedOrderAndEncoding)
{
    WizardOptions options{1, 0, 0, "", CheckState::Checked, CheckState::Unchecked, CheckState::Unchecked, 2, "",
                          makeDateTime(2024, 3, 5, 9, 30), makeDateTime(2024, 11, 20)};
    SaveSettings(registry, options);
    std::size_t last = 0;
    for (const auto& [name, value] : std::initializer_list<std::pair<const char*, const char*>>{
             {"SyncType", "1"}, {"LinkType", "0"}, {"TaskType", "0"}, {"ResourceName", " "}, {"TaskSummary", "1"},
             {"TaskDetailed", "0"}, {"CreateDeletedApps", "0"}, {"AppointmentType", "2"}, {"Category", " "},
             {"DateFrom", "05.03.2024"}, {"DateTo", "20.11.2024"}}) {
        const std::size_t at = registry.text().find("\"" + std::string(name) + "\"=");
        EXPECT_TRUE(at != std::string::npos && at > last) << name;
        last = at;
        EXPECT_EQ(stored(name), value);
        EXPECT_EQ(registry.openKey(kHkeyCurrentUser, kSettingsKey)->query(name)->type, RegType::Sz) << name;
    }

    // Another choice later keeps the period chosen before; no choice at all writes nothing.
    options.appointmentType = 1;
    options.dateFrom = makeDateTime(2030, 6, 6);
    options.syncType = options.taskType = -1;
    options.resourceName = "Neu";
    options.category = "Alt";
    SaveSettings(registry, options);
    EXPECT_EQ(stored("DateFrom"), "05.03.2024");
    EXPECT_EQ(stored("SyncType"), "1");
    EXPECT_EQ(stored("ResourceName"), " ");
    options.appointmentType = 3;
    options.category = "Neu";
    SaveSettings(registry, options);
    EXPECT_EQ(stored("AppointmentType"), "1");
    EXPECT_EQ(stored("Category"), "Alt");
}

TEST_F(SettingsTest, StoredValuesThatDoNotFitLeaveTheirFieldAloneAndTheOthersAreRead)
{
    for (const auto& [name, text] : std::initializer_list<std::pair<const char*, const char*>>{
             {"SyncType", "3"}, {"LinkType", "-1"}, {"TaskType", "eins"}, {"TaskSummary", "5"},
             {"TaskDetailed", " "}, {"AppointmentType", "1.5"}, {"DateFrom", "31.02.2024"},
             {"DateTo", "2024-03-01"}, {"Category", "Projekt"}})
        put(name, RegValue::sz(text));
    WizardOptions expected = startState();
    expected.createDeletedApps = CheckState::Unchecked; // not stored: its default
    expected.category = "Projekt";
    EXPECT_EQ(loaded(true), expected);
}

TEST_F(SettingsTest, DatesInGermanOrderAndNumbersAsDword)
{
    put("DateFrom", RegValue::sz("31.12.2049"));
    put("DateTo", RegValue::sz("1.2.2024"));
    put("AppointmentType", RegValue::dword(2));
    put("TaskSummary", RegValue::dword(1));
    put("Category", RegValue::binary("Projekt")); // raw bytes read as nothing stored
    const WizardOptions options = loaded();
    EXPECT_EQ(options.dateFrom, makeDateTime(2049, 12, 31));
    EXPECT_EQ(options.dateTo, makeDateTime(2024, 2, 1));
    EXPECT_EQ(options.appointmentType, 2);
    EXPECT_EQ(options.taskSummary, CheckState::Checked);
    EXPECT_EQ(options.category, "Start-Kategorie");
}

TEST_F(SettingsTest, AnUnreachableStoreGivesDefaultsAndReportsFailedWrites)
{
    put("SyncType", RegValue::sz("2"));
    registry.setFailing(true);
    EXPECT_EQ(loaded().syncType, 0);
    EXPECT_TRUE(SaveSettings(registry, startState()));
}

// Only "1" as it is stored (or the DWORD 1) opens the wizard, and only under the application's key.
TEST_F(SettingsTest, DisplayOnConnect)
{
    put("DisplayOnConnect", RegValue::sz("1"));
    EXPECT_FALSE(readDisplayOnConnect(registry));
    for (const auto& [value, opens] : std::initializer_list<std::pair<RegValue, bool>>{
             {RegValue::sz(" 1 "), true}, {RegValue::dword(1), true}, {RegValue::sz("ja"), false},
             {RegValue::sz("true"), false}, {RegValue::dword(0xFFFFFFFF), false}, {RegValue::sz("2"), false}}) {
        registry.createKey(kHkeyCurrentUser, kAppSettingsKey)->set("DisplayOnConnect", value);
        EXPECT_EQ(readDisplayOnConnect(registry), opens) << value.data;
    }
}

// The default calendar and the plan's zone are values of their own: the wizard's settings do
// not touch them, and a path of any length and script comes back whole.
TEST_F(SettingsTest, RecreateDeletedAppointmentsOnlyWhenTheWizardTickedIt)
{
    EXPECT_FALSE(recreateDeletedAppointments(registry)); // nothing stored
    const std::pair<RegValue, bool> values[] = {{RegValue::sz("1"), true},  {RegValue::dword(1), true},
                                                {RegValue::sz("0"), false}, {RegValue::sz("2"), false},
                                                {RegValue::sz(" 1"), false}, {RegValue::sz("ja"), false}};
    for (const auto& [value, recreate] : values) {
        put("CreateDeletedApps", value);
        EXPECT_EQ(recreateDeletedAppointments(registry), recreate) << value.data;
    }
    // What the wizard saves is what the quick synchronisation reads.
    for (const CheckState state : {CheckState::Unchecked, CheckState::Checked, CheckState::Greyed}) {
        WizardOptions options;
        options.createDeletedApps = state;
        SaveSettings(registry, options);
        EXPECT_EQ(recreateDeletedAppointments(registry), state == CheckState::Checked);
    }
}

TEST_F(SettingsTest, DefaultCalendarAndPlanTimeZone)
{
    EXPECT_TRUE(defaultCalendarPath(registry).empty());
    const std::filesystem::path path = "/home/李华/" + std::string(1100, 'k') + "/b\u00FCro.ics";
    EXPECT_TRUE(setDefaultCalendarPath(registry, path));
    SaveSettings(registry, WizardOptions{});
    EXPECT_EQ(defaultCalendarPath(registry), path);
    EXPECT_TRUE(setDefaultCalendarPath(registry, ""));
    EXPECT_TRUE(defaultCalendarPath(registry).empty());

    EXPECT_EQ(storedPlanTimeZone(registry), "");
    EXPECT_EQ(planTimeZone(registry, "Europe/Berlin"), "Europe/Berlin"); // the system's, remembered
    EXPECT_EQ(planTimeZone(registry, "Asia/Tokyo"), "Europe/Berlin");    // the machine moved, the plan did not
    EXPECT_TRUE(setPlanTimeZone(registry, "America/New_York"));
    EXPECT_EQ(planTimeZone(registry, "Asia/Tokyo"), "America/New_York");
}

} // namespace
} // namespace zelvant
