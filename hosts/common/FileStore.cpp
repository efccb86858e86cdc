#include "hosts/common/FileStore.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zelvant {

namespace fs = std::filesystem;

namespace {

std::function<void(SaveStep)>& stepHook()
{
    static std::function<void(SaveStep)> hook;
    return hook;
}

void reach(SaveStep step)
{
    if (stepHook())
        stepHook()(step);
}

bool& swapWanted()
{
    static bool wanted = true;
    return wanted;
}

// The watches listening now; a save tells each of them what it replaced.
using Listener = std::function<void(const Replacement&)>;
struct Watchers {
    std::mutex lock;
    std::vector<const Listener*> list;
};

Watchers& watchers()
{
    static Watchers all;
    return all;
}

bool anyoneWatching()
{
    std::lock_guard guard(watchers().lock);
    return !watchers().list.empty();
}

std::string systemReason(int error)
{
    return std::strerror(error);
}

void writeAll(int fd, const std::string& content, const fs::path& path)
{
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(path, "Schreiben fehlgeschlagen: " + systemReason(errno));
        }
        data += written;
        left -= std::size_t(written);
    }
}

// Writes content to a fresh file beside `target` and flushes it; returns its path. Only saves of
// the user's files pass the test hook's steps.
fs::path writeTemporary(const fs::path& target, const std::string& content, mode_t mode, bool userFile = true)
{
    std::string pattern = target.string() + ".tmp-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw FileError(target, "Tempor\u00E4re Datei nicht anlegbar: " + systemReason(errno));
    try {
        if (userFile)
            reach(SaveStep::WriteTemporary);
        writeAll(fd, content, target);
        ::fchmod(fd, mode);
        if (userFile)
            reach(SaveStep::FlushTemporary);
        if (::fsync(fd) != 0)
            throw FileError(target, "Sichern auf die Platte fehlgeschlagen: " + systemReason(errno));
    } catch (...) {
        ::close(fd);
        ::unlink(pattern.c_str());
        throw;
    }
    ::close(fd);
    return pattern;
}

void syncDirectory(const fs::path& file)
{
    const fs::path dir = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Enough of a file's inode to tell, without reading it, that nobody touched it: a write changes
// its times, a rename puts another inode in its place.
struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{}, changed{};

    bool operator==(const Identity& other) const
    {
        auto same = [](const timespec& a, const timespec& b) {
            return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
        };
        return device == other.device && inode == other.inode && size == other.size &&
               same(modified, other.modified) && same(changed, other.changed);
    }
};

std::optional<Identity> identityOf(const fs::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return Identity{info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim};
}

// True when the file no longer holds what the run read: gone, or other content. A file that
// was only touched (same content, new time) is still the one the run read.
bool changedSince(const fs::path& path, const std::optional<Identity>& seen, const FileFingerprint& expected)
{
    const std::optional<Identity> now = identityOf(path);
    if (!now)
        return true;
    if (seen && *now == *seen)
        return false;
    try {
        return fingerprintOf(readWholeFile(path)) != expected;
    } catch (const FileError&) {
        return true;
    }
}

// Puts `temporary` in the place of `path`. Returns where the version it replaced can now be
// read, or an empty path when there was none or the filesystem cannot keep it.
fs::path swapIn(const fs::path& temporary, const fs::path& path, bool exists)
{
    if (exists && swapWanted()) {
        // One step that cannot lose a version: whatever is at `path` in that instant, even a
        // file another program renamed there a moment ago, comes out under the temporary name.
        if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0)
            return temporary;
        if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != ENOENT)
            throw fs::filesystem_error("renameat2", temporary, path,
                                       std::error_code(errno, std::generic_category()));
    }
    // Without the swap, a hard link taken now keeps the version the rename replaces, unless
    // another program replaces the file in the instant between the two calls.
    fs::path held;
    if (exists) {
        held = temporary.string() + "-alt";
        std::error_code error;
        fs::create_hard_link(path, held, error);
        if (error)
            held.clear();
    }
    try {
        fs::rename(temporary, path);
    } catch (...) {
        std::error_code ignored;
        if (!held.empty())
            fs::remove(held, ignored);
        throw;
    }
    return held;
}

