#include "hosts/common/FileStore.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::string systemReason(int error) { return std::strerror(error); }

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

// Writes content to a fresh file beside `target` and flushes it; returns its path.
fs::path writeTemporary(const fs::path& target, const std::string& content, mode_t mode)
{
    std::string pattern = target.string() + ".tmp-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw FileError(target, "Tempor\u00E4re Datei nicht anlegbar: " + systemReason(errno));
    try {
        reach(SaveStep::WriteTemporary);
        writeAll(fd, content, target);
        ::fchmod(fd, mode);
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

} // namespace

FileError::FileError(const fs::path& path, const std::string& problem)
    : HostError(path.string() + ": " + problem), path_(path)
{
}

FileConflictError::FileConflictError(const fs::path& path, const fs::path& conflictPath)
    : FileError(path, "Die Datei wurde inzwischen von einem anderen Programm ge\u00E4ndert und nicht "
                      "\u00FCberschrieben. Die \u00C4nderungen dieses Laufs stehen in " +
                          conflictPath.string() + "."),
      conflictPath_(conflictPath)
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
    struct stat info{};
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
    std::optional<std::string> onDisk;
    if (exists) {
        // Read only when it can matter: for the check below, or when the sizes agree.
        struct stat info{};
        if (expected)
            onDisk = readWholeFile(path);
        else if (::stat(path.c_str(), &info) == 0 && std::uintmax_t(info.st_size) == content.size())
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
    if (expected && (!exists || fingerprintOf(*onDisk) != *expected)) {
        // Someone else changed the file: keep theirs, put ours beside it.
        const fs::path conflict = path.string() + ".zelvant-conflict";
        const fs::path temporary = writeTemporary(conflict, content, 0644);
        fs::rename(temporary, conflict);
        throw FileConflictError(path, conflict);
    }
    mode_t mode = 0644;
    struct stat info{};
    if (exists && ::stat(path.c_str(), &info) == 0)
        mode = info.st_mode & 07777;

    const fs::path temporary = writeTemporary(path, content, mode);
    try {
        if (exists) {
            reach(SaveStep::KeepBackup);
            // A hard link keeps the old version without copying it; fall back to a copy.
            const fs::path backup = path.string() + ".bak";
            fs::remove(backup, error);
            fs::create_hard_link(path, backup, error);
            if (error)
                fs::copy_file(path, backup, fs::copy_options::overwrite_existing);
        }
        reach(SaveStep::RenameOver);
        fs::rename(temporary, path);
    } catch (const fs::filesystem_error& e) {
        fs::remove(temporary, error);
        throw FileError(path, std::string("Speichern fehlgeschlagen: ") + e.code().message());
    } catch (...) {
        fs::remove(temporary, error);
        throw;
    }
    syncDirectory(path);
    reach(SaveStep::Done);
    return true;
}

void FileStore::setStepHookForTesting(std::function<void(SaveStep)> hook) { stepHook() = std::move(hook); }

} // namespace zelvant
