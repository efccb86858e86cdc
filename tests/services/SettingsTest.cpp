#include "services/Settings.h"

#include "hosts/registry/MemoryRegistry.h"
#include "services/Registry.h"

#include <gtest/gtest.h>

namespace zelvant {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    void put(const std::string& name, std::string text)
    {
        ASSERT_TRUE(RegSetString(registry_, kHkeyCurrentUser, kSettingsKey, name, text));
    }

    std::string stored(const std::string& name)
    {
        return RegGetString(registry_, kHkeyCurrentUser, kSettingsKey, name);
    }

    // Options a wizard might hold before the store is read: nothing at its default.
    static WizardOptions startState()
    {
        WizardOptions options;
        options.syncType = 1;
        options.linkType = 1;
        options.taskType = 2;
        options.resourceName = "Start-Ressource";
        options.taskSummary = CheckState::Checked;
        options.taskDetailed = CheckState::Greyed;
        options.createDeletedApps = CheckState::Checked;
        options.appointmentType = 1;
        options.category = "Start-Kategorie";
        options.dateFrom = makeDateTime(2001, 1, 1);
        options.dateTo = makeDateTime(2001, 1, 2);
        return options;
    }

    const DateTime today_ = makeDateTime(2024, 5, 17, 14, 35, 12);
    MemoryRegistry registry_;
};

TEST_F(SettingsTest, FirstRunGivesTheDefaultsAndLeavesTheTexts)
{
    WizardOptions options = startState();
    EXPECT_FALSE(LoadSettings(registry_, options, today_));

    EXPECT_EQ(options.syncType, 0);
    EXPECT_EQ(options.linkType, 0);
    EXPECT_EQ(options.taskType, 0);
    EXPECT_EQ(options.appointmentType, 0);
    EXPECT_EQ(options.taskSummary, CheckState::Unchecked);
    EXPECT_EQ(options.taskDetailed, CheckState::Unchecked);
    EXPECT_EQ(options.createDeletedApps, CheckState::Unchecked);
    EXPECT_EQ(options.resourceName, "Start-Ressource");
    EXPECT_EQ(options.category, "Start-Kategorie");
    EXPECT_EQ(options.dateFrom, makeDateTime(2024, 5, 17)); // the day, not the moment
    EXPECT_EQ(options.dateTo, makeDateTime(2024, 5, 17));
    EXPECT_EQ(registry_.writeCount(), 0);
}

TEST_F(SettingsTest, EverythingComesBackAfterAFinishWithResourceAndPeriod)
{
    WizardOptions saved;
    saved.syncType = 2;
    saved.linkType = 1;
    saved.taskType = 1;
    saved.resourceName = "M\u00FCller";
    saved.taskSummary = CheckState::Greyed;
    saved.taskDetailed = CheckState::Checked;
    saved.createDeletedApps = CheckState::Unchecked; // against the start state's Checked
    saved.appointmentType = 2;
    saved.dateFrom = makeDateTime(2024, 3, 5);
    saved.dateTo = makeDateTime(2049, 12, 31);
    EXPECT_FALSE(SaveSettings(registry_, saved));

    WizardOptions loaded = startState();
    EXPECT_FALSE(LoadSettings(registry_, loaded, today_));
    saved.category = " "; // the empty category of a period choice comes back as the stored blank
    EXPECT_EQ(loaded, saved);
}

TEST_F(SettingsTest, ValuesAreWrittenInTheirFixedOrderAndEncoding)
{
    WizardOptions options;
    options.syncType = 1;
    options.taskSummary = CheckState::Checked;
    options.appointmentType = 2;
    options.dateFrom = makeDateTime(2024, 3, 5, 9, 30);
    options.dateTo = makeDateTime(2024, 11, 20);
    SaveSettings(registry_, options);

    const std::string text = registry_.text();
    std::size_t last = 0;
    for (const char* name :
         {"SyncType", "LinkType", "TaskType", "ResourceName", "TaskSummary", "TaskDetailed",
          "CreateDeletedApps", "AppointmentType", "Category", "DateFrom", "DateTo"}) {
        const std::size_t at = text.find(std::string("\"") + name + "\"=");
        ASSERT_NE(at, std::string::npos) << name;
        EXPECT_GT(at, last) << name;
        last = at;
    }
    EXPECT_EQ(stored("SyncType"), "1");
    EXPECT_EQ(stored("TaskSummary"), "1");
    EXPECT_EQ(stored("TaskDetailed"), "0");
    EXPECT_EQ(stored("DateFrom"), "05.03.2024");
    EXPECT_EQ(stored("DateTo"), "20.11.2024");
}

