#include "hostapi/DateTime.h"

#include <cstdio>
#include <stdexcept>

namespace zelvant {

using namespace std::chrono;

DateTime makeDateTime(int year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                      unsigned second)
{
    const year_month_day ymd{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
    if (!ymd.ok() || hour > 23 || minute > 59 || second > 59)
        throw std::invalid_argument("no such date");
    return local_days{ymd} + hours{hour} + minutes{minute} + seconds{second};
}

DateTime truncateToMinute(DateTime t) { return floor<minutes>(t); }

local_days dateOf(DateTime t) { return floor<days>(t); }

seconds timeOfDay(DateTime t) { return t - dateOf(t); }

namespace {

struct Fields {
    int year;
    unsigned month, day, hour, minute, second;
};

Fields fieldsOf(DateTime t)
{
    const year_month_day ymd{dateOf(t)};
    const hh_mm_ss hms{timeOfDay(t)};
    return {int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day()), unsigned(hms.hours().count()),
            unsigned(hms.minutes().count()), unsigned(hms.seconds().count())};
}

template <typename... Args>
std::string format(const char* pattern, Args... args)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, pattern, args...);
    return buffer;
}

bool allDigits(std::string_view text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

int toInt(std::string_view digits)
{
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

} // namespace

std::string formatYmd(DateTime t)
{
    const Fields f = fieldsOf(t);
    return format("%04d%02u%02u", f.year, f.month, f.day);
}

std::string formatHm(DateTime t)
{
    const Fields f = fieldsOf(t);
    return format("%02u%02u", f.hour, f.minute);
}

std::string formatGerman(DateTime t)
{
    const Fields f = fieldsOf(t);
    return format("%02u.%02u.%04d %02u:%02u", f.day, f.month, f.year, f.hour, f.minute);
}

std::string formatGermanDate(DateTime t)
{
    const Fields f = fieldsOf(t);
    return format("%02u.%02u.%04d", f.day, f.month, f.year);
}

std::string formatIso(DateTime t)
{
    const Fields f = fieldsOf(t);
    return format("%04d-%02u-%02uT%02u:%02u:%02u", f.year, f.month, f.day, f.hour, f.minute, f.second);
}

std::string formatGermanSpan(DateTime start, DateTime end)
{
    return formatGerman(start) + " \u2013 " + formatGerman(end);
}

std::optional<DateTime> parseYmdHm(std::string_view text)
{
    if (text.size() != 12 || !allDigits(text))
        return std::nullopt;
    try {
        return makeDateTime(toInt(text.substr(0, 4)), unsigned(toInt(text.substr(4, 2))),
                            unsigned(toInt(text.substr(6, 2))), unsigned(toInt(text.substr(8, 2))),
                            unsigned(toInt(text.substr(10, 2))));
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    }
}

std::optional<DateTime> parseGermanDate(std::string_view text)
{
    if (text.size() != 10 || text[2] != '.' || text[5] != '.')
        return std::nullopt;
    const auto day = text.substr(0, 2), month = text.substr(3, 2), year = text.substr(6, 4);
    if (!allDigits(day) || !allDigits(month) || !allDigits(year))
        return std::nullopt;
    try {
        return makeDateTime(toInt(year), unsigned(toInt(month)), unsigned(toInt(day)));
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    }
}

} // namespace zelvant
