#include "hosts/registry/FileRegistry.h"

#include <cstdlib>
#include <system_error>

namespace zelvant {

namespace fs = std::filesystem;

namespace {

// An environment variable's value; empty when it is not set.
std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string{};
}

} // namespace

FileRegistry::FileRegistry(fs::path file) : file_(std::move(file)) {}

fs::path FileRegistry::userFilePath()
{
    if (const std::string file = environment("ZELVANT_REGISTRY_FILE"); !file.empty())
        return file;
    // A relative XDG_CONFIG_HOME is to be ignored, as the desktop's base-directory rules say.
    if (const fs::path config = environment("XDG_CONFIG_HOME"); config.is_absolute())
        return config / "zelvant" / "registry.txt";
    if (const std::string home = environment("HOME"); !home.empty())
        return fs::path(home) / ".config" / "zelvant" / "registry.txt";
    throw HostError(
        "Der Ablageort der Einstellungen ist unbekannt: weder XDG_CONFIG_HOME noch HOME ist gesetzt.");
}

RegistryDocument FileRegistry::load()
{
    std::error_code error;
    if (!fs::exists(file_, error) && !error) {
        loaded_.reset();
        return {};
    }
    const std::string text = readWholeFile(file_);
    RegistryDocument document = RegistryDocument::parse(text, file_);
    loaded_ = fingerprintOf(text);
    return document;
}

void FileRegistry::store(const RegistryDocument& document)
{
    if (file_.has_parent_path()) {
        std::error_code error;
        fs::create_directories(file_.parent_path(), error);
        if (error)
            throw FileError(file_, "Der Ordner kann nicht angelegt werden: " + error.message());
    }
    FileStore::replace(file_, document.text(), loaded_ ? &*loaded_ : nullptr);
}

} // namespace zelvant
