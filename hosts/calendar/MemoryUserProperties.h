#pragma once

#include "hostapi/CalendarApi.h"

#include <memory>
#include <string>
#include <vector>

namespace zelvant {

class MemoryAppointment;

// One text property of an in-memory appointment. It lives as long as its item and asks the item
// on every call, so a property kept after the item was deleted throws instead of dangling.
class MemoryUserProperty : public UserProperty {
public:
    MemoryUserProperty(MemoryAppointment& owner, std::string name);

    /// The name the property was added under.
    const std::string& name() const { return name_; }
    /// The value without fault checks, for writers that serialise the item.
    const std::string& rawValue() const { return value_; }

    /// The stored text.
    std::string value() const override;
    /// Replaces the text and marks the item changed.
    void setValue(const std::string& value) override;

private:
    friend class MemoryUserProperties;

    MemoryAppointment& owner_;
    std::string name_;
    std::string value_;
};

// An appointment's user properties in the order they were added. Names match exactly
// (case-sensitive): the engine always uses the same spelling, and a stricter match shows a
// misspelt name at once instead of hiding it.
class MemoryUserProperties : public UserProperties {
public:
    explicit MemoryUserProperties(MemoryAppointment& owner) : owner_(owner) {}
    MemoryUserProperties(const MemoryUserProperties&) = delete;
    MemoryUserProperties& operator=(const MemoryUserProperties&) = delete;

    /// The property of that exact name, or nullptr.
    UserProperty* find(const std::string& name) override;
    /// Adds an empty text property; throws HostError when it exists or the type is not text.
    UserProperty& add(const std::string& name, int type, bool addToFolderFields = false) override;

    /// All properties in insertion order, without fault checks (for writers).
    const std::vector<std::unique_ptr<MemoryUserProperty>>& all() const { return properties_; }
    /// Sets a property without checks or change marking, adding it if needed (for loaders).
    MemoryUserProperty& put(std::string name, std::string value);

private:
    MemoryUserProperty* lookup(const std::string& name) const;

    MemoryAppointment& owner_;
    std::vector<std::unique_ptr<MemoryUserProperty>> properties_;
};

} // namespace zelvant
