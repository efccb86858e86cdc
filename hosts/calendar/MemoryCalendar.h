#pragma once

#include "hostapi/CalendarApi.h"
#include "hosts/calendar/MemoryAppointment.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace zelvant {

// The store behind the default calendar folder: appointments in the order they joined it,
// plus what a writer needs to know since the calendar was loaded (changed, new, deleted items).
class MemoryCalendar : public CalendarFolder {
public:
    MemoryCalendar();
    // Items point back at their calendar, so it stays where it was made.
    MemoryCalendar(const MemoryCalendar&) = delete;
    MemoryCalendar& operator=(const MemoryCalendar&) = delete;

    /// The stored, not deleted items in folder order.
    std::vector<AppointmentPtr> items() override;

    /// Adds a stored, unchanged item at the end (for loaders and tests); generates a missing entry ID.
    std::shared_ptr<MemoryAppointment> addItem(AppointmentData data);
    /// Makes room for `count` items, for a loader that knows how many it adds.
    void reserve(std::size_t count) { items_.reserve(count); }
    /// A new, unsaved item with the calendar application's defaults: now() to now() + 30 minutes,
    /// busy, no subject.
    std::shared_ptr<MemoryAppointment> createItem();

    /// The stored, not deleted items with their concrete type (for writers).
    const std::vector<std::shared_ptr<MemoryAppointment>>& appointments() const { return items_; }
    /// Entry IDs of the stored items deleted since the calendar was loaded, in deletion order.
    std::vector<std::string> deletedEntryIds() const;

    /// The moment new items start at; 2000-01-01 00:00 until set.
    DateTime now() const { return now_; }
    /// Sets the moment new items start at.
    void setNow(DateTime now) { now_ = now; }
    /// Replaces the default "zelvant-<n>@local" entry IDs (e.g. by UUID-like ones for a file).
    void setEntryIdGenerator(std::function<std::string()> generator) { generator_ = std::move(generator); }

private:
    friend class MemoryAppointment;

    void store(std::shared_ptr<MemoryAppointment> item);
    void discard(const MemoryAppointment& item);
    std::string nextEntryId();
    bool entryIdInUse(const std::string& id) const;

    // Items hold a weak copy, so an item that outlives its calendar reports it instead of crashing.
    std::shared_ptr<MemoryCalendar*> self_;
    std::vector<std::shared_ptr<MemoryAppointment>> items_;
    // Deleted items stay alive here, so a user property kept from one still answers (by throwing).
    std::vector<std::shared_ptr<MemoryAppointment>> deleted_;
    // Every entry ID the calendar has given out or taken in, deleted items' included, so a new
    // one is checked in constant time (a calendar file may hold tens of thousands of events).
    // Gathered from the items when the first new one needs an ID: a run that makes none never
    // pays for it.
    mutable std::unordered_set<std::string> entryIds_;
    mutable bool entryIdsGathered_ = false;
    std::function<std::string()> generator_;
    unsigned long counter_ = 0;
    DateTime now_;
};

} // namespace zelvant
