#pragma once

#include "hostapi/CalendarApi.h"
#include "hosts/calendar/MemoryUserProperties.h"
#include "hosts/common/FaultInjector.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zelvant {

class MemoryCalendar;

// Everything a loader or a test knows about an appointment it puts straight into a calendar,
// and what a writer gets back to serialise it. Fill it with designated initialisers; every
// member has a default so that leaving some out does not warn.
struct AppointmentData {
    DateTime start{};
    DateTime end{};
    std::string subject{};
    BusyStatus busyStatus = BusyStatus::Busy;
    std::vector<std::string> categories{};
    std::string entryId{}; // empty: the calendar generates one when the item is stored
    bool allDay = false;
    std::vector<std::pair<std::string, std::string>> userProperties{};
    std::string sourceText{}; // the item's original text in its file, to write it back untouched
    // Why the item's times cannot be read (German, naming file, line and problem); empty for an
    // ordinary item. Such an item still shows its subject and user properties, so a link to it
    // is not mistaken for a deleted appointment, but every other call refuses with this reason.
    std::string unreadable{};
};

// An appointment of a MemoryCalendar. The object IS the folder item: a change made through a
// setter shows in the folder's items() at once, as the calendar application shows an open
// item's own state; save() only makes a new item part of the folder and marks the item stored.
class MemoryAppointment : public AppointmentItem, public std::enable_shared_from_this<MemoryAppointment> {
    // Only a calendar makes items. The key keeps everyone else out, while std::make_shared may
    // still put an item and its use count into one allocation (a calendar holds thousands).
    class Key {
        friend class MemoryCalendar;
        Key() = default;
    };

public:
    MemoryAppointment(Key, std::weak_ptr<MemoryCalendar*> calendar, AppointmentData data, bool created);
    MemoryAppointment(const MemoryAppointment&) = delete;
    MemoryAppointment& operator=(const MemoryAppointment&) = delete;

    DateTime start() const override;
    void setStart(DateTime start) override;
    DateTime end() const override;
    void setEnd(DateTime end) override;
    bool allDayEvent() const override;
    std::string subject() const override;
    void setSubject(const std::string& subject) override;
    BusyStatus busyStatus() const override;
    void setBusyStatus(BusyStatus status) override;
    /// Category names joined by "; ".
    std::string categories() const override;
    /// The stable identifier; empty until the item was stored.
    std::string entryId() const override;
    /// The item's user properties.
    UserProperties& userProperties() override;
    /// Stores the item; a new item joins its folder at the end on its first save.
    void save() override;
    /// Deletes the item from its folder; every later call throws HostError.
    void remove() override;

    /// The switchboard tests use to make one named call of this item fail.
    FaultInjector& faults() { return faults_; }
    /// True once a setter, a user property change or a save touched the item since it was loaded.
    bool isChanged() const { return changed_; }
    /// True for an item made by createItem and saved since the calendar was loaded.
    bool isNew() const { return created_ && stored_; }
    /// True after remove().
    bool isDeleted() const { return deleted_; }
    /// True for an item whose times could not be read: it is shown, but never changed.
    bool isUnreadable() const { return !data_.unreadable.empty(); }
    /// The item's whole state without fault checks, for writers.
    AppointmentData snapshot() const;

private:
    friend class MemoryCalendar;
    friend class MemoryUserProperty;
    friend class MemoryUserProperties;

    // Every member starts here: an injected failure or a deleted item throws before anything happens.
    void enter(const char* call) const;
    // Members that read the times or change the item start here: an unreadable item refuses them too.
    void enterReadable(const char* call) const;
    void markChanged() { changed_ = true; }
    MemoryCalendar& calendar() const;

    std::weak_ptr<MemoryCalendar*> calendar_;
    AppointmentData data_; // its userProperties stay empty: the properties live in properties_
    MemoryUserProperties properties_;
    FaultInjector faults_;
    bool created_;
    bool stored_;
    bool changed_ = false;
    bool deleted_ = false;
};

} // namespace zelvant
