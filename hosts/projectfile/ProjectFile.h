#pragma once

// A plan file in the Project XML format, loaded into the in-memory project model and written
// back with exactly the changes a run made: every byte the run did not change stays as it was,
// line ends, indentation and comments included, and a save that changes nothing does not touch
// the file. Saving replaces the file atomically, keeps NAME.bak, and never overwrites a file that
// someone else changed meanwhile (see FileStore).

#include "hosts/project/MemoryProject.h"
#include "hosts/project/MemoryProjectApplication.h"

#include <filesystem>
#include <memory>

namespace zelvant {

class ProjectFile {
public:
    // Reads the plan file at `path`. Throws FileError for a missing file, a directory or no
    // permission, and ProjectFileError (with line) for content that is not a readable plan.
    static std::unique_ptr<ProjectFile> load(const std::filesystem::path& path);

    // Makes fileSave() of an application whose project never had a file fail with HostError,
    // leaving the project unsaved.
    static void refuseSavingWithoutFile(MemoryProjectApplication& application);

    ~ProjectFile();
    ProjectFile(const ProjectFile&) = delete;
    ProjectFile& operator=(const ProjectFile&) = delete;

    // The plan application over the loaded project; its fileSave() calls save().
    MemoryProjectApplication& application();
    // The loaded project.
    MemoryProject& project();
    // The file the plan was read from and is written to.
    const std::filesystem::path& path() const;

    // Writes the changes made since the file was read or last saved and marks the project saved;
    // with no change, writes nothing. Throws FileConflictError when the file changed on disk
    // meanwhile (the run's version is then in NAME.zelvant-conflict) and FileError when it cannot
    // be written.
    void save();

    // Takes back what the run did to the task with that unique ID, for a task whose calendar
    // side could not be written: a task the file holds gets the file's values again, a task the
    // run added leaves the plan. Unknown IDs are ignored.
    void revertTask(int uniqueId);
    // What the file holds in a custom field of a task; "" for none and for a task the run added.
    std::string savedField(int uniqueId, int fieldId) const;

private:
    struct Document;

    explicit ProjectFile(std::unique_ptr<Document> document);

    std::unique_ptr<Document> document_;
};

} // namespace zelvant
