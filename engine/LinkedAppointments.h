#pragma once

#include "engine/RunReport.h"
#include "hostapi/CalendarApi.h"

#include <compare>
#include <string>
#include <string_view>
#include <vector>

namespace zelvant {

// The linked appointments of the calendar folder, taken once at the start of a pass: every
// item whose link property holds a text, in folder order, with its value read once and
// indexed by link key. Appointments created during the pass are not in it; one deleted
// during the pass stays in it but no longer matches anything. An entry keeps the key it was
// read with, whatever value the pass writes to it later.
class LinkedAppointments {
public:
    LinkedAppointments(CalendarFolder& folder, const std::string& propertyName, RunReport& report);

    // Entries whose link key equals `key`, in folder order, without the deleted ones.
    std::vector<std::size_t> withKey(std::string_view key) const;

    AppointmentItem& item(std::size_t entry) const { return *entries_[entry].item; }
    // The entry's link value as last read or written by this pass.
    const std::string& value(std::size_t entry) const { return entries_[entry].value; }
    // Records a value the pass has just written, so later tasks with the same key see it.
    void setValue(std::size_t entry, std::string value) { entries_[entry].value = std::move(value); }
    void markDeleted(std::size_t entry) { entries_[entry].deleted = true; }

    std::size_t size() const { return entries_.size(); }

private:
    struct Entry {
        AppointmentPtr item;
        std::string value;
        bool deleted = false;
    };
    // One entry under the key it was read with.
    struct Keyed {
        std::size_t hash;     // of the key
        std::string_view key; // into keys_
        std::size_t entry;

        auto operator<=>(const Keyed&) const = default;
    };

    std::vector<Entry> entries_;
    // The keys of all entries end to end: one block instead of a string per key.
    std::string keys_;
    // Sorted by the keys' hashes, then by key and folder order: a key's entries lie side by side
    // and are found by a binary search that mostly compares numbers, without a copy of the key.
    std::vector<Keyed> byKey_;
};

} // namespace zelvant
