#pragma once

// The text of a registry file, laid out like a registry export so a person can read and edit it:
//
//     [HKEY_CURRENT_USER\Software\Brimek\Zelvant\Settings]
//     "SyncType"=sz:"1"
//     "Counter"=dword:0000002a
//     "Path"=expand_sz:"%HOME%\\kalender.ics"
//     "Blob"=hex:01,02,ff
//     "Other"=hex(7):61,00,00
//
// Texts are quoted; inside the quotes \\, \", \n, \r, \t and \xHH stand for themselves. "@" names
// a key's default value, and a plain "Name"="text" reads as sz. A line that starts with "[" or
// with a quote or "@" must be a key or value line; every other line (blank lines, comments) is
// kept as it is when the file is written again, and so are values nobody changed.

#include "hostapi/Registry.h"
#include "hosts/common/FileStore.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zelvant {

// A registry file holds something that cannot be read; the message names the file and the line.
class RegistryFormatError : public FileError {
public:
    RegistryFormatError(const std::filesystem::path& path, int line, const std::string& problem);
    // The line (counted from 1) that could not be read.
    int line() const { return line_; }

private:
    int line_;
};

// Key names here are full names with their root, e.g. "HKEY_CURRENT_USER\Software"; they and
// value names compare without regard to ASCII letter case.
class RegistryDocument {
public:
    // Reads a file's text; throws RegistryFormatError naming `source` and the first bad line.
    static RegistryDocument parse(const std::string& text, const std::filesystem::path& source);

    // The file text: lines nobody changed as they were read, changed and new ones laid out anew.
    std::string text() const;

    // True when the key has a section or a key below it has one.
    bool hasKey(const std::string& keyName) const;
    // Gives the key a section of its own unless it has one; returns true when it added one.
    bool addKey(const std::string& keyName);

    // The value stored under `name` in the key's section, or nothing.
    std::optional<RegValue> value(const std::string& keyName, const std::string& name) const;
    // Stores the value in place of an existing one, else after the section's last value.
    void setValue(const std::string& keyName, const std::string& name, const RegValue& value);

private:
    // One line of a section; value lines also carry what they hold.
    struct Line {
        std::string text;
        std::optional<std::string> valueName;
        RegValue value;
    };
    struct Section {
        std::string keyName;
        std::string header;
        std::vector<Line> lines;
    };

    Section* findSection(const std::string& keyName);
    const Section* findSection(const std::string& keyName) const;
    void appendParsedLine(std::string line, int number, const std::filesystem::path& source);

    std::vector<std::string> preamble_;
    std::vector<Section> sections_;
};

} // namespace zelvant
