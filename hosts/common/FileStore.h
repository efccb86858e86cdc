#pragma once

// Reading and replacing the user's own files. A save never leaves a torn file: the new content
// goes to a temporary file beside the original, is flushed to disk and renamed over it, and the
// previous version stays as NAME.bak. A file that already holds the content is not written at
// all. A file that changed on disk since it was read is not overwritten; the run's content goes
// to NAME.zelvant-conflict instead, so nothing is lost.

#include "hostapi/HostError.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace zelvant {

// A file could not be read or written; the message names the file and the problem in German.
class FileError : public HostError {
public:
    FileError(const std::filesystem::path& path, const std::string& problem);
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The file changed on disk since it was read; the run's content was written to conflictPath().
class FileConflictError : public FileError {
public:
    FileConflictError(const std::filesystem::path& path, const std::filesystem::path& conflictPath);
    const std::filesystem::path& conflictPath() const { return conflictPath_; }

private:
    std::filesystem::path conflictPath_;
};

// What a file held when it was read, to notice a change made by someone else meanwhile.
struct FileFingerprint {
    std::uintmax_t size = 0;
    std::uint64_t hash = 0;
    bool operator==(const FileFingerprint&) const = default;
};

FileFingerprint fingerprintOf(const std::string& content);

// The whole file; throws FileError for a missing file, a directory or no permission.
std::string readWholeFile(const std::filesystem::path& path);

// Steps of replaceFile, for tests that interrupt a save at each of them.
enum class SaveStep { WriteTemporary, FlushTemporary, KeepBackup, RenameOver, Done };

class FileStore {
public:
    // Replaces `path` with `content`; returns false, writing nothing, when the file holds exactly
    // `content` already. When `expected` is given and the file on disk no longer matches it (nor
    // `content`), writes NAME.zelvant-conflict and throws FileConflictError.
    static bool replace(const std::filesystem::path& path, const std::string& content,
                        const FileFingerprint* expected = nullptr);

    // Test hook: called before each step; a test throws from it to simulate a crash there.
    static void setStepHookForTesting(std::function<void(SaveStep)> hook);
};

} // namespace zelvant
