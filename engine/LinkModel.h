#pragma once

// The link value: the one text stored on both sides of a link, in the task's custom field
// Text29 and in the appointment's user property "voDediVave". Its layout is fixed because
// values written by earlier runs, and by earlier versions, are read by later ones:
//
//   1-3    part count (task: appointments - 1) or part index (appointment), "000"
//   4-24   link key, 21 characters, identical on the task and all its appointments
//   25-36  stored start, "yyyymmdd" + "hhnn"
//   37-48  stored end, "yyyymmdd" + "hhnn"
//   49-    stored name: the task's name when the value was written

#include "hostapi/DateTime.h"

#include <optional>
#include <string>
#include <string_view>

namespace zelvant {

inline constexpr const char* kLinkProperty = "voDediVave";
inline constexpr const char* kLinkField = "Text29";
inline constexpr int kText29 = 188744015;
// Task names and subjects are kept to this many characters so a value stays under 249.
inline constexpr std::size_t kMaxNameLength = 200;
// Three digits of part index: indices "000" to "999".
inline constexpr int kMaxParts = 1000;

// The plan's field identifier of a task text field ("Text1".."Text30",
// "Enterprise-Text1".."Enterprise-Text40"); -1 for any other name. Exact, case-sensitive.
int GetFieldId(std::string_view fieldName);

namespace link {

// Characters 4-24; a shorter value yields the characters it has.
std::string_view key(std::string_view value);
// Characters 1-3 read as a number; nothing when they are not three digits.
std::optional<int> partCount(std::string_view value);
// The stored start and end; nothing when the characters are missing or not a date.
std::optional<DateTime> storedStart(std::string_view value);
std::optional<DateTime> storedEnd(std::string_view value);
// Everything after character 48.
std::string_view storedName(std::string_view value);

// Count or index as "000", then key, start, end (to the minute) and name.
std::string build(int countOrIndex, std::string_view key, DateTime start, DateTime end,
                  std::string_view name);

// The subject of appointment `index` (from 1) of a task with `parts` appointments:
// the plain name for one, "Name (i)" for several.
std::string subjectFor(std::string_view name, int index, int parts);

// Removes the " (k)" that subjectFor appends, when there is one; otherwise the subject as it is.
std::string withoutPartSuffix(std::string_view subject);

} // namespace link

// The first `count` characters (code points) of a UTF-8 text; never splits a character.
std::string leftChars(std::string_view utf8, std::size_t count);

} // namespace zelvant
