#pragma once

#include "hostapi/HostError.h"

#include <cstdint>
#include <exception>
#include <string>

namespace zelvant {

// An object the add-in needs is missing (the host has no command bars, no plan application).
inline constexpr std::int32_t kErrObjectNotSet = 91;
inline constexpr const char* kErrObjectNotSetText = "Objektvariable oder With-Blockvariable nicht festgelegt";
// The host handed over an object of the wrong kind (a control that is no button).
inline constexpr std::int32_t kErrTypeMismatch = 13;
inline constexpr const char* kErrTypeMismatchText = "Typen unvertr\u00E4glich";
// A failure the host reports without a number of its own: the automation error 0x80004005.
inline constexpr std::int32_t kErrAutomation = -2147467259;

// A failure with the error number the user reads in the error report.
class AddinError : public HostError {
public:
    AddinError(std::int32_t number, const std::string& description) : HostError(description), number_(number)
    {
    }
    // The error number.
    std::int32_t number() const { return number_; }

private:
    std::int32_t number_;
};

// The error number of any failure: its own for an AddinError, kErrAutomation otherwise.
inline std::int32_t errorNumberOf(const std::exception& error)
{
    if (const auto* numbered = dynamic_cast<const AddinError*>(&error))
        return numbered->number();
    return kErrAutomation;
}

} // namespace zelvant