TEST_F(SettingsTest, TextsAreStoredOnlyWithTheirOption)
{
    WizardOptions options;
    options.resourceName = "M\u00FCller";
    options.category = "Projekt";
    options.taskType = 0;
    options.appointmentType = 1;
    SaveSettings(registry_, options);
    EXPECT_EQ(stored("ResourceName"), " ");
    EXPECT_EQ(stored("Category"), "Projekt");

    options.taskType = 2;
    options.appointmentType = 0;
    SaveSettings(registry_, options);
    EXPECT_EQ(stored("ResourceName"), " ");
    EXPECT_EQ(stored("Category"), " ");

    // The stored blank counts as a value: it replaces the wizard's text on the next start.
    WizardOptions loaded = startState();
    LoadSettings(registry_, loaded, today_);
    EXPECT_EQ(loaded.resourceName, " ");
    EXPECT_EQ(loaded.category, " ");
}

TEST_F(SettingsTest, ThePeriodIsRememberedOnlyWhenItWasTheChoice)
{
    WizardOptions options;
    options.appointmentType = 2;
    options.dateFrom = makeDateTime(2024, 1, 1);
    options.dateTo = makeDateTime(2024, 1, 31);
    SaveSettings(registry_, options);

    options.appointmentType = 1;
    options.dateFrom = makeDateTime(2030, 6, 6);
    options.dateTo = makeDateTime(2030, 7, 7);
    SaveSettings(registry_, options);
    EXPECT_EQ(stored("AppointmentType"), "1");
    EXPECT_EQ(stored("DateFrom"), "01.01.2024");
    EXPECT_EQ(stored("DateTo"), "31.01.2024");

    MemoryRegistry fresh;
    options.appointmentType = 0;
    SaveSettings(fresh, options);
    EXPECT_EQ(fresh.text().find("Date"), std::string::npos);
}

TEST_F(SettingsTest, NoSelectedMemberWritesNothingForThatArray)
{
    put("SyncType", "2");
    put("TaskType", "1");
    put("ResourceName", "Alt");
    put("AppointmentType", "1");
    put("Category", "Alt");
    WizardOptions options;
    options.syncType = -1;
    options.taskType = 3;
    options.appointmentType = -1;
    options.resourceName = "Neu";
    options.category = "Neu";
    EXPECT_FALSE(SaveSettings(registry_, options));
    EXPECT_EQ(stored("SyncType"), "2");
    EXPECT_EQ(stored("TaskType"), "1");
    EXPECT_EQ(stored("ResourceName"), "Alt");
    EXPECT_EQ(stored("AppointmentType"), "1");
    EXPECT_EQ(stored("Category"), "Alt");
    EXPECT_EQ(stored("LinkType"), "0");
}

TEST_F(SettingsTest, StoredValuesThatDoNotFitLeaveTheirFieldAloneAndTheOthersAreRead)
{
    put("SyncType", "3");
    put("LinkType", "-1");
    put("TaskType", "eins");
    put("TaskSummary", "5");
    put("TaskDetailed", " ");
    put("AppointmentType", "1.5");
    put("DateFrom", "31.02.2024");
    put("DateTo", "2024-03-01");
    put("Category", "Projekt");
    WizardOptions expected = startState();
    WizardOptions options = expected;
    EXPECT_TRUE(LoadSettings(registry_, options, today_));
    expected.createDeletedApps = CheckState::Unchecked; // not stored: its default
    expected.category = "Projekt";
    EXPECT_EQ(options, expected);
}

TEST_F(SettingsTest, DatesAreReadInGermanDayMonthOrder)
{
    put("DateFrom", "31.12.2049");
    put("DateTo", "1.2.2024");
    WizardOptions options;
    EXPECT_FALSE(LoadSettings(registry_, options, today_));
    EXPECT_EQ(options.dateFrom, makeDateTime(2049, 12, 31));
    EXPECT_EQ(options.dateTo, makeDateTime(2024, 2, 1));
}

TEST_F(SettingsTest, OptionsAndNumbersMayBeStoredAsDword)
{
    registry_.createKey(kHkeyCurrentUser, kSettingsKey)->set("AppointmentType", RegValue::dword(2));
    registry_.createKey(kHkeyCurrentUser, kSettingsKey)->set("TaskSummary", RegValue::dword(1));
    registry_.createKey(kHkeyCurrentUser, kSettingsKey)->set("Category", RegValue::binary("Projekt"));
    WizardOptions options = startState();
    EXPECT_FALSE(LoadSettings(registry_, options, today_));
    EXPECT_EQ(options.appointmentType, 2);
    EXPECT_EQ(options.taskSummary, CheckState::Checked);
    EXPECT_EQ(options.category, "Start-Kategorie"); // raw bytes read as nothing stored
}

