#pragma once

// The line level of an iCalendar file: unfolding, splitting a line into name, parameters and
// value, and the TEXT escaping. Kept apart from libical so that what we read and write is
// exactly what the file holds (libical drops empty values and loses escaping on the way).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zelvant {

// One parameter of a content line; the value without its quotes, caret escapes decoded.
struct IcsParam {
    std::string name; // upper case
    std::string value;
};

// One logical (unfolded) line and where it sits in the text it was scanned from.
struct ContentLine {
    std::string name; // upper case
    std::string head; // name and parameters exactly as written, unfolded
    std::vector<IcsParam> params;
    std::string value;     // still escaped
    std::size_t begin = 0; // first byte of its first physical line
    std::size_t end = 0;   // one past its last line break
    int lineNumber = 0;    // physical line it starts on, counted from 1
    bool hasValue = true;  // false when no ':' outside quotes separates a value

    /// The first parameter of that upper-case name, or nullptr.
    const IcsParam* param(std::string_view upperName) const;
    /// True for "BEGIN:<component>" (component upper case).
    bool isBegin(std::string_view component) const;
    /// True for "END:<component>" (component upper case).
    bool isEnd(std::string_view component) const;
};

/// Splits text into unfolded content lines; blank lines are skipped. Line numbers start at firstLine.
std::vector<ContentLine> scanContentLines(std::string_view text, int firstLine = 1);
/// The same into `lines`, reusing the strings it holds from an earlier call: a reader of many
/// events allocates for the first ones only.
void scanContentLines(std::string_view text, int firstLine, std::vector<ContentLine>& lines);
/// Splits one unfolded line into name, parameters and value.
ContentLine parseContentLine(std::string_view unfolded);
/// True when a name has only the letters, digits and dashes a property or parameter name may have.
bool isValidName(std::string_view name);

/// The TEXT value as the user sees it: "\\," "\\;" "\\\\" "\\n" decoded.
std::string unescapeText(std::string_view value);
/// The TEXT value as a file holds it; line breaks become "\\n".
std::string escapeText(std::string_view text);
/// The parts of a TEXT list, split at commas that are not escaped (each part still escaped).
std::vector<std::string> splitTextList(std::string_view value);
/// A parameter value as written: quoted when it holds ':' ';' ',', caret-escaped '"' '^' and breaks.
std::string formatParamValue(std::string_view value);
/// The line folded to at most 75 bytes per physical line (never inside a UTF-8 character),
/// each physical line ended by `newline`.
std::string foldLine(std::string_view line, std::string_view newline);

} // namespace zelvant
