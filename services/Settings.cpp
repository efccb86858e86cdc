#include "services/Settings.h"

#include "services/Registry.h"
#include "services/StrTools.h"

#include <charconv>
#include <optional>

namespace zelvant {

namespace {

std::string readSetting(Registry& registry, const char* name)
{
    return RegGetString(registry, kHkeyCurrentUser, kSettingsKey, name);
}

// Writes one value; a failed write marks the run as failed and the next write still runs.
void writeSetting(Registry& registry, const char* name, std::string text, bool& failed)
{
    if (!RegSetString(registry, kHkeyCurrentUser, kSettingsKey, name, text))
        failed = true;
}

// A whole decimal integer, blanks around it allowed; nothing for anything else.
std::optional<int> integerOf(const std::string& text)
{
    const std::string digits = trimBlanks(text);
    int number = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, number);
    if (digits.empty() || error != std::errc{} || stop != end)
        return std::nullopt;
    return number;
}

bool isMember(int index, int count)
{
    return index >= 0 && index < count;
}

void applyOption(const std::string& text, int count, int& selected, bool& failed)
{
    if (text.empty()) {
        selected = 0;
        return;
    }
    const std::optional<int> index = integerOf(text);
    if (index && isMember(*index, count))
        selected = *index;
    else
        failed = true;
}

void applyCheck(const std::string& text, CheckState& state, bool& failed)
{
    if (text.empty()) {
        state = CheckState::Unchecked;
        return;
    }
    const std::optional<int> value = integerOf(text);
    if (value && isMember(*value, 3))
        state = CheckState(*value);
    else
        failed = true;
}

void applyText(const std::string& text, std::string& field)
{
    if (!text.empty())
        field = text;
}

// Reads a day in German order, "d.m.yyyy" with one or two digits for day and month, the way
// the date picker takes the stored text.
std::optional<DateTime> dateOfText(const std::string& text)
{
    const auto firstDot = text.find('.');
    if (firstDot == std::string::npos)
        return std::nullopt;
    const auto secondDot = text.find('.', firstDot + 1);
    if (secondDot == std::string::npos)
        return std::nullopt;
    const std::size_t dayLength = firstDot, monthLength = secondDot - firstDot - 1;
    if (dayLength < 1 || dayLength > 2 || monthLength < 1 || monthLength > 2)
        return std::nullopt;
    const std::string padded = std::string(2 - dayLength, '0') + text.substr(0, firstDot + 1) +
                               std::string(2 - monthLength, '0') + text.substr(firstDot + 1);
    return parseGermanDate(padded);
}

void applyDate(const std::string& text, DateTime today, DateTime& date, bool& failed)
{
    if (text.empty()) {
        date = DateTime{dateOf(today)};
        return;
    }
    if (const std::optional<DateTime> day = dateOfText(text))
        date = *day;
    else
        failed = true;
}

// Writes an option's index; nothing when no member is selected. Returns whether it wrote.
bool writeOption(Registry& registry, const char* name, int selected, int count, bool& failed)
{
    if (!isMember(selected, count))
        return false;
    writeSetting(registry, name, std::to_string(selected), failed);
    return true;
}

void writeCheck(Registry& registry, const char* name, CheckState state, bool& failed)
{
    writeSetting(registry, name, std::to_string(int(state)), failed);
}

} // namespace

bool LoadSettings(Registry& registry, WizardOptions& options, DateTime today)
{
    bool failed = false;
    applyOption(readSetting(registry, "SyncType"), kSyncTypeCount, options.syncType, failed);
    applyOption(readSetting(registry, "LinkType"), kLinkTypeCount, options.linkType, failed);
    applyOption(readSetting(registry, "TaskType"), kTaskTypeCount, options.taskType, failed);
    applyText(readSetting(registry, "ResourceName"), options.resourceName);
    applyCheck(readSetting(registry, "TaskSummary"), options.taskSummary, failed);
    applyCheck(readSetting(registry, "TaskDetailed"), options.taskDetailed, failed);
    applyCheck(readSetting(registry, "CreateDeletedApps"), options.createDeletedApps, failed);
    applyOption(readSetting(registry, "AppointmentType"), kAppointmentTypeCount, options.appointmentType,
                failed);
    applyText(readSetting(registry, "Category"), options.category);
    applyDate(readSetting(registry, "DateFrom"), today, options.dateFrom, failed);
    applyDate(readSetting(registry, "DateTo"), today, options.dateTo, failed);
    return failed;
}

