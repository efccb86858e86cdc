#include "engine/KeysInUse.h"

#include <exception>

namespace zelvant {

namespace {

void reserveValue(LinkKeyGenerator& keys, const std::string& value)
{
    if (!value.empty())
        keys.reserve(link::key(value));
}

void reservePlanKeys(const EngineInputs& inputs, LinkKeyGenerator& keys)
{
    const int fieldId = GetFieldId(inputs.fieldName);
    std::vector<Task*> tasks;
    try {
        tasks = inputs.project.tasks();
    } catch (const std::exception&) {
        // Reserving is a second safeguard: a key carries the minute it was made and nine random
        // digits, so one the run cannot see is still not drawn again in practice. Nothing is written.
        return;
    }
    for (Task* task : tasks) {
        try {
            if (task)
                reserveValue(keys, task->getField(fieldId));
        } catch (const std::exception&) {
            // As above: an unreadable field only means one key less to steer clear of.
        }
    }
}

void reserveCalendarKeys(const EngineInputs& inputs, LinkKeyGenerator& keys)
{
    std::vector<AppointmentPtr> items;
    try {
        items = inputs.folder.items();
    } catch (const std::exception&) {
        return; // as for the plan: a safeguard, nothing is written
    }
    for (const AppointmentPtr& item : items) {
        try {
            if (item)
                reserveValue(keys, readLinkValue(*item, inputs.propertyName));
        } catch (const std::exception&) {
            // As above: one key less to steer clear of.
        }
    }
}

} // namespace

void reserveKeysInUse(const EngineInputs& inputs, LinkKeyGenerator& keys)
{
    reservePlanKeys(inputs, keys);
    reserveCalendarKeys(inputs, keys);
}

} // namespace zelvant
