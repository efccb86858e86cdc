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
std::string formatYmd(DateTime t);                          // "yyyymmdd"
std::string formatHm(DateTime t);                           // "hhnn"
std::string formatGerman(DateTime t);                       // "dd.mm.yyyy hh:nn"
std::string formatGermanDate(DateTime t);                   // "dd.mm.yyyy"
std::string formatIso(DateTime t);                          // "yyyy-mm-ddThh:nn:ss"
std::string formatGermanSpan(DateTime start, DateTime end); // "dd.mm.yyyy hh:nn – dd.mm.yyyy hh:nn"

// Reads "yyyymmdd" + "hhnn" (12 characters); nothing for anything else, including impossible dates.
std::optional<DateTime> parseYmdHm(std::string_view text);
// Reads "dd.mm.yyyy" (a German date as users type it); nothing for anything else.
std::optional<DateTime> parseGermanDate(std::string_view text);

// An ISO 8601 period such as "P2W", "P1DT2H30M" or "PT8H0M0.5S". Weeks and days are calendar
// days, hours, minutes and seconds exact time: a calendar keeps the two apart across a change of
// clocks, a plan counts both in seconds.
struct IsoPeriod {
    bool negative = false;
    bool fractional = false; // some number had a decimal point, which a calendar file may not write
    double days = 0;         // weeks counted as seven days
    double seconds = 0;
};

// Why a period could not be read.
enum class PeriodFault { Unreadable, OutOfRange };

// Reads a period. A sign may stand before the P ("-PT8H", "+P1D") and a minus before any number
// ("PT-8H0M0S", as some plan writers put it); each minus turns the period round. Nothing for
// text that is no period, or whose length (days and time together) exceeds `longest`; `fault`,
// when given, then tells which.
std::optional<IsoPeriod> parseIsoPeriod(std::string_view text, std::chrono::seconds longest,
                                        PeriodFault* fault = nullptr);

} // namespace zelvant
