#pragma once

#include "hostapi/DateTime.h"

#include <optional>
#include <string>

namespace zelvant {

inline constexpr const char* kInvalidDateText =
    "\u00DCberpr\u00FCfen Sie die eingegebenen Datumswerte.      ";
inline constexpr const char* kEndBeforeStartText = "Das Enddatum liegt vor dem Anfangsdatum.      ";
inline constexpr const char* kDateOutOfRangeText =
    "Es sind nur Datumswerte zwischen 01.01.1984 und 31.12.2049 zul\u00E4ssig.      ";

// Checks a period the user chose for appointments, by day: both dates valid, the end not before
// the start, both within 01.01.1984 and 31.12.2049. Returns the message to show, or nothing.
std::optional<std::string> checkPeriod(std::optional<DateTime> from, std::optional<DateTime> to);

} // namespace zelvant
