#pragma once

#include "engine/RunReport.h"
#include "hostapi/CalendarApi.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zelvant {

// The linked appointments of the calendar folder, taken once at the start of a pass: every
// item whose link property holds a text, in folder order, with its value read once and
// indexed by link key. Appointments created during the pass are not in it; one deleted
// during the pass stays in it but no longer matches anything.
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
    std::vector<Entry> entries_;
    std::unordered_map<std::string, std::vector<std::size_t>> byKey_;
};

} // namespace zelvant
