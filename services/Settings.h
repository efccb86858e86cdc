#pragma once

// The wizard remembers the user's last choices between runs in the current user's registry.
// LoadSettings fills a plain options structure before the wizard opens; SaveSettings writes it
// back at the end of a finished run. The wizard binds the structure to its controls.

#include "hostapi/DateTime.h"
#include "hostapi/Registry.h"

#include <filesystem>
#include <string>

namespace zelvant {

// Where the wizard's choices live, below HKEY_CURRENT_USER.
inline constexpr const char* kSettingsKey = "Software\\Brimek\\Zelvant\\Settings";
// The per-user store of the application's own settings: application "Zelvant", section "Settings".
inline constexpr const char* kAppSettingsKey = "Software\\Application Settings\\Zelvant\\Settings";
// Stand-in for the user's mail profile: which calendar file is the default calendar.
inline constexpr const char* kProfileKey = "Software\\Brimek\\Zelvant\\Profile";
inline constexpr const char* kDefaultCalendarValue = "DefaultCalendar";
inline constexpr const char* kTimeZoneValue = "TimeZone";

// Members of each option array; an index outside 0..count-1 means "none selected".
inline constexpr int kSyncTypeCount = 3;        // 0 link, 1 synchronise, 2 remove links
inline constexpr int kLinkTypeCount = 2;        // 0 tasks into appointments, 1 the reverse
inline constexpr int kTaskTypeCount = 3;        // 0 all tasks, 1 one resource, 2 marked tasks
inline constexpr int kAppointmentTypeCount = 3; // 0 all appointments, 1 one category, 2 a period

// The value of a wizard check box; greyed is a state of its own, stored as "2".
enum class CheckState : int { Unchecked = 0, Checked = 1, Greyed = 2 };

// The wizard's remembered choices, in the order they are stored.
struct WizardOptions {
    int syncType = 0;                                     // selected member of optSync
    int linkType = 0;                                     // selected member of optLinkType
    int taskType = 0;                                     // selected member of optTask
    std::string resourceName;                             // text of cboResource
    CheckState taskSummary = CheckState::Unchecked;       // chkSummary
    CheckState taskDetailed = CheckState::Unchecked;      // chkDetailed
    CheckState createDeletedApps = CheckState::Unchecked; // chkCreateDeletedTasks
    int appointmentType = 0;                              // selected member of optAppointmentType
    std::string category;                                 // text of cboKategorie
    DateTime dateFrom{};                                  // dtpFrom (midnight of the day)
    DateTime dateTo{};                                    // dtpTo (midnight of the day)

    bool operator==(const WizardOptions&) const = default;
};

// Reads the stored choices into `options`, which holds the wizard's start-up state. A missing
// value gives its default (member 0, unchecked, `today`; texts stay as they are); a stored value
// that does not fit (no number, an index or check value out of range, an invalid date) leaves
// its field unchanged. Returns true when any value could not be applied. The wizard then
// applies each option as if the user had clicked it.
bool LoadSettings(Registry& registry, WizardOptions& options, DateTime today);

// Writes the choices as the wizard's Finish step does. Option arrays with no member selected
// write nothing; the texts go with their option (the resource only for task type 1, the
// category only for appointment type 1) and the dates only for appointment type 2.
// Returns true when any write failed; the wizard ignores it.
bool SaveSettings(Registry& registry, const WizardOptions& options);

// True when the wizard should open as soon as the add-in is loaded into a running plan
// application ("DisplayOnConnect", default "0"). Only "1" (text or DWORD) opens it; every other
// value reads as "0". Only read, never written by the product.
bool readDisplayOnConnect(Registry& registry);

// Whether appointments deleted in the calendar are made again by a quick synchronisation: the
// wizard's last choice ("CreateDeletedApps"), true only when it was ticked.
bool recreateDeletedAppointments(Registry& registry);

// The file of the user's default calendar; empty when none is set or it cannot be read.
std::filesystem::path defaultCalendarPath(Registry& registry);

// Makes `file` the user's default calendar; returns false when it could not be stored.
bool setDefaultCalendarPath(Registry& registry, const std::filesystem::path& file);

// The time zone (an IANA name) whose wall-clock times the plan holds. The plan file has no zone
// of its own, so the zone is a setting: chosen once, remembered, and the same whatever zone the
// machine runs in later. Nothing stored yet: `systemZone` is stored (when the store takes it)
// and returned.
std::string planTimeZone(Registry& registry, const std::string& systemZone);

// The stored zone, "" when none is stored.
std::string storedPlanTimeZone(Registry& registry);

// Stores the zone; returns false when it could not be stored.
bool setPlanTimeZone(Registry& registry, const std::string& zone);

} // namespace zelvant
