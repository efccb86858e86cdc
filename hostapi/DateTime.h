#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace zelvant {

// A local wall-clock moment as the plan and the calendar report it, without a time zone.
// The host works to the second; the link model and most comparisons work to the minute.
using DateTime = std::chrono::local_seconds;
using Minutes = std::chrono::minutes;

// Builds a moment from its calendar fields; throws std::invalid_argument for a date that does not exist.
DateTime makeDateTime(int year, unsigned month, unsigned day, unsigned hour = 0, unsigned minute = 0,
                      unsigned second = 0);

// Drops the seconds: the link model keeps minutes only.
DateTime truncateToMinute(DateTime t);

// The calendar day of a moment and its time of day.
std::chrono::local_days dateOf(DateTime t);
std::chrono::seconds timeOfDay(DateTime t);

// Fixed-layout texts used in link values and messages, independent of any locale.
std::string formatYmd(DateTime t);          // "yyyymmdd"
std::string formatHm(DateTime t);           // "hhnn"
std::string formatGerman(DateTime t);       // "dd.mm.yyyy hh:nn"
std::string formatGermanDate(DateTime t);   // "dd.mm.yyyy"
std::string formatIso(DateTime t);          // "yyyy-mm-ddThh:nn:ss"
std::string formatGermanSpan(DateTime start, DateTime end); // "dd.mm.yyyy hh:nn – dd.mm.yyyy hh:nn"

// Reads "yyyymmdd" + "hhnn" (12 characters); nothing for anything else, including impossible dates.
std::optional<DateTime> parseYmdHm(std::string_view text);
// Reads "dd.mm.yyyy" (a German date as users type it); nothing for anything else.
std::optional<DateTime> parseGermanDate(std::string_view text);

} // namespace zelvant
