#pragma once

// Windows speaks UTF-16, the engine UTF-8: the two conversions every Windows piece needs.

#include <string>
#include <string_view>

namespace zelvant {

// `utf8` as UTF-16; broken UTF-8 becomes U+FFFD.
std::wstring wide(std::string_view utf8);
// `utf16` as UTF-8; a lone surrogate becomes U+FFFD.
std::string narrow(std::wstring_view utf16);

} // namespace zelvant