bool SaveSettings(Registry& registry, const WizardOptions& options)
{
    bool failed = false;
    writeOption(registry, "SyncType", options.syncType, kSyncTypeCount, failed);
    writeOption(registry, "LinkType", options.linkType, kLinkTypeCount, failed);
    if (writeOption(registry, "TaskType", options.taskType, kTaskTypeCount, failed))
        writeSetting(registry, "ResourceName", options.taskType == 1 ? options.resourceName : "", failed);
    writeCheck(registry, "TaskSummary", options.taskSummary, failed);
    writeCheck(registry, "TaskDetailed", options.taskDetailed, failed);
    writeCheck(registry, "CreateDeletedApps", options.createDeletedApps, failed);
    if (writeOption(registry, "AppointmentType", options.appointmentType, kAppointmentTypeCount, failed)) {
        writeSetting(registry, "Category", options.appointmentType == 1 ? options.category : "", failed);
        // The period is remembered only when it was the choice; otherwise the last one stays.
        if (options.appointmentType == 2) {
            writeSetting(registry, "DateFrom", formatGermanDate(options.dateFrom), failed);
            writeSetting(registry, "DateTo", formatGermanDate(options.dateTo), failed);
        }
    }
    return failed;
}

bool readDisplayOnConnect(Registry& registry)
{
    // Read as it is stored, "0" or "1" (a DWORD reads as the same digits): a word such as "ja"
    // or "true" is not how the setting is written and leaves the wizard closed.
    return trimBlanks(RegGetString(registry, kHkeyCurrentUser, kAppSettingsKey, "DisplayOnConnect")) == "1";
}

// The default calendar is a path of the user's file system, not one of the wizard's texts: it is
// stored as Unicode text directly, so a path with any characters and of any length comes back.
bool recreateDeletedAppointments(Registry& registry)
{
    return readSetting(registry, "CreateDeletedApps") == std::to_string(int(CheckState::Checked));
}

std::filesystem::path defaultCalendarPath(Registry& registry)
{
    try {
        const auto key = registry.openKey(kHkeyCurrentUser, kProfileKey);
        const auto value = key ? key->query(kDefaultCalendarValue) : std::nullopt;
        if (!value || value->type != RegType::Sz || trimBlanks(value->data).empty())
            return {};
        return std::filesystem::path(value->data);
    } catch (const std::exception&) {
        return {}; // the caller asks for a calendar as if none were set
    }
}

std::string storedPlanTimeZone(Registry& registry)
{
    try {
        const auto key = registry.openKey(kHkeyCurrentUser, kProfileKey);
        const auto value = key ? key->query(kTimeZoneValue) : std::nullopt;
        if (!value || value->type != RegType::Sz)
            return {};
        return trimBlanks(value->data);
    } catch (const std::exception&) {
        return {}; // an unreadable store reads as "not chosen yet"
    }
}

bool setPlanTimeZone(Registry& registry, const std::string& zone)
{
    try {
        registry.createKey(kHkeyCurrentUser, kProfileKey)->set(kTimeZoneValue, RegValue::sz(zone));
        return true;
    } catch (const std::exception&) {
        return false; // the caller says so
    }
}

std::string planTimeZone(Registry& registry, const std::string& systemZone)
{
    std::string zone = storedPlanTimeZone(registry);
    if (!zone.empty())
        return zone;
    // Remembered at once, so that a later run on a machine in another zone reads the plan the same way.
    setPlanTimeZone(registry, systemZone);
    return systemZone;
}

bool setDefaultCalendarPath(Registry& registry, const std::filesystem::path& file)
{
    try {
        registry.createKey(kHkeyCurrentUser, kProfileKey)
            ->set(kDefaultCalendarValue, RegValue::sz(file.string()));
        return true;
    } catch (const std::exception&) {
        return false; // the caller says so
    }
}

} // namespace zelvant
