#pragma once

// The last run that wrote the user's files, kept so that it can be undone: for each file the
// run replaced, the version the file held before the run (a copy of it in the journal folder)
// and the fingerprint of what the run left there. Only the last run is kept: the first file a
// run replaces throws out the record of the run before; a run that writes nothing leaves it.
// An undo puts every file of the run back at once, and only when none of them changed since.
//
// The folder holds last-run.txt (one line per file) and the copies, named after their
// fingerprints; nothing else in it is touched.

#include "hosts/common/FileStore.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zelvant {

// A file of the last run was changed after it (or is gone): undoing the run would throw that
// change away, so nothing is written.
class ChangedSinceRunError : public FileError {
public:
    using FileError::FileError;
};

class UndoJournal {
public:
    // One file of the recorded run.
    struct File {
        std::filesystem::path path; // absolute
        FileFingerprint before;     // the version before the run; its copy is in the journal
        FileFingerprint after;      // what the run left in the file
        bool operator==(const File&) const = default;
    };

    // A calendar server's resources, which a run may have written besides files: how the journal
    // reads their version now (the ETag) and puts an old version back.
    class Remote {
    public:
        virtual ~Remote() = default;
        // The resource's ETag now; nothing when it does not exist. Throws HostError.
        virtual std::optional<std::string> tag(const std::string& url) = 0;
        // Puts `text` back, or removes the resource for an empty text, provided it still has
        // `tag` (nothing: provided it does not exist). Throws HostError.
        virtual void restore(const std::string& url, const std::string& text,
                             const std::optional<std::string>& tag) = 0;
    };
    // True for a path that is a server resource's URL.
    static bool isRemote(const std::filesystem::path& path);

    explicit UndoJournal(std::filesystem::path folder);

    // The journal beside the settings file: its folder's subfolder "journal".
    static std::filesystem::path besideSettings(const std::filesystem::path& settingsFile);

    const std::filesystem::path& folder() const { return folder_; }

    // The files of the last run, in the order the run wrote them; empty when there is nothing to
    // undo. Throws FileError when the record cannot be read.
    std::vector<File> files() const;

    // Throws ChangedSinceRunError for the first file of the last run that no longer holds what
    // the run left, FileError when a kept version is missing or damaged; writes nothing.
    void check(Remote* remote = nullptr) const;

    // Puts every file of the last run back to its version before the run, then forgets the run.
    // All or nothing: everything is checked first (as check()), and when a file cannot be
    // written, those already put back get the run's version again. Returns the files put back;
    // empty when there was nothing to undo.
    // Resources on a server go back through `remote`; without one, a run that wrote some cannot
    // be undone.
    std::vector<std::filesystem::path> undo(Remote* remote = nullptr);

    // Forgets the last run.
    void clear();

    // Records one run: from its creation on, every replacement of one of `files` (through
    // FileStore) belongs to the run and is in the journal as soon as it is made, so that a run
    // that stops halfway can be undone as far as it got.
    class Run {
    public:
        Run(std::filesystem::path folder, const std::vector<std::filesystem::path>& files);
        ~Run();
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;

        // Records that the run wrote a server resource: its text before (empty: it did not exist)
        // and its ETag after (empty: the run deleted it).
        void recordRemote(const std::string& url, const std::string& before, const std::string& tagAfter);

        // True when the run has replaced `path`.
        bool replaced(const std::filesystem::path& path) const;
        // Whether the run replaced any file at all.
        bool empty() const;
        // Why the journal could not keep the run, if it could not; the run's own files are
        // written regardless.
        const std::optional<std::string>& problem() const;

    private:
        struct State;
        std::unique_ptr<State> state_;
        std::unique_ptr<FileStore::Watch> watch_;
    };

private:
    std::filesystem::path folder_;
};

} // namespace zelvant
