#pragma once

#include "hosts/common/FileStore.h"

#include <filesystem>
#include <string>

namespace zelvant {

// A plan file whose content cannot be read: not well-formed XML, not a plan, or a value that
// makes no sense. The message names the file, the line and the problem, in German.
class ProjectFileError : public FileError {
public:
    // `line` counts from 1; 0 when the problem has no line.
    ProjectFileError(const std::filesystem::path& path, int line, const std::string& problem)
        : FileError(path, (line > 0 ? "Zeile " + std::to_string(line) + ": " : std::string()) + problem),
          line_(line)
    {
    }

    // The line of the problem, counted from 1; 0 when it has none.
    int line() const { return line_; }

private:
    int line_;
};

} // namespace zelvant
