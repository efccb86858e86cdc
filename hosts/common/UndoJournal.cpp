#include "hosts/common/UndoJournal.h"

#include "hostapi/Text.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace zelvant {

namespace fs = std::filesystem;

namespace {

const char* const kHeader = "Zelvant journal 1";
const char* const kIndexName = "last-run.txt";
const char* const kLockName = "lock";

fs::path normal(const fs::path& path)
{
    if (UndoJournal::isRemote(path))
        return path;
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return (error ? path : absolute).lexically_normal();
}

// The copy of a kept version is named after its fingerprint, so a version kept already (the
// same file replaced twice in one run, or a run repeated) is not written again.
std::string copyName(const FileFingerprint& version)
{
    return hexDigits(version.hash, 16) + "-" + std::to_string(version.size) + ".prev";
}

// Only what the journal itself made is ever removed from its folder, whatever else the user
// keeps there.
bool isOurs(const std::string& name)
{
    const std::string base = name.substr(0, name.find(".tmp-"));
    if (base == kIndexName)
        return name != base; // a temporary file of the record, never the record itself
    if (base.size() < 23 || base.compare(base.size() - 5, 5, ".prev") != 0 || base[16] != '-')
        return false;
    const std::string hash = base.substr(0, 16), size = base.substr(17, base.size() - 22);
    return hash.find_first_not_of("0123456789abcdef") == std::string::npos && !size.empty() &&
           size.find_first_not_of("0123456789") == std::string::npos;
}

// A path on one line of the record: line breaks and the escape character itself escaped.
std::string escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '%')
            out += "%25";
        else if (c == '\n')
            out += "%0A";
        else if (c == '\r')
            out += "%0D";
        else
            out += c;
    }
    return out;
}

std::optional<std::string> unescaped(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const std::string code = text.substr(i + 1, 2);
        if (code == "25")
            out += '%';
        else if (code == "0A")
            out += '\n';
        else if (code == "0D")
            out += '\r';
        else
            return std::nullopt;
        i += 2;
    }
    return out;
}

std::string render(const std::vector<UndoJournal::File>& files)
{
    std::string text = std::string(kHeader) + "\n";
    for (const UndoJournal::File& file : files)
        text += std::to_string(file.before.size) + " " + hexDigits(file.before.hash, 16) + " " +
                std::to_string(file.after.size) + " " + hexDigits(file.after.hash, 16) + " " +
                escaped(file.path.string()) + "\n";
    return text;
}

// Keeps other processes of the user (the host shell and the command line) from writing or
// undoing the record at the same time.
class FolderLock {
public:
    explicit FolderLock(const fs::path& folder)
    {
        std::error_code error;
        fs::create_directories(folder, error);
        fd_ = ::open((folder / kLockName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0)
            throw FileError(folder,
                            "Das Journal kann nicht angelegt werden: " + std::string(std::strerror(errno)));
        while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~FolderLock() { ::close(fd_); } // closing releases the lock
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_ = -1;
};

// Removes every copy the record does not name, and leftovers of interrupted writes.
void removeUnused(const fs::path& folder, const std::vector<UndoJournal::File>& files)
{
    std::set<std::string> used;
    for (const UndoJournal::File& file : files)
        used.insert(copyName(file.before));
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (isOurs(name) && !used.count(name))
            fs::remove(entry.path(), error);
    }
}

void writeRecord(const fs::path& folder, const std::vector<UndoJournal::File>& files)
{
    FileStore::writePrivate(folder / kIndexName, render(files));
    removeUnused(folder, files);
}

// Set while an undo puts files back: those writes belong to no run.
std::atomic<bool> undoing{false};

struct Loaded {
    UndoJournal::File file;
    std::string current; // what the file holds now: the run's version
    std::string before;  // the kept version
};

} // namespace

UndoJournal::UndoJournal(fs::path folder) : folder_(std::move(folder)) {}

bool UndoJournal::isRemote(const fs::path& path)
{
    const std::string text = path.string();
    return text.starts_with("http://") || text.starts_with("https://");
}

fs::path UndoJournal::besideSettings(const fs::path& settingsFile)
{
    return normal(settingsFile).parent_path() / "journal";
}

