#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelvant {

// True for "1" and, in any letter case, "ja", "an", "true", "wahr", "yes", "on"; false for
// everything else, blanks around the word included. Used to restore stored option settings.
bool StrToBool(std::string_view text);

// Splits a list such as "Rot; Blau" at `delimiter` into its trimmed parts, in text order.
// A text without the delimiter gives itself untrimmed (nothing when it is blank); empty parts
// between two delimiters are kept; a delimiter at the very end adds nothing after it.
// An empty delimiter never occurs in a text.
std::vector<std::string> SplitToCollection(std::string_view text, std::string_view delimiter);

// The text without leading and trailing blanks (spaces only, as the category lists use them).
std::string trimBlanks(std::string_view text);

} // namespace zelvant
