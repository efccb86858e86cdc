#include "hostapi/DateTime.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace zelvant {

using namespace std::chrono;

DateTime makeDateTime(int year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second)
{
    const year_month_day ymd{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
    if (!ymd.ok() || hour > 23 || minute > 59 || second > 59)
        throw std::invalid_argument("no such date");
    return local_days{ymd} + hours{hour} + minutes{minute} + seconds{second};
}

DateTime truncateToMinute(DateTime t)
{
    return floor<minutes>(t);
}

local_days dateOf(DateTime t)
{
    return floor<days>(t);
}

seconds timeOfDay(DateTime t)
{
    return t - dateOf(t);
}

namespace {

struct Fields {
    int year;
    unsigned month, day, hour, minute, second;
};

Fields fieldsOf(DateTime t)
{
    const year_month_day ymd{dateOf(t)};
    const hh_mm_ss hms{timeOfDay(t)};
    return {int(ymd.year()),
            unsigned(ymd.month()),
            unsigned(ymd.day()),
            unsigned(hms.hours().count()),
            unsigned(hms.minutes().count()),
            unsigned(hms.seconds().count())};
}

// Writes `value` as exactly `width` decimal digits, zero-padded. Called for every date of every
// link value, so it avoids the cost of a general formatter.
void appendDigits(std::string& out, long value, int width)
{
    char digits[12];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = char('0' + value % 10);
        value /= 10;
    }
    out.append(digits, std::size_t(width));
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
    std::string text;
    appendDigits(text, f.year, 4);
    appendDigits(text, f.month, 2);
    appendDigits(text, f.day, 2);
    return text;
}

std::string formatHm(DateTime t)
{
    const Fields f = fieldsOf(t);
    std::string text;
    appendDigits(text, f.hour, 2);
    appendDigits(text, f.minute, 2);
    return text;
}

std::string formatGermanDate(DateTime t)
{
    const Fields f = fieldsOf(t);
    std::string text;
    appendDigits(text, f.day, 2);
    text += '.';
    appendDigits(text, f.month, 2);
    text += '.';
    appendDigits(text, f.year, 4);
    return text;
}

std::string formatGerman(DateTime t)
{
    const Fields f = fieldsOf(t);
    std::string text = formatGermanDate(t);
    text += ' ';
    appendDigits(text, f.hour, 2);
    text += ':';
    appendDigits(text, f.minute, 2);
    return text;
}

std::string formatIso(DateTime t)
{
    const Fields f = fieldsOf(t);
    std::string text;
    appendDigits(text, f.year, 4);
    text += '-';
    appendDigits(text, f.month, 2);
    text += '-';
    appendDigits(text, f.day, 2);
    text += 'T';
    appendDigits(text, f.hour, 2);
    text += ':';
    appendDigits(text, f.minute, 2);
    text += ':';
    appendDigits(text, f.second, 2);
    return text;
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

std::optional<IsoPeriod> parseIsoPeriod(std::string_view text, seconds longest, PeriodFault* fault)
{
    auto refused = [fault](PeriodFault why) -> std::optional<IsoPeriod> {
        if (fault)
            *fault = why;
        return std::nullopt;
    };
    auto expect = [&text](std::size_t& pos, char c) {
        if (pos >= text.size() || text[pos] != c)
            return false;
        ++pos;
        return true;
    };
    IsoPeriod period;
    std::size_t pos = 0;
    if (!expect(pos, '+'))
        period.negative = expect(pos, '-');
    if (!expect(pos, 'P'))
        return refused(PeriodFault::Unreadable);
    bool inTime = false;
    bool any = false;
    while (pos < text.size()) {
        if (!inTime && expect(pos, 'T')) {
            inTime = true;
            continue;
        }
        if (expect(pos, '-'))
            period.negative = !period.negative;
        const std::size_t begin = pos;
        while (pos < text.size() && ((text[pos] >= '0' && text[pos] <= '9') || text[pos] == '.'))
            ++pos;
        if (pos == begin || pos >= text.size())
            return refused(PeriodFault::Unreadable);
        double value = 0;
        const auto [end, error] = std::from_chars(text.data() + begin, text.data() + pos, value);
        if (error == std::errc::result_out_of_range)
            return refused(PeriodFault::OutOfRange);
        if (error != std::errc() || end != text.data() + pos)
            return refused(PeriodFault::Unreadable);
        if (text.substr(begin, pos - begin).find('.') != std::string_view::npos)
            period.fractional = true;
        const char unit = text[pos++];
        if (!inTime && unit == 'D')
            period.days += value;
        else if (!inTime && unit == 'W')
            period.days += value * 7;
        else if (inTime && unit == 'H')
            period.seconds += value * 3600;
        else if (inTime && unit == 'M')
            period.seconds += value * 60;
        else if (inTime && unit == 'S')
            period.seconds += value;
        else
            return refused(PeriodFault::Unreadable);
        any = true;
    }
    if (!any)
        return refused(PeriodFault::Unreadable);
    // In floating point, so that no number of the text can overflow the sum.
    const double total = period.days * 86400 + period.seconds;
    if (!std::isfinite(total) || total > double(longest.count()))
        return refused(PeriodFault::OutOfRange);
    return period;
}

} // namespace zelvant
