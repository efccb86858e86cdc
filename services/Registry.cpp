#include "services/Registry.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>

namespace zelvant {

namespace {

// Windows-1252 bytes 0x80..0x9F; the unassigned ones keep their own number, as Windows does.
constexpr std::array<char32_t, 32> kHighControls{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t unicodeOf(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80u];
    return byte;
}

// The code-page byte for a character, or '?' when the code page has none.
char ansiOf(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == c)
            return char(0x80 + i);
    return '?';
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// Bytes of the UTF-8 sequence that starts with `lead`; 0 for a byte that cannot start one.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Decodes the character starting at `pos` and moves past it; a broken sequence gives
// U+FFFD and moves one byte on.
char32_t nextCodePoint(const std::string& text, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    const std::size_t length = sequenceLength(lead);
    if (length == 0 || pos + length > text.size()) {
        ++pos;
        return 0xFFFD;
    }
    char32_t c = length == 1 ? lead : lead & (0xFFu >> (length + 1));
    for (std::size_t i = 1; i < length; ++i) {
        const auto follow = static_cast<unsigned char>(text[pos + i]);
        if ((follow & 0xC0) != 0x80) {
            ++pos;
            return 0xFFFD;
        }
        c = (c << 6) | (follow & 0x3Fu);
    }
    pos += length;
    return c;
}

// The four bytes of a REG_DWORD as the signed number they hold; short data reads as if the
// rest of the query buffer were zeros.
std::int32_t dwordOf(const std::string& data)
{
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < 4 && i < data.size(); ++i)
        number |= std::uint32_t(static_cast<unsigned char>(data[i])) << (8 * i);
    return static_cast<std::int32_t>(number);
}

// Whether `text` is UTF-8 throughout, with no broken or overlong sequence.
bool isValidUtf8(const std::string& text)
{
    for (std::size_t pos = 0; pos < text.size();) {
        const auto lead = static_cast<unsigned char>(text[pos]);
        const std::size_t length = sequenceLength(lead);
        if (length == 0 || pos + length > text.size())
            return false;
        const std::size_t start = pos;
        if (nextCodePoint(text, pos) == 0xFFFD && pos != start + length)
            return false;
        const auto second = length > 1 ? static_cast<unsigned char>(text[start + 1]) : 0;
        // Overlong forms, surrogates and code points above U+10FFFF are not UTF-8 either.
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
            (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
            return false;
    }
    return true;
}

std::size_t characterCount(const std::string& text)
{
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); ++count)
        nextCodePoint(text, pos);
    return count;
}

std::string textOf(const RegValue& value)
{
    switch (value.type) {
    case RegType::Sz:
    case RegType::ExpandSz: {
        // Texts are stored as UTF-8. Settings written by earlier versions hold Windows-1252
        // bytes, which are hardly ever valid UTF-8: those are read in their old code page.
        std::string text = value.data.substr(0, std::min(value.data.find('\0'), value.data.size()));
        if (!isValidUtf8(text))
            text = utf8FromAnsi(text);
        return characterCount(text) > kRegQueryBufferBytes ? std::string{} : text;
    }
    case RegType::Dword:
        return value.data.size() > kRegQueryBufferBytes ? std::string{} : std::to_string(dwordOf(value.data));
    default:
        return {};
    }
}

} // namespace

std::string ansiFromUtf8(const std::string& text)
{
    std::string ansi;
    ansi.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();)
        ansi += ansiOf(nextCodePoint(text, pos));
    return ansi;
}

std::string utf8FromAnsi(const std::string& bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (char byte : bytes)
        appendUtf8(text, unicodeOf(static_cast<unsigned char>(byte)));
    return text;
}

bool RegSetString(Registry& registry, RegistryRoot root, const std::string& subKey,
                  const std::string& valueName, std::string& value)
{
    std::unique_ptr<RegistryKey> key;
    try {
        key = registry.createKey(root, subKey);
    } catch (const std::exception&) {
        return false; // the caller learns it; a choice not remembered is only a convenience lost
    }
    if (value.empty())
        value.assign(1, ' '); // not `= " "`: GCC 12 warns falsely (-Wrestrict) about that at -O2
    try {
        // Stored as UTF-8, so names in any script (Polish, Czech, Greek) come back whole.
        key->set(valueName, RegValue::sz(value));
        return true;
    } catch (const std::exception&) {
        return false; // as above
    }
}

std::string RegGetString(Registry& registry, RegistryRoot root, const std::string& subKey,
                         const std::string& valueName)
{
    try {
        const std::unique_ptr<RegistryKey> key = registry.openKey(root, subKey);
        if (!key)
            return {};
        const std::optional<RegValue> value = key->query(valueName);
        return value ? textOf(*value) : std::string{};
    } catch (const std::exception&) {
        return {}; // an unreadable setting reads as not set: the default applies
    }
}

} // namespace zelvant
