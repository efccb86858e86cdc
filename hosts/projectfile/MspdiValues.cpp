#include "hosts/projectfile/MspdiValues.h"

#include "hostapi/Text.h"

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
    PeriodFault why = PeriodFault::Unreadable;
    const auto period = parseIsoPeriod(trimmed(text), kLongestDuration, &why);
    if (!period) {
        if (fault)
            *fault = why == PeriodFault::OutOfRange ? Fault::OutOfRange : Fault::Unreadable;
        return std::nullopt;
    }
    // A plan counts days as 24 hours; the fraction of a second is dropped.
    const auto whole =
        seconds(static_cast<long long>(std::floor(period->days * 86400 + period->seconds + 1e-6)));
    return period->negative ? -whole : whole;
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
