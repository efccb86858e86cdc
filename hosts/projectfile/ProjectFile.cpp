#include "hosts/projectfile/ProjectFile.h"

#include "hostapi/HostError.h"
#include "hosts/common/FileStore.h"
#include "hosts/projectfile/ContentError.h"
#include "hosts/projectfile/PlanIndex.h"
#include "hosts/projectfile/ProjectFileError.h"
#include "hosts/projectfile/ProjectReader.h"
#include "hosts/projectfile/ProjectWriter.h"
#include "hosts/projectfile/TaskState.h"
#include "hosts/projectfile/TextFields.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <future>
#include <optional>
#include <strings.h>
#include <unordered_map>

namespace zelvant {

namespace fs = std::filesystem;

namespace {

constexpr const char* kProjectNamespace = "http://schemas.microsoft.com/project";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Everything a save must give back: declarations, comments and processing instructions too. An
// element's text is kept in the element itself, which halves the tree of a plan's many small values.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_declaration | pugi::parse_doctype |
                                   pugi::parse_comments | pugi::parse_pi | pugi::parse_ws_pcdata_single |
                                   pugi::parse_embed_pcdata;

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

// The whole file in one read. Whatever goes wrong, FileStore's reader reads it again and reports
// the problem the way every file of the user is reported.
std::string readContent(const fs::path& path)
{
    std::error_code error;
    const std::uintmax_t size = fs::is_regular_file(path, error) ? fs::file_size(path, error) : 0;
    std::ifstream in(path, std::ios::binary);
    if (!error && size > 0 && in) {
        std::string content(size, '\0');
        if (in.read(content.data(), std::streamsize(size)) && in.peek() == std::char_traits<char>::eof())
            return content;
    }
    return readWholeFile(path);
}

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
    pugi::xml_document tree;
    PlanIndex index;
    // What the file held when read or last written, to notice someone else's change. After a
    // save it is taken from `writtenContent` only when another save needs it: most runs save once.
    FileFingerprint fingerprint;
    std::optional<std::string> writtenContent;
    bool byteOrderMark = false;
    std::size_t size = 0;
    std::vector<int> fieldIds;
    std::unordered_map<int, TaskState> written; // by unique ID: what the file holds now
    std::string writtenText;
    MemoryProjectApplication application;
};

ProjectFile::ProjectFile(std::unique_ptr<Document> document) : document_(std::move(document))
{
    document_->application.setSaveFunction([this](MemoryProject&) { save(); });
}

ProjectFile::~ProjectFile() = default;

std::unique_ptr<ProjectFile> ProjectFile::load(const fs::path& path)
{
    auto document = std::make_unique<Document>();
    document->path = path;
    const std::string content = readContent(path);
    document->byteOrderMark = content.starts_with(kUtf8Bom);
    document->size = content.size();

    // The fingerprint takes as long as the parse; both only read the content, so they share it.
    auto fingerprint = std::async(std::launch::async, [&content] { return fingerprintOf(content); });
    const pugi::xml_parse_result parsed =
        document->tree.load_buffer(content.data(), content.size(), kParseOptions, pugi::encoding_auto);
    document->fingerprint = fingerprint.get();
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

    auto project = std::make_unique<MemoryProject>(path.filename().string(), DateTime{});
    try {
        document->index = ProjectReader::read(root, *project);
    } catch (const ContentError& error) {
        throw ProjectFileError(path, lineAt(content, error.offset()), error.what());
    } catch (const HostError& error) {
        throw ProjectFileError(path, 0, error.what());
    }

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
    ProjectWriter writer(project, document.index, document.fieldIds);
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

    // The content goes out as UTF-8, so a declaration must not claim another encoding.
    pugi::xml_node declaration = document.tree.first_child();
    pugi::xml_attribute encoding = declaration.attribute("encoding");
    if (declaration.type() == pugi::node_declaration && encoding &&
        strcasecmp(encoding.value(), "UTF-8") != 0)
        encoding.set_value("UTF-8");
    StringWriter out;
    out.content.reserve(document.size + document.size / 8);
    const unsigned flags = pugi::format_default | (document.byteOrderMark ? pugi::format_write_bom : 0u);
    document.tree.save(out, "\t", flags, pugi::encoding_utf8);

    if (document.writtenContent) {
        document.fingerprint = fingerprintOf(*document.writtenContent);
        document.writtenContent.reset();
    }
    FileStore::replace(document.path, out.content, &document.fingerprint);
    document.size = out.content.size();
    document.writtenContent = std::move(out.content);
    document.written = std::move(written);
    document.writtenText = text;
    project.markSaved();
}

} // namespace zelvant
