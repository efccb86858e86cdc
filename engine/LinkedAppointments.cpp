#include "engine/LinkedAppointments.h"

#include "engine/EngineInputs.h"

#include <algorithm>
#include <functional>

namespace zelvant {

LinkedAppointments::LinkedAppointments(CalendarFolder& folder, const std::string& propertyName,
                                       RunReport& report)
{
    std::vector<AppointmentPtr> items;
    attempt(report, "Kalender", "Termine lesen", [&] { items = folder.items(); });
    entries_.reserve(items.size());
    for (AppointmentPtr& item : items) {
        std::string value;
        if (!attempt(report, "Termin", "Verkn\u00FCpfung lesen",
                     [&] { value = readLinkValue(*item, propertyName); }))
            continue;
        if (value.empty())
            continue;
        entries_.push_back({std::move(item), std::move(value)});
    }

    // The keys go into their block first, so that it no longer moves once they are pointed at.
    std::vector<std::size_t> keyEnds;
    keyEnds.reserve(entries_.size());
    for (const Entry& entry : entries_) {
        keys_ += link::key(entry.value);
        keyEnds.push_back(keys_.size());
    }
    byKey_.reserve(entries_.size());
    std::size_t keyBegin = 0;
    for (std::size_t entry = 0; entry < entries_.size(); ++entry) {
        const std::string_view key = std::string_view(keys_).substr(keyBegin, keyEnds[entry] - keyBegin);
        byKey_.push_back({std::hash<std::string_view>{}(key), key, entry});
        keyBegin = keyEnds[entry];
    }
    std::sort(byKey_.begin(), byKey_.end());
}

std::vector<std::size_t> LinkedAppointments::withKey(std::string_view key) const
{
    const Keyed first{std::hash<std::string_view>{}(key), key, 0};
    std::vector<std::size_t> found;
    for (auto it = std::lower_bound(byKey_.begin(), byKey_.end(), first);
         it != byKey_.end() && it->hash == first.hash && it->key == key; ++it)
        if (!entries_[it->entry].deleted)
            found.push_back(it->entry);
    return found;
}

} // namespace zelvant