void tellWatchers(const fs::path& path, const std::string& previous, const FileFingerprint& written)
{
    std::vector<const Listener*> listening;
    {
        std::lock_guard guard(watchers().lock);
        listening = watchers().list;
    }
    const Replacement replacement{path, previous, written};
    for (const Listener* heard : listening)
        (*heard)(replacement);
}

} // namespace

FileError::FileError(const fs::path& path, const std::string& problem)
    : HostError(path.string() + ": " + problem), path_(path)
{
}

namespace {

std::string conflictProblem(const fs::path& conflictPath, FileConflictError::Beside beside,
                            const std::string& advice)
{
    std::string problem =
        beside == FileConflictError::Beside::Ours
            ? "Die Datei wurde inzwischen von einem anderen Programm ge\u00E4ndert und nicht "
              "\u00FCberschrieben. "
              "Die \u00C4nderungen dieses Laufs stehen in " +
                  conflictPath.string() + "."
            : "Ein anderes Programm hat die Datei geschrieben, w\u00E4hrend sie gespeichert wurde. Sie "
              "enth\u00E4lt "
              "jetzt die \u00C4nderungen dieses Laufs; die Fassung des anderen Programms steht in " +
                  conflictPath.string() + ".";
    if (!advice.empty())
        problem += " " + advice;
    return problem;
}

} // namespace

FileConflictError::FileConflictError(const fs::path& path, const fs::path& conflictPath, Beside beside,
                                     const std::string& advice)
    : FileError(path, conflictProblem(conflictPath, beside, advice)), conflictPath_(conflictPath),
      beside_(beside)
{
}

FileFingerprint fingerprintOf(const std::string& content)
{
    // Eight bytes a step, each mixed in by a multiply and a shift: enough to notice that someone
    // else wrote the file, cheap on a large plan, and no security measure.
    std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ content.size();
    auto mix = [&hash](std::uint64_t word) {
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
        hash ^= hash >> 32;
    };
    const std::size_t whole = content.size() / 8 * 8;
    for (std::size_t i = 0; i < whole; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, content.data() + i, 8);
        mix(word);
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, content.data() + whole, content.size() - whole);
    mix(tail);
    return {content.size(), hash};
}

std::string readWholeFile(const fs::path& path)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status))
        throw FileError(path, "Die Datei existiert nicht.");
    if (fs::is_directory(status))
        throw FileError(path, "Das ist ein Verzeichnis, keine Datei.");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw FileError(path, "Die Datei kann nicht gelesen werden (keine Berechtigung?).");
    // One buffer of the file's size, filled by as few reads as the system needs.
    struct stat info {};
    std::string content;
    if (::fstat(fd, &info) == 0 && info.st_size > 0)
        content.reserve(std::size_t(info.st_size));
    char chunk[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int reason = errno;
            ::close(fd);
            throw FileError(path, "Lesefehler: " + systemReason(reason));
        }
        if (got == 0)
            break;
        content.append(chunk, std::size_t(got));
    }
    ::close(fd);
    return content;
}

