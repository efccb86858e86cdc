#pragma once

// The calendar side as the engine sees it: the calendar application, its "MAPI" namespace,
// the default calendar folder and its appointment items. Every call may throw HostError.

#include "hostapi/DateTime.h"

#include <memory>
#include <string>
#include <vector>

namespace zelvant {

enum class BusyStatus : int { Free = 0, Tentative = 1, Busy = 2, OutOfOffice = 3 };

inline constexpr int kAppointmentItem = 1; // CreateItem's item type for an appointment
inline constexpr int kCalendarFolder = 9;  // GetDefaultFolder's number for the calendar
inline constexpr int kTextProperty = 1;    // user property type "text"

class UserProperty {
public:
    virtual ~UserProperty() = default;
    virtual std::string value() const = 0;
    virtual void setValue(const std::string& value) = 0;
};

class UserProperties {
public:
    virtual ~UserProperties() = default;
    // The property of that name, or nullptr when the item has none. Like every object reached
    // through an item, it is valid only while the caller holds the item.
    virtual UserProperty* find(const std::string& name) = 0;
    // Creates the property; throws HostError when it exists already.
    virtual UserProperty& add(const std::string& name, int type, bool addToFolderFields = false) = 0;
};

class AppointmentItem {
public:
    virtual ~AppointmentItem() = default;

    virtual DateTime start() const = 0;
    virtual void setStart(DateTime start) = 0;
    virtual DateTime end() const = 0;
    virtual void setEnd(DateTime end) = 0;
    // True for an event of whole calendar days (midnight to midnight, no time of day). It keeps
    // being one while its start and end stay on midnights.
    virtual bool allDayEvent() const = 0;
    virtual std::string subject() const = 0;
    virtual void setSubject(const std::string& subject) = 0;
    virtual BusyStatus busyStatus() const = 0;
    virtual void setBusyStatus(BusyStatus status) = 0;
    // Category names joined by "; ".
    virtual std::string categories() const = 0;
    // A stable identifier of the item; empty until the item was saved once.
    virtual std::string entryId() const = 0;

    virtual UserProperties& userProperties() = 0;

    // Stores the item in its folder (a new item joins the folder at the end).
    virtual void save() = 0;
    // Removes the item from its folder; every later call on it throws HostError.
    virtual void remove() = 0;
};

using AppointmentPtr = std::shared_ptr<AppointmentItem>;

class CalendarFolder {
public:
    virtual ~CalendarFolder() = default;
    // The folder's items in the folder's own order.
    virtual std::vector<AppointmentPtr> items() = 0;
};

class CalendarNamespace {
public:
    virtual ~CalendarNamespace() = default;
    // Folder 9 is the user's default calendar.
    virtual CalendarFolder& getDefaultFolder(int folder) = 0;
};

class CalendarApplication {
public:
    virtual ~CalendarApplication() = default;
    // Only "MAPI" exists.
    virtual CalendarNamespace& getNamespace(const std::string& type) = 0;
    // A new, unsaved appointment of the default calendar (item type 1).
    virtual AppointmentPtr createItem(int itemType) = 0;
    // Closes the application; an application this program did not start is never quit.
    virtual void quit() = 0;
};

// How the program reaches the calendar application: the running one if there is one,
// else a new one that the caller must quit again.
class CalendarLauncher {
public:
    virtual ~CalendarLauncher() = default;
    // The running application, or nullptr.
    virtual CalendarApplication* running() = 0;
    // Starts a new application; throws HostError when the calendar cannot be reached at all.
    virtual CalendarApplication& start() = 0;
};

} // namespace zelvant
