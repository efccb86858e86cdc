#include "hosts/projectfile/ProjectFile.h"

#include "hostapi/HostError.h"
#include "hosts/common/FileStore.h"
#include "hosts/projectfile/ContentError.h"
#include "hosts/projectfile/PlanIndex.h"
#include "hosts/projectfile/PlanProject.h"
#include "hosts/projectfile/ProjectFileError.h"
#include "hosts/projectfile/ProjectReader.h"
#include "hosts/projectfile/ProjectWriter.h"
#include "hosts/projectfile/TaskState.h"
#include "hosts/projectfile/TextFields.h"
#include "hosts/projectfile/XmlEdit.h"
#include "hosts/projectfile/XmlSplice.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <strings.h>
#include <unordered_map>
#include <utility>

namespace zelvant {

namespace fs = std::filesystem;

namespace {

constexpr const char* kProjectNamespace = "http://schemas.microsoft.com/project";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

int lineAt(const std::string& content, std::ptrdiff_t offset)
{
    if (offset < 0)
        return 0;
    const auto end = content.begin() + std::min<std::ptrdiff_t>(offset, std::ptrdiff_t(content.size()));
    return 1 + int(std::count(content.begin(), end, '\n'));
}

std::string parseProblem(pugi::xml_parse_status status)
{
    switch (status) {
    case pugi::status_no_document_element:
        return "Die Datei enthält kein XML-Element.";
    case pugi::status_unrecognized_tag:
        return "Unbekanntes oder unvollständiges Tag.";
    case pugi::status_bad_pi:
        return "Fehlerhafte Verarbeitungsanweisung oder XML-Deklaration.";
    case pugi::status_bad_comment:
        return "Fehlerhafter Kommentar.";
    case pugi::status_bad_cdata:
        return "Fehlerhafter CDATA-Abschnitt.";
    case pugi::status_bad_doctype:
        return "Fehlerhafte Dokumenttyp-Deklaration.";
    case pugi::status_bad_pcdata:
        return "Fehlerhafter Text.";
    case pugi::status_bad_start_element:
        return "Fehlerhaftes Start-Tag.";
    case pugi::status_bad_attribute:
        return "Fehlerhaftes Attribut.";
    case pugi::status_bad_end_element:
        return "Fehlerhaftes End-Tag.";
    case pugi::status_end_element_mismatch:
        return "End-Tag passt nicht zum offenen Element.";
    default:
        return "Die Datei kann nicht als XML gelesen werden.";
    }
}

// The whole file in one read, into a buffer of the tree's own: the tree is parsed in that
// buffer, so the text is copied once more only for `original`, not again by the parser. Null
// when the read did not work out; FileStore's reader then reads the file again and reports the
// problem the way every file of the user is reported.
struct TreeBuffer {
    void* data = nullptr;
    std::size_t size = 0;

    TreeBuffer(const TreeBuffer&) = delete;
    TreeBuffer& operator=(const TreeBuffer&) = delete;
    ~TreeBuffer()
    {
        if (data)
            pugi::get_memory_deallocation_function()(data);
    }

    explicit TreeBuffer(const fs::path& path)
    {
        std::error_code error;
        const std::uintmax_t fileSize = fs::is_regular_file(path, error) ? fs::file_size(path, error) : 0;
        std::ifstream in(path, std::ios::binary);
        if (error || fileSize == 0 || !in)
            return;
        data = pugi::get_memory_allocation_function()(fileSize);
        if (data && in.read(static_cast<char*>(data), std::streamsize(fileSize)) &&
            in.peek() == std::char_traits<char>::eof())
            size = fileSize;
        else if (data)
            pugi::get_memory_deallocation_function()(std::exchange(data, nullptr));
    }

