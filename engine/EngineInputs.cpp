#include "engine/EngineInputs.h"

namespace zelvant {

std::string describeTask(Task& task)
{
    int id = 0;
    std::string name;
    try {
        id = task.id();
        name = task.name();
    } catch (const std::exception&) {
        // A task that cannot say who it is is still named as well as possible.
    }
    return describeTask(id, name);
}

std::string readLinkValue(AppointmentItem& item, const std::string& propertyName)
{
    UserProperty* property = item.userProperties().find(propertyName);
    return property ? property->value() : std::string{};
}

void writeLinkValue(AppointmentItem& item, const std::string& propertyName, const std::string& value,
                    bool addToFolderFields)
{
    UserProperties& properties = item.userProperties();
    UserProperty* property = properties.find(propertyName);
    if (!property)
        property = &properties.add(propertyName, kTextProperty, addToFolderFields);
    property->setValue(value);
}

} // namespace zelvant