std::vector<UndoJournal::File> UndoJournal::files() const
{
    const fs::path index = folder_ / kIndexName;
    std::error_code error;
    if (!fs::exists(index, error))
        return {};
    std::istringstream in(readWholeFile(index));
    std::string line;
    int number = 1;
    auto broken = [&] {
        return FileError(index, "Das Journal des letzten Laufs ist besch\u00E4digt (Zeile " +
                                    std::to_string(number) + ").");
    };
    if (!std::getline(in, line) || line != kHeader)
        throw broken();
    std::vector<File> files;
    while (std::getline(in, line)) {
        ++number;
        std::istringstream fields(line);
        File file;
        std::string beforeHash, afterHash;
        fields >> file.before.size >> beforeHash >> file.after.size >> afterHash;
        std::string rest;
        std::getline(fields, rest);
        const auto path = rest.size() > 1 && rest[0] == ' ' ? unescaped(rest.substr(1)) : std::nullopt;
        if (!fields.eof() || beforeHash.size() != 16 || afterHash.size() != 16 || !path || path->empty() ||
            beforeHash.find_first_not_of("0123456789abcdef") != std::string::npos ||
            afterHash.find_first_not_of("0123456789abcdef") != std::string::npos)
            throw broken();
        file.before.hash = std::stoull(beforeHash, nullptr, 16);
        file.after.hash = std::stoull(afterHash, nullptr, 16);
        file.path = *path;
        files.push_back(std::move(file));
    }
    return files;
}

namespace {

std::vector<Loaded> loadAndCheck(const fs::path& folder, const std::vector<UndoJournal::File>& files,
                                 UndoJournal::Remote* remote)
{
    const char* const nothingWritten =
        " Der letzte Lauf wird nicht r\u00FCckg\u00E4ngig gemacht; nichts wurde geschrieben.";
    std::vector<Loaded> loaded;
    for (const UndoJournal::File& file : files) {
        Loaded entry{file, {}, {}};
        std::error_code error;
        if (UndoJournal::isRemote(file.path)) {
            // A server resource: its ETag tells whether someone changed it since the run.
            if (!remote)
                throw FileError(file.path, std::string("Der letzte Lauf hat einen Kalender auf einem Server "
                                                       "ge\u00E4ndert, der hier nicht erreichbar ist.") +
                                               nothingWritten);
            entry.current = remote->tag(file.path.string()).value_or("");
            if (fingerprintOf(entry.current) != file.after)
                throw ChangedSinceRunError(
                    file.path,
                    std::string("Der Termin wurde nach dem letzten Lauf auf dem Server ge\u00E4ndert.") +
                        nothingWritten);
        } else {
            if (!fs::exists(file.path, error))
                throw ChangedSinceRunError(file.path,
                                           std::string("Die Datei gibt es nicht mehr.") + nothingWritten);
            entry.current = readWholeFile(file.path);
            if (fingerprintOf(entry.current) != file.after)
                throw ChangedSinceRunError(
                    file.path,
                    std::string("Die Datei wurde nach dem letzten Lauf ge\u00E4ndert.") + nothingWritten);
        }
        const fs::path copy = folder / copyName(file.before);
        try {
            entry.before = readWholeFile(copy);
        } catch (const FileError&) {
        }
        if (fingerprintOf(entry.before) != file.before)
            throw FileError(copy, "Die aufbewahrte Fassung von " + file.path.string() +
                                      " fehlt oder ist besch\u00E4digt; der letzte Lauf kann nicht "
                                      "r\u00FCckg\u00E4ngig gemacht werden.");
        loaded.push_back(std::move(entry));
    }
    return loaded;
}

} // namespace

void UndoJournal::check(Remote* remote) const
{
    loadAndCheck(folder_, files(), remote);
}

