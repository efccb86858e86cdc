#pragma once

// The plain values of a plan file in the Project XML format: local date-times, durations written as
// ISO 8601 periods of hours, times of day and numbers. Readers give nothing for text they cannot
// read, so the caller decides whether to fall back or to report the line.

#include "hostapi/DateTime.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace zelvant::mspdi {

// Reads "2024-03-05T08:00:00" (seconds and a fraction optional); nothing for anything else.
std::optional<DateTime> parseDateTime(std::string_view text);
// Writes "2024-03-05T08:00:00".
std::string formatDateTime(DateTime t);

// Why a value could not be read.
enum class Fault { Unreadable, OutOfRange };

// The longest duration a plan may state, either way: a hundred years around the clock. Far more
// than any plan needs, and far less than dates and minutes can carry without overflowing.
constexpr std::chrono::seconds kLongestDuration = std::chrono::hours{100 * 366 * 24};
// The years a plan's dates may lie in.
constexpr int kFirstYear = 1900;
constexpr int kLastYear = 2200;

// True when `t` lies in the years kFirstYear to kLastYear.
bool inPlanYears(DateTime t);

// Reads a period such as "PT80H0M0S", "PT-8H0M0S" or "P1DT2H30M"; the fraction of a second is
// dropped. Nothing for text it cannot read or a period longer than kLongestDuration; `fault`, when
// given, then tells which.
std::optional<std::chrono::seconds> parseDuration(std::string_view text, Fault* fault = nullptr);
// Writes hours, minutes and seconds the way the plan does: "PT80H0M0S", "PT-8H0M0S".
std::string formatDuration(std::chrono::seconds duration);

// Reads "08:00:00" as minutes after midnight.
std::optional<int> parseTimeOfDay(std::string_view text);

// Reads a whole number (optionally signed); nothing for anything else.
std::optional<long long> parseInteger(std::string_view text);
// Reads a decimal number such as "0.75"; nothing for anything else.
std::optional<double> parseNumber(std::string_view text);

} // namespace zelvant::mspdi
