#pragma once

// What every harness shares: a hard stop that names what went wrong, a scratch folder of the
// process for the readers that only read files, and a fixed zone and locale, so that an input
// the fuzzer saved reproduces on any machine.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

namespace zelvant::fuzz {

// Stops the run so that libFuzzer keeps the input as a crash; the message says which rule broke.
[[noreturn]] inline void fail(const char* file, int line, const std::string& what)
{
    std::fprintf(stderr, "\n%s:%d: Rundgang verletzt: %s\n", file, line, what.c_str());
    std::fflush(stderr);
    __builtin_trap();
}

#define ZELVANT_FUZZ_CHECK(condition, what)                                                                  \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            ::zelvant::fuzz::fail(__FILE__, __LINE__, std::string(#condition " -- ") + (what));              \
    } while (false)

// The same zone and locale as the test programs, whatever the shell that started the fuzzer has.
inline void fixEnvironment()
{
    ::setenv("TZ", "Europe/Berlin", 1);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    ::tzset();
}

// A folder of this process's own below the system's temporary folder, removed at exit. libFuzzer
// runs one input after the other in one process, so one folder serves all of them.
inline const std::filesystem::path& scratchFolder()
{
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("zelvant-fuzz-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        static struct Cleanup {
            std::filesystem::path path;
            ~Cleanup()
            {
                std::error_code ignored;
                std::filesystem::remove_all(path, ignored);
            }
        } cleanup{path};
        return path;
    }();
    return folder;
}

// Replaces the file's content with `bytes` and drops what an earlier save left beside it.
inline std::filesystem::path writeScratch(const std::string& name, std::string_view bytes)
{
    auto path = scratchFolder() / name;
    for (const char* suffix : {".bak", ".zelvant-conflict"}) {
        std::error_code ignored;
        std::filesystem::remove(path.string() + suffix, ignored);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    if (!out)
        fail(__FILE__, __LINE__, "cannot write " + path.string());
    return path;
}

} // namespace zelvant::fuzz
