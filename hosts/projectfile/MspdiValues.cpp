#include "hosts/projectfile/MspdiValues.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace zelvant::mspdi {

using namespace std::chrono;

namespace {

// Reads exactly `width` digits at `pos` and moves past them.
std::optional<unsigned> digits(std::string_view text, std::size_t& pos, std::size_t width)
{
    if (pos + width > text.size())
        return std::nullopt;
    unsigned value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + unsigned(c - '0');
    }
    pos += width;
    return value;
}

bool expect(std::string_view text, std::size_t& pos, char c)
{
    if (pos >= text.size() || text[pos] != c)
        return false;
    ++pos;
    return true;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() &&
           (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() &&
           (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<DateTime> parseDateTime(std::string_view text)
{
    text = trimmed(text);
    std::size_t pos = 0;
    const auto year = digits(text, pos, 4);
    if (!year || !expect(text, pos, '-'))
        return std::nullopt;
    const auto month = digits(text, pos, 2);
    if (!month || !expect(text, pos, '-'))
        return std::nullopt;
    const auto day = digits(text, pos, 2);
    if (!day || !expect(text, pos, 'T'))
        return std::nullopt;
    const auto hour = digits(text, pos, 2);
    if (!hour || !expect(text, pos, ':'))
        return std::nullopt;
    const auto minute = digits(text, pos, 2);
    if (!minute)
        return std::nullopt;
    unsigned second = 0;
    if (expect(text, pos, ':')) {
        const auto s = digits(text, pos, 2);
        if (!s)
            return std::nullopt;
        second = *s;
        if (expect(text, pos, '.'))
            while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
                ++pos;
    }
    if (pos != text.size() || *hour > 24 || *minute > 59 || second > 59)
        return std::nullopt;
    const year_month_day date{std::chrono::year(int(*year)), std::chrono::month(*month),
                              std::chrono::day(*day)};
    if (!date.ok())
        return std::nullopt;
    return local_days(date) + hours(*hour) + minutes(*minute) + seconds(second);
}

std::string formatDateTime(DateTime t)
{
    return formatIso(t);
}

bool inPlanYears(DateTime t)
{
    const int year = int(year_month_day(floor<days>(t)).year());
    return year >= kFirstYear && year <= kLastYear;
}

std::optional<seconds> parseDuration(std::string_view text, Fault* fault)
{
    auto unreadable = [fault](Fault why) -> std::optional<seconds> {
        if (fault)
            *fault = why;
        return std::nullopt;
    };
    text = trimmed(text);
    std::size_t pos = 0;
    bool negative = expect(text, pos, '-');
    if (!expect(text, pos, 'P'))
        return unreadable(Fault::Unreadable);
    bool inTime = false;
    bool any = false;
    double total = 0;
    while (pos < text.size()) {
        if (!inTime && expect(text, pos, 'T')) {
            inTime = true;
            continue;
        }
        // Some writers put the sign inside the period, before the first number: "PT-8H0M0S".
        if (expect(text, pos, '-'))
            negative = !negative;
        const std::size_t begin = pos;
        while (pos < text.size() && ((text[pos] >= '0' && text[pos] <= '9') || text[pos] == '.'))
            ++pos;
        if (pos == begin || pos >= text.size())
            return unreadable(Fault::Unreadable);
        double value = 0;
        const auto [end, error] = std::from_chars(text.data() + begin, text.data() + pos, value);
        if (error == std::errc::result_out_of_range)
            return unreadable(Fault::OutOfRange);
        if (error != std::errc() || end != text.data() + pos)
            return unreadable(Fault::Unreadable);
        const char unit = text[pos++];
        if (!inTime && unit == 'D')
            total += value * 86400;
        else if (!inTime && unit == 'W')
            total += value * 7 * 86400;
        else if (inTime && unit == 'H')
            total += value * 3600;
        else if (inTime && unit == 'M')
            total += value * 60;
        else if (inTime && unit == 'S')
            total += value;
        else
            return unreadable(Fault::Unreadable);
        any = true;
    }
    if (!any)
        return unreadable(Fault::Unreadable);
    // Checked before the conversion: a number of seconds beyond a 64-bit integer cannot be one.
    if (!std::isfinite(total) || total > double(kLongestDuration.count()))
        return unreadable(Fault::OutOfRange);
    const auto whole = seconds(static_cast<long long>(std::floor(total + 1e-6)));
    return negative ? -whole : whole;
}

std::string formatDuration(seconds duration)
{
    const bool negative = duration < seconds{0};
    const long long total = negative ? -duration.count() : duration.count();
    return "PT" + std::string(negative ? "-" : "") + std::to_string(total / 3600) + "H" +
           std::to_string(total / 60 % 60) + "M" + std::to_string(total % 60) + "S";
}

std::optional<int> parseTimeOfDay(std::string_view text)
{
    text = trimmed(text);
    std::size_t pos = 0;
    const auto hour = digits(text, pos, 2);
    if (!hour || !expect(text, pos, ':'))
        return std::nullopt;
    const auto minute = digits(text, pos, 2);
    if (!minute || *hour > 24 || *minute > 59)
        return std::nullopt;
    if (expect(text, pos, ':') && !digits(text, pos, 2))
        return std::nullopt;
    if (pos != text.size())
        return std::nullopt;
    return int(*hour * 60 + *minute);
}

std::optional<long long> parseInteger(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<double> parseNumber(std::string_view text)
{
    text = trimmed(text);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace zelvant::mspdi
