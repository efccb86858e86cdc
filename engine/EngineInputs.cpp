#include "engine/EngineInputs.h"

namespace zelvant {

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
