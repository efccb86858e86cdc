#include "hosts/calendar/MemoryCalendar.h"

#include "hostapi/HostError.h"

#include <algorithm>

namespace zelvant {

namespace {

// Enough tries to step over every ID a loaded file may already use, few enough to stop a
// generator that never comes up with a fresh one.
constexpr int kMaxEntryIdTries = 10000;

} // namespace

MemoryCalendar::MemoryCalendar()
    : self_(std::make_shared<MemoryCalendar*>(this)), now_(makeDateTime(2000, 1, 1))
{
}

std::vector<AppointmentPtr> MemoryCalendar::items()
{
    return {items_.begin(), items_.end()};
}

std::shared_ptr<MemoryAppointment> MemoryCalendar::addItem(AppointmentData data)
{
    auto item = std::make_shared<MemoryAppointment>(MemoryAppointment::Key(), self_, std::move(data), false);
    store(item);
    return item;
}

std::shared_ptr<MemoryAppointment> MemoryCalendar::createItem()
{
    AppointmentData data;
    data.start = now_;
    data.end = now_ + Minutes{30};
    return std::make_shared<MemoryAppointment>(MemoryAppointment::Key(), self_, std::move(data), true);
}

std::vector<std::string> MemoryCalendar::deletedEntryIds() const
{
    std::vector<std::string> ids;
    for (const auto& item : deleted_)
        ids.push_back(item->data_.entryId);
    return ids;
}

void MemoryCalendar::store(std::shared_ptr<MemoryAppointment> item)
{
    if (item->data_.entryId.empty())
        item->data_.entryId = nextEntryId();
    if (entryIdsGathered_)
        entryIds_.insert(item->data_.entryId);
    item->stored_ = true;
    items_.push_back(std::move(item));
}

void MemoryCalendar::discard(const MemoryAppointment& item)
{
    const auto it = std::find_if(items_.begin(), items_.end(),
                                 [&](const auto& candidate) { return candidate.get() == &item; });
    if (it == items_.end())
        return;
    deleted_.push_back(*it);
    items_.erase(it);
}

std::string MemoryCalendar::nextEntryId()
{
    for (int i = 0; i < kMaxEntryIdTries; ++i) {
        std::string id = generator_ ? generator_() : "zelvant-" + std::to_string(++counter_) + "@local";
        if (!id.empty() && !entryIdInUse(id))
            return id;
    }
    throw HostError("F\u00FCr einen neuen Termin ist keine Kennung mehr frei.");
}

bool MemoryCalendar::entryIdInUse(const std::string& id) const
{
    if (!entryIdsGathered_) {
        entryIds_.reserve(items_.size() + deleted_.size());
        for (const auto* items : {&items_, &deleted_})
            for (const auto& item : *items)
                entryIds_.insert(item->data_.entryId);
        entryIdsGathered_ = true;
    }
    return entryIds_.count(id) > 0;
}

} // namespace zelvant
