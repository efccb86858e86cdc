#pragma once

// For tests that run a real program: its exit status and what it wrote.

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace zelvant::testing {

struct Result {
    int status = -1;
    std::string out, err;
};

// Runs a program, each argument quoted for the shell, with its output kept in files in `dir`.
inline Result spawn(const std::filesystem::path& dir, const std::vector<std::string>& args)
{
    std::string line;
    for (const std::string& arg : args)
        line += "'" + arg + "' ";
    const int status = std::system(
        (line + "> '" + (dir / "out").string() + "' 2> '" + (dir / "err").string() + "'").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readText(dir / "out"), readText(dir / "err")};
}

} // namespace zelvant::testing