TEST_F(SettingsTest, AnUnreachableStoreGivesDefaultsAndReportsFailedWrites)
{
    put("SyncType", "2");
    registry_.setFailing(true);
    WizardOptions options = startState();
    EXPECT_FALSE(LoadSettings(registry_, options, today_));
    EXPECT_EQ(options.syncType, 0);
    EXPECT_TRUE(SaveSettings(registry_, options));
}

TEST_F(SettingsTest, DisplayOnConnectIsReadFromTheApplicationSettingsOnly)
{
    EXPECT_FALSE(ReadDisplayOnConnect(registry_));
    put("DisplayOnConnect", "1"); // under the wizard's key: not the application setting
    EXPECT_FALSE(ReadDisplayOnConnect(registry_));
}

TEST_F(SettingsTest, DisplayOnConnectIsReadOnlyInItsStoredForm)
{
    const struct {
        RegValue value;
        bool opens;
    } rows[] = {
        {RegValue::sz("1"), true},      {RegValue::sz("0"), false},     {RegValue::dword(1), true},
        {RegValue::dword(0), false},    {RegValue::sz(" 1 "), true},    {RegValue::sz("ja"), false},
        {RegValue::sz("Wahr"), false},  {RegValue::sz("true"), false},  {RegValue::sz("-1"), false},
        {RegValue::dword(0xFFFFFFFF), false}, {RegValue::sz("2"), false}, {RegValue::sz(""), false},
    };
    for (const auto& row : rows) {
        registry_.createKey(kHkeyCurrentUser, kAppSettingsKey)->set("DisplayOnConnect", row.value);
        EXPECT_EQ(ReadDisplayOnConnect(registry_), row.opens) << row.value.data;
    }
}

TEST_F(SettingsTest, NamesInAnyScriptSurviveTheRoundTrip)
{
    const std::string names[] = {
        "Wojciech \u0141ukaszewicz",       // Polish
        "Ji\u0159\u00ED \u010Cern\u00FD", // Czech
        "\u0393\u03B9\u03AC\u03BD\u03BD\u03B7\u03C2 \u03A0\u03B1\u03C0\u03B1\u03B4\u03CC\u03C0\u03BF\u03C5\u03BB\u03BF\u03C2", // Greek
        "\u00C5sa \u00D8stergaard",       // inside Latin-1, as before
        "\u65E5\u672C \u592A\u90CE",      // outside every European code page
    };
    for (const std::string& name : names) {
        WizardOptions options;
        options.taskType = 1; // the resource is remembered with its option
        options.resourceName = name;
        options.appointmentType = 1;
        options.category = name + " (Kategorie)";
        EXPECT_FALSE(SaveSettings(registry_, options)) << name;

        WizardOptions loaded = startState();
        EXPECT_FALSE(LoadSettings(registry_, loaded, today_)) << name;
        EXPECT_EQ(loaded.resourceName, name);
        EXPECT_EQ(loaded.category, name + " (Kategorie)");
    }
}

TEST_F(SettingsTest, DefaultCalendarIsAValueOfItsOwn)
{
    EXPECT_TRUE(DefaultCalendarPath(registry_).empty());
    EXPECT_TRUE(SetDefaultCalendarPath(registry_, "/home/anna/Kalender/b\u00FCro.ics"));
    EXPECT_EQ(DefaultCalendarPath(registry_), std::filesystem::path("/home/anna/Kalender/b\u00FCro.ics"));

    SaveSettings(registry_, WizardOptions{}); // the wizard's settings do not touch it
    EXPECT_EQ(DefaultCalendarPath(registry_), std::filesystem::path("/home/anna/Kalender/b\u00FCro.ics"));

    EXPECT_TRUE(SetDefaultCalendarPath(registry_, ""));
    EXPECT_TRUE(DefaultCalendarPath(registry_).empty());
}

TEST_F(SettingsTest, DefaultCalendarKeepsAnyPathWhole)
{
    // Longer than the 1024 characters the wizard's texts may have.
    const std::filesystem::path path = "/home/李华/" + std::string(1100, 'k') + "/日历.ics";
    EXPECT_TRUE(SetDefaultCalendarPath(registry_, path));
    EXPECT_EQ(DefaultCalendarPath(registry_), path);
}

TEST_F(SettingsTest, PlanTimeZoneIsChosenOnceAndThenKept)
{
    EXPECT_EQ(StoredPlanTimeZone(registry_), "");
    EXPECT_EQ(PlanTimeZone(registry_, "Europe/Berlin"), "Europe/Berlin"); // the system's, remembered
    EXPECT_EQ(PlanTimeZone(registry_, "Asia/Tokyo"), "Europe/Berlin");    // the machine moved, the plan did not
    EXPECT_TRUE(SetPlanTimeZone(registry_, "America/New_York"));
    EXPECT_EQ(PlanTimeZone(registry_, "Asia/Tokyo"), "America/New_York");
}

} // namespace
} // namespace zelvant
