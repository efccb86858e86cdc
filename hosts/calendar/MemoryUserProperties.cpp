#include "hosts/calendar/MemoryUserProperties.h"

#include "hostapi/HostError.h"
#include "hosts/calendar/MemoryAppointment.h"

#include <utility>

namespace zelvant {

MemoryUserProperty::MemoryUserProperty(MemoryAppointment& owner, std::string name)
    : owner_(owner), name_(std::move(name))
{
}

std::string MemoryUserProperty::value() const
{
    owner_.enter("Value");
    return value_;
}

void MemoryUserProperty::setValue(const std::string& value)
{
    owner_.enterReadable("SetValue");
    value_ = value;
    owner_.markChanged();
}

UserProperty* MemoryUserProperties::find(const std::string& name)
{
    owner_.enter("Find");
    return lookup(name);
}

UserProperty& MemoryUserProperties::add(const std::string& name, int type, bool /*addToFolderFields*/)
{
    owner_.enterReadable("Add");
    if (name.empty())
        throw HostError("Eine benutzerdefinierte Eigenschaft braucht einen Namen.");
    if (type != kTextProperty)
        throw HostError("Nur Texteigenschaften sind m\u00F6glich: " + name);
    if (lookup(name))
        throw HostError("Die Eigenschaft gibt es schon: " + name);
    owner_.markChanged();
    return put(name, "");
}

MemoryUserProperty& MemoryUserProperties::put(std::string name, std::string value)
{
    MemoryUserProperty* property = lookup(name);
    if (!property)
        property =
            properties_.emplace_back(std::make_unique<MemoryUserProperty>(owner_, std::move(name))).get();
    property->value_ = std::move(value);
    return *property;
}

MemoryUserProperty* MemoryUserProperties::lookup(const std::string& name) const
{
    for (const auto& property : properties_)
        if (property->name() == name)
            return property.get();
    return nullptr;
}

} // namespace zelvant
