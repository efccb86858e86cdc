#include "engine/LinkedAppointments.h"

#include "engine/EngineInputs.h"

namespace zelvant {

LinkedAppointments::LinkedAppointments(CalendarFolder& folder, const std::string& propertyName, RunReport& report)
{
    std::vector<AppointmentPtr> items;
    attempt(report, "Kalender", "Termine lesen", [&] { items = folder.items(); });
    for (AppointmentPtr& item : items) {
        std::string value;
        if (!attempt(report, "Termin", "Verkn\u00FCpfung lesen", [&] { value = readLinkValue(*item, propertyName); }))
            continue;
        if (value.empty())
            continue;
        byKey_[std::string(link::key(value))].push_back(entries_.size());
        entries_.push_back({std::move(item), std::move(value)});
    }
}

std::vector<std::size_t> LinkedAppointments::withKey(std::string_view key) const
{
    std::vector<std::size_t> found;
    const auto bucket = byKey_.find(std::string(key));
    if (bucket == byKey_.end())
        return found;
    for (std::size_t entry : bucket->second)
        if (!entries_[entry].deleted)
            found.push_back(entry);
    return found;
}

} // namespace zelvant
