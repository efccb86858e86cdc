#pragma once

// Text helpers every layer needs. The files, the registry and the command line speak ASCII in
// their keywords, so letter case and white space are ASCII's here, whatever the locale says.

#include <cstdint>
#include <string>
#include <string_view>

namespace zelvant {

// The ASCII white space: blank, tab, line feed, carriage return, form feed, vertical tab.
inline constexpr std::string_view kWhiteSpace = " \t\n\r\f\v";

// `text` with A-Z as a-z; every other byte (UTF-8 included) unchanged.
std::string lowerAscii(std::string_view text);

// `text` without the leading and trailing characters listed in `blanks` (white space unless
// told otherwise); empty when nothing else is left.
std::string_view trimmed(std::string_view text, std::string_view blanks = kWhiteSpace);

// `value` as lower-case hexadecimal, `digits` long with leading zeros (longer when it needs more).
std::string hexDigits(std::uint64_t value, int digits);

// Appends `text` escaped for XML: as element content, or as an attribute value in double quotes
// (where line ends and tabs must be written as references to survive a reader).
void appendXmlEscaped(std::string& out, std::string_view text, bool attribute);

} // namespace zelvant