bool FileStore::replace(const fs::path& path, const std::string& content, const FileFingerprint* expected)
{
    std::error_code error;
    const bool exists = fs::exists(path, error);
    const bool watched = anyoneWatching();
    std::optional<std::string> onDisk;
    std::optional<Identity> seen; // the file as it was when looked at; taken before the read
    if (exists) {
        seen = identityOf(path);
        // Read only when it can matter: for the check below, for a watch, or when the sizes agree.
        if (expected || watched)
            onDisk = readWholeFile(path);
        else if (seen && std::uintmax_t(seen->size) == content.size())
            try {
                onDisk = readWholeFile(path);
            } catch (const FileError&) {
                // Not readable, perhaps still writable: replaced as any other file.
            }
        // The file holds the content already: it keeps its time, and NAME.bak stays the version
        // before the last real change.
        if (onDisk && *onDisk == content)
            return false;
    }
    const fs::path conflict = path.string() + ".zelvant-conflict";
    if (expected && (!exists || fingerprintOf(*onDisk) != *expected)) {
        // Someone else changed the file: keep theirs, put ours beside it.
        const fs::path temporary = writeTemporary(conflict, content, 0644, false);
        fs::rename(temporary, conflict);
        throw FileConflictError(path, conflict);
    }
    mode_t mode = 0644;
    if (seen) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0)
            mode = info.st_mode & 07777;
    }

    const fs::path temporary = writeTemporary(path, content, mode);
    fs::path replaced; // where the version the swap took out is, if it can be had
    try {
        if (exists) {
            reach(SaveStep::KeepBackup);
            // A large file takes a while to write: another program may have saved it meanwhile.
            // Then theirs stays, and ours goes beside it as when the change came earlier.
            if (expected && changedSince(path, seen, *expected)) {
                fs::rename(temporary, conflict);
                throw FileConflictError(path, conflict);
            }
            // A hard link keeps the old version without copying it; fall back to a copy.
            const fs::path backup = path.string() + ".bak";
            fs::remove(backup, error);
            fs::create_hard_link(path, backup, error);
            if (error)
                fs::copy_file(path, backup, fs::copy_options::overwrite_existing);
        }
        reach(SaveStep::RenameOver);
        replaced = swapIn(temporary, path, exists);
    } catch (const fs::filesystem_error& e) {
        fs::remove(temporary, error);
        throw FileError(path, std::string("Speichern fehlgeschlagen: ") + e.code().message());
    } catch (...) {
        fs::remove(temporary, error);
        throw;
    }

    const FileFingerprint written = fingerprintOf(content);
    if (!replaced.empty()) {
        // What the swap took out must be what the run read; anything else is another program's
        // version, written in the last instant, and is kept rather than lost.
        std::optional<std::string> previous;
        if (expected || watched)
            try {
                previous = readWholeFile(replaced);
            } catch (const FileError&) {
            }
        if (expected && (!previous || fingerprintOf(*previous) != *expected)) {
            const fs::path other = path.string() + ".zelvant-other";
            fs::rename(replaced, other, error);
            syncDirectory(path);
            if (previous)
                tellWatchers(path, *previous, written);
            throw FileConflictError(path, error ? replaced : other, FileConflictError::Beside::Theirs);
        }
        fs::remove(replaced, error);
        if (previous)
            onDisk = std::move(previous);
    }
    syncDirectory(path);
    if (watched && onDisk)
        tellWatchers(path, *onDisk, written);
    reach(SaveStep::Done);
    return true;
}

void FileStore::writePrivate(const fs::path& path, const std::string& content)
{
    const fs::path temporary = writeTemporary(path, content, 0600, false);
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        fs::remove(temporary, error);
        throw FileError(path, "Speichern fehlgeschlagen: " + error.message());
    }
    syncDirectory(path);
}

FileStore::Watch::Watch(std::function<void(const Replacement&)> heard) : heard_(std::move(heard))
{
    std::lock_guard guard(watchers().lock);
    watchers().list.push_back(&heard_);
}

FileStore::Watch::~Watch()
{
    std::lock_guard guard(watchers().lock);
    auto& list = watchers().list;
    list.erase(std::remove(list.begin(), list.end(), &heard_), list.end());
}

void FileStore::setStepHookForTesting(std::function<void(SaveStep)> hook)
{
    stepHook() = std::move(hook);
}

void FileStore::setSwapForTesting(bool useSwap)
{
    swapWanted() = useSwap;
}

} // namespace zelvant
