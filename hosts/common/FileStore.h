#pragma once

// Reading and replacing the user's own files. A save never leaves a torn file: the new content
// goes to a temporary file beside the original, is flushed to disk and swapped in for it, and the
// previous version stays as NAME.bak. A file that already holds the content is not written at
// all. A file that changed on disk since it was read is not overwritten; the run's content goes
// to NAME.zelvant-conflict instead, so nothing is lost. Another program may still write the file
// in the last instant before the swap: then the version it wrote is what the swap took out, and
// it is kept as NAME.zelvant-other.

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

// Another program changed the file while a run wanted to write it. Whose version had to move
// aside into conflictPath() depends on when the change came.
class FileConflictError : public FileError {
public:
    enum class Beside {
        // Changed before the save: the file stays as the other program left it, the run's
        // content is in conflictPath() (NAME.zelvant-conflict).
        Ours,
        // Changed during the save, after the last look: the file holds the run's content, the
        // other program's version is in conflictPath() (NAME.zelvant-other).
        Theirs,
    };
    // `advice` is added to the message: what the user can do next.
    FileConflictError(const std::filesystem::path& path, const std::filesystem::path& conflictPath,
                      Beside beside = Beside::Ours, const std::string& advice = {});
    const std::filesystem::path& conflictPath() const { return conflictPath_; }
    Beside beside() const { return beside_; }

private:
    std::filesystem::path conflictPath_;
    Beside beside_;
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

// Steps of replaceFile, for tests that interrupt a save at each of them. The file is looked at
// a last time after KeepBackup is reached; RenameOver is reached right before the swap.
enum class SaveStep { WriteTemporary, FlushTemporary, KeepBackup, RenameOver, Done };

// One file a save replaced: the bytes it held until the swap (another program's, when it wrote
// them during the save) and the fingerprint of what the save put there.
struct Replacement {
    const std::filesystem::path& path;
    const std::string& previous;
    FileFingerprint written;
};

class FileStore {
public:
    // Replaces `path` with `content`; returns false, writing nothing, when the file holds exactly
    // `content` already. When `expected` is given and the file on disk no longer matches it (nor
    // `content`), writes NAME.zelvant-conflict and throws FileConflictError (Beside::Ours); when
    // the version the swap took out does not match it, keeps that version as NAME.zelvant-other
    // and throws FileConflictError (Beside::Theirs).
    static bool replace(const std::filesystem::path& path, const std::string& content,
                        const FileFingerprint* expected = nullptr);

    // Writes one of the program's own files (not the user's): atomically, readable by the user
    // only, without a backup and without looking at what was there.
    static void writePrivate(const std::filesystem::path& path, const std::string& content);

    // Hears of every file replace() replaces while it lives, on any thread. What it is told
    // must not throw: the file is replaced already.
    class Watch {
    public:
        explicit Watch(std::function<void(const Replacement&)> heard);
        ~Watch();
        Watch(const Watch&) = delete;
        Watch& operator=(const Watch&) = delete;

    private:
        std::function<void(const Replacement&)> heard_;
    };

    // Test hook: called before each step; a test throws from it to simulate a crash there, or
    // writes the file to play another program.
    static void setStepHookForTesting(std::function<void(SaveStep)> hook);
    // Test switch: false makes saves replace the file the way filesystems without an atomic
    // swap need (a hard link keeps the version being replaced).
    static void setSwapForTesting(bool useSwap);
};

} // namespace zelvant
