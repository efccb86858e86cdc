#include "engine/LinkModel.h"

#include <cstdio>
#include <stdexcept>

namespace zelvant {

int GetFieldId(std::string_view fieldName)
{
    // The plan's own identifiers; Text1..Text5 are three apart, the rest consecutive.
    auto numberAfter = [&](std::string_view prefix) -> int {
        if (fieldName.substr(0, prefix.size()) != prefix)
            return 0;
        const std::string_view digits = fieldName.substr(prefix.size());
        if (digits.empty() || digits.size() > 2 || digits[0] == '0')
            return 0;
        int n = 0;
        for (char c : digits) {
            if (c < '0' || c > '9')
                return 0;
            n = n * 10 + (c - '0');
        }
        return n;
    };
    if (const int n = numberAfter("Enterprise-Text"); n >= 1 && n <= 40)
        return 188744479 + (n - 1);
    const int n = numberAfter("Text");
    if (n >= 1 && n <= 5)
        return 188743731 + 3 * (n - 1);
    if (n >= 6 && n <= 10)
        return 188743746 + (n - 6);
    if (n >= 11 && n <= 30)
        return 188743997 + (n - 11);
    return -1;
}

namespace link {

namespace {

std::string_view slice(std::string_view value, std::size_t from, std::size_t count)
{
    return from >= value.size() ? std::string_view{} : value.substr(from, count);
}

} // namespace

std::string_view key(std::string_view value)
{
    return slice(value, 3, 21);
}

std::optional<int> partCount(std::string_view value)
{
    if (value.size() < 3)
        return std::nullopt;
    int n = 0;
    for (char c : value.substr(0, 3)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::optional<DateTime> storedStart(std::string_view value)
{
    return parseYmdHm(slice(value, 24, 12));
}

std::optional<DateTime> storedEnd(std::string_view value)
{
    return parseYmdHm(slice(value, 36, 12));
}

std::string_view storedName(std::string_view value)
{
    return slice(value, 48, std::string_view::npos);
}

std::string build(int countOrIndex, std::string_view key, DateTime start, DateTime end, std::string_view name)
{
    // Three digits are all a value has: a fourth would shift the key and every later field.
    if (countOrIndex < 0 || countOrIndex >= kMaxParts)
        throw std::length_error("mehr als 1000 Teile");
    char count[16];
    std::snprintf(count, sizeof count, "%03d", countOrIndex);
    std::string value = count;
    value.append(key);
    value += formatYmd(start) + formatHm(start) + formatYmd(end) + formatHm(end);
    value.append(name);
    return value;
}

std::string subjectFor(std::string_view name, int index, int parts)
{
    std::string subject{name};
    if (parts >= 2)
        subject += " (" + std::to_string(index) + ")";
    return subject;
}

std::string withoutPartSuffix(std::string_view subject)
{
    // " (" digits ")" at the very end, as subjectFor writes it.
    if (subject.size() < 4 || subject.back() != ')')
        return std::string{subject};
    std::size_t open = subject.size() - 1;
    while (open > 0 && subject[open - 1] >= '0' && subject[open - 1] <= '9')
        --open;
    const std::size_t digits = subject.size() - 1 - open;
    if (digits == 0 || digits > 3 || open < 2 || subject[open - 1] != '(' || subject[open - 2] != ' ')
        return std::string{subject};
    return std::string{subject.substr(0, open - 2)};
}

} // namespace link

std::string leftChars(std::string_view utf8, std::size_t count)
{
    std::size_t pos = 0;
    for (std::size_t chars = 0; pos < utf8.size() && chars < count; ++chars) {
        ++pos;
        // Continuation bytes (10xxxxxx) belong to the character just started.
        while (pos < utf8.size() && (static_cast<unsigned char>(utf8[pos]) & 0xC0) == 0x80)
            ++pos;
    }
    return std::string{utf8.substr(0, pos)};
}

} // namespace zelvant