std::vector<fs::path> UndoJournal::undo(Remote* remote)
{
    FolderLock lock(folder_);
    std::vector<Loaded> loaded = loadAndCheck(folder_, files(), remote);
    // Files first: they can be put back all or nothing. A server's resources follow; one that
    // cannot be put back stops the undo there.
    std::stable_partition(loaded.begin(), loaded.end(),
                          [](const Loaded& entry) { return !isRemote(entry.file.path); });
    undoing = true;
    struct Done {
        ~Done() { undoing = false; }
    } done;
    std::vector<fs::path> restored;
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        const Loaded& entry = loaded[i];
        try {
            if (isRemote(entry.file.path))
                remote->restore(entry.file.path.string(), entry.before,
                                entry.current.empty() ? std::nullopt : std::optional(entry.current));
            else
                FileStore::replace(entry.file.path, entry.before, &entry.file.after);
        } catch (...) {
            // All or nothing: what was put back already gets the run's version again.
            for (std::size_t back = 0; back < i && !isRemote(loaded[back].file.path); ++back)
                try {
                    FileStore::replace(loaded[back].file.path, loaded[back].current,
                                       &loaded[back].file.before);
                } catch (...) {
                }
            throw;
        }
        restored.push_back(entry.file.path);
    }
    std::error_code error;
    fs::remove(folder_ / kIndexName, error);
    removeUnused(folder_, {});
    return restored;
}

void UndoJournal::clear()
{
    std::error_code error;
    if (!fs::exists(folder_, error))
        return;
    FolderLock lock(folder_);
    fs::remove(folder_ / kIndexName, error);
    removeUnused(folder_, {});
}

// A run --------------------------------------------------------------------------------------------

struct UndoJournal::Run::State {
    fs::path folder;
    std::vector<fs::path> files;
    std::mutex lock;
    std::vector<File> recorded;
    std::optional<std::string> problem;

    void heard(const Replacement& replacement)
    {
        if (undoing)
            return;
        const fs::path path = normal(replacement.path);
        if (std::find(files.begin(), files.end(), path) == files.end())
            return;
        record(path, replacement.previous, replacement.written);
    }

    void record(const fs::path& path, const std::string& previous, const FileFingerprint& written)
    {
        std::lock_guard guard(lock);
        if (problem) {
            forget(); // an incomplete record is no record
            return;
        }
        try {
            FolderLock folderLock(folder);
            auto known = std::find_if(recorded.begin(), recorded.end(),
                                      [&](const File& file) { return file.path == path; });
            if (known != recorded.end()) {
                known->after = written; // replaced again: the version before the run stays
            } else {
                const File file{path, fingerprintOf(previous), written};
                const fs::path copy = folder / copyName(file.before);
                std::error_code error;
                if (fs::file_size(copy, error) != file.before.size || error)
                    FileStore::writePrivate(copy, previous);
                recorded.push_back(file);
            }
            writeRecord(folder, recorded);
        } catch (const std::exception& error) {
            problem = error.what();
            forget();
        }
    }

    // Clears the journal after a problem; tried again at each later save and at the end of the
    // run, in case the folder can be written again by then.
    void forget()
    {
        try {
            UndoJournal(folder).clear();
        } catch (...) {
        }
    }
};

UndoJournal::Run::Run(fs::path folder, const std::vector<fs::path>& files) : state_(std::make_unique<State>())
{
    state_->folder = std::move(folder);
    for (const fs::path& file : files)
        if (!file.empty())
            state_->files.push_back(normal(file));
    State* state = state_.get();
    watch_ = std::make_unique<FileStore::Watch>(
        [state](const Replacement& replacement) { state->heard(replacement); });
}

UndoJournal::Run::~Run()
{
    watch_.reset();
    if (state_->problem)
        state_->forget();
}

void UndoJournal::Run::recordRemote(const std::string& url, const std::string& before,
                                    const std::string& tagAfter)
{
    state_->record(url, before, fingerprintOf(tagAfter));
}

bool UndoJournal::Run::replaced(const fs::path& path) const
{
    std::lock_guard guard(state_->lock);
    const fs::path wanted = normal(path);
    return std::any_of(state_->recorded.begin(), state_->recorded.end(),
                       [&](const File& file) { return file.path == wanted; });
}

bool UndoJournal::Run::empty() const
{
    std::lock_guard guard(state_->lock);
    return state_->recorded.empty();
}

const std::optional<std::string>& UndoJournal::Run::problem() const
{
    return state_->problem;
}

} // namespace zelvant