    // Hands the buffer to the tree, which frees it.
    void* release() { return std::exchange(data, nullptr); }
};

struct StringWriter : pugi::xml_writer {
    std::string content;
    void write(const void* data, std::size_t size) override
    {
        content.append(static_cast<const char*>(data), size);
    }
};

} // namespace

struct ProjectFile::Document {
    fs::path path;
    // The text as read. A save writes it back with the tree's changes spliced in, so that
    // everything else keeps its bytes; a file pugixml had to convert to UTF-8 is written whole.
    std::string original;
    bool spliced = true;
    pugi::xml_document tree;
    XmlChanges changes;
    PlanIndex index;
    // What the last save wrote, when one did; the file holds it, or `original` before that. A
    // save that writes tells someone else's change by it; a run that saves nothing never needs it.
    std::optional<std::string> writtenContent;
    // How many of the tree's changes the file holds: a save with none beyond them writes nothing.
    std::size_t changesWritten = 0;
    bool byteOrderMark = false;
    std::vector<int> fieldIds;
    std::unordered_map<int, TaskState> written; // by unique ID: what the file holds now
    std::string writtenText;
    MemoryProjectApplication application;

    // The file as this run would write it now.
    std::string render();
};

std::string ProjectFile::Document::render()
{
    if (spliced) {
        try {
            return XmlSplice::render(original, tree, changes);
        } catch (const std::logic_error&) {
            // The text did not match the tree where a change is: write the whole tree instead.
        }
    }
    StringWriter out;
    out.content.reserve(original.size() + original.size() / 8);
    const unsigned flags = pugi::format_default | (byteOrderMark ? pugi::format_write_bom : 0u);
    tree.save(out, "\t", flags, pugi::encoding_utf8);
    return std::move(out.content);
}

ProjectFile::ProjectFile(std::unique_ptr<Document> document) : document_(std::move(document))
{
    document_->application.setSaveFunction([this](MemoryProject&) { save(); });
}

ProjectFile::~ProjectFile() = default;

std::unique_ptr<ProjectFile> ProjectFile::load(const fs::path& path)
{
    auto document = std::make_unique<Document>();
    document->path = path;
    TreeBuffer buffer(path);
    pugi::xml_parse_result parsed;
    if (buffer.data) {
        document->original.assign(static_cast<const char*>(buffer.data), buffer.size);
        parsed = document->tree.load_buffer_inplace_own(buffer.release(), buffer.size,
                                                        XmlSplice::kParseOptions, pugi::encoding_auto);
    } else {
        document->original = readWholeFile(path);
        parsed = document->tree.load_buffer(document->original.data(), document->original.size(),
                                            XmlSplice::kParseOptions, pugi::encoding_auto);
    }
    const std::string& content = document->original;
    document->byteOrderMark = content.starts_with(kUtf8Bom);
    // Offsets in the tree are offsets in the text only when pugixml read the text as it is.
    document->spliced = parsed.encoding == pugi::encoding_utf8;
    if (!parsed)
        throw ProjectFileError(path, lineAt(content, parsed.offset),
                               "Kein wohlgeformtes XML. " + parseProblem(parsed.status));
    const pugi::xml_node root = document->tree.document_element();
    if (std::strcmp(root.name(), "Project") != 0 ||
        std::strcmp(root.attribute("xmlns").value(), kProjectNamespace) != 0)
        throw ProjectFileError(
            path, lineAt(content, root.offset_debug()),
            std::string("Das ist keine Projektdatei: erwartet wird das Element <Project> im ") +
                "Namensraum " + kProjectNamespace + ", gefunden <" + root.name() + ">.");

    auto project = std::make_unique<PlanProject>(path.filename().string(), DateTime{});
    try {
        document->index = ProjectReader::read(root, *project);
    } catch (const ContentError& error) {
        throw ProjectFileError(path, lineAt(content, error.offset()), error.what());
    } catch (const HostError& error) {
        throw ProjectFileError(path, 0, error.what());
    }
    for (const auto& [uid, node] : document->index.tasks)
        project->noteUid(uid, false);
    for (const int uid : document->index.rowUids)
        project->noteUid(uid, true);

    document->fieldIds = TextFields::ids();
    for (const int fieldId : document->index.usedFields)
        if (std::find(document->fieldIds.begin(), document->fieldIds.end(), fieldId) ==
            document->fieldIds.end())
            document->fieldIds.push_back(fieldId);
    // Right after loading, only the fields the file uses can hold a value.
    const std::vector<int> fileFields(document->index.usedFields.begin(), document->index.usedFields.end());
    document->written.reserve(std::size_t(project->taskCount()));
    for (Task* task : project->tasks())
        document->written.emplace(task->uniqueId(), TaskState::of(*task, fileFields));
    document->writtenText = project->text();
    project->markSaved();
    document->application.open(std::move(project));
    return std::unique_ptr<ProjectFile>(new ProjectFile(std::move(document)));
}

void ProjectFile::refuseSavingWithoutFile(MemoryProjectApplication& application)
{
    application.setSaveFunction([](MemoryProject& project) {
        throw HostError("Das Projekt \"" + project.name() +
                        "\" hat noch keine Datei und kann deshalb nicht gespeichert werden.");
    });
}

MemoryProjectApplication& ProjectFile::application()
{
    return document_->application;
}

MemoryProject& ProjectFile::project()
{
    MemoryProject* project = document_->application.project();
    if (!project)
        throw HostError("Der Projektplan " + document_->path.string() + " ist nicht mehr geöffnet.");
    return *project;
}

const fs::path& ProjectFile::path() const
{
    return document_->path;
}

void ProjectFile::save()
{
    Document& document = *document_;
    MemoryProject& project = this->project();
    ProjectWriter writer(project, document.index, document.fieldIds, document.changes);
    std::unordered_map<int, TaskState> written;
    written.reserve(document.written.size());
    for (Task* task : project.tasks()) {
        const auto before = document.written.find(task->uniqueId());
        written.emplace(task->uniqueId(),
                        writer.writeTask(project.taskById(task->id()),
                                         before == document.written.end() ? nullptr : &before->second));
    }
    const std::string text = project.text();
    if (text != document.writtenText)
        writer.writeProjectText(text);

    // A save that changes nothing writes nothing: the file, its time and NAME.bak stay as they are.
    auto adopt = [&] {
        document.changesWritten = document.changes.count();
        document.written = std::move(written);
        document.writtenText = text;
        project.markSaved();
    };
    if (document.changes.count() == document.changesWritten) {
        adopt();
        return;
    }
    // The content goes out as UTF-8, so a declaration must not claim another encoding.
    pugi::xml_node declaration = document.tree.first_child();
    pugi::xml_attribute encoding = declaration.attribute("encoding");
    if (declaration.type() == pugi::node_declaration && encoding &&
        strcasecmp(encoding.value(), "UTF-8") != 0)
        XmlEdit(document.changes).setAttribute(declaration, "encoding", "UTF-8");

    std::string content = document.render();
    if (content == (document.writtenContent ? *document.writtenContent : document.original)) {
        adopt(); // changed and changed back
        return;
    }
    const FileFingerprint expected =
        fingerprintOf(document.writtenContent ? *document.writtenContent : document.original);
    FileStore::replace(document.path, content, &expected);
    document.writtenContent = std::move(content);
    adopt();
}

void ProjectFile::revertTask(int uniqueId)
{
    MemoryProject& project = this->project();
    MemoryTask* task = project.taskByUniqueId(uniqueId);
    if (!task)
        return;
    const auto saved = document_->written.find(uniqueId);
    if (saved == document_->written.end()) {
        project.removeTask(*task);
        return;
    }
    const TaskState& state = saved->second;
    task->setName(state.name);
    task->setType(state.type);
    task->assignConstraint(state.constraintType, state.constraintDate);
    if (state.parts.size() > 1)
        task->assignSplitParts(state.parts);
    else
        task->assignSchedule(state.start, state.finish, state.duration);
    for (const int fieldId : document_->fieldIds) {
        const auto value = state.fields.find(fieldId);
        task->setField(fieldId, value == state.fields.end() ? std::string{} : value->second);
    }
}

std::string ProjectFile::savedField(int uniqueId, int fieldId) const
{
    const auto saved = document_->written.find(uniqueId);
    if (saved == document_->written.end())
        return {};
    const auto value = saved->second.fields.find(fieldId);
    return value == saved->second.fields.end() ? std::string{} : value->second;
}

} // namespace zelvant
