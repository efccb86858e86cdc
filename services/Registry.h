#pragma once

// The two routines through which all settings reach the registry. Values are written as
// REG_SZ in UTF-8, so a text in any script comes back as it was written. Earlier versions wrote
// the system code page (Windows-1252, the German one); such values still read correctly.
// Neither routine reports anything: failure shows only in the result.

#include "hostapi/Registry.h"

#include <cstddef>
#include <string>

namespace zelvant {

// The query buffer of RegGetString in characters: a stored text longer than this reads as the
// empty text.
inline constexpr std::size_t kRegQueryBufferBytes = 1024;

// Writes `value` as REG_SZ under `valueName` in the key `subKey` below `root`, creating the key
// when needed. An empty `value` is first replaced by " " (the caller's variable receives it).
// Returns true when the value was written.
bool RegSetString(Registry& registry, RegistryRoot root, const std::string& subKey,
                  const std::string& valueName, std::string& value);

// The value under `valueName` as text: REG_SZ and REG_EXPAND_SZ as stored (up to the first zero
// byte, unexpanded; data that is not valid UTF-8 is read as Windows-1252), REG_DWORD as a signed
// decimal number. The empty text for every other type, for a value over kRegQueryBufferBytes,
// and for any failure (missing key or value included).
std::string RegGetString(Registry& registry, RegistryRoot root, const std::string& subKey,
                         const std::string& valueName);

// `text` (UTF-8) in Windows-1252; characters outside the code page and broken UTF-8 become "?".
std::string ansiFromUtf8(const std::string& text);

// Windows-1252 bytes as UTF-8; the five unassigned bytes map to the control characters of the
// same number, so every byte comes back unchanged through ansiFromUtf8.
std::string utf8FromAnsi(const std::string& bytes);

} // namespace zelvant
