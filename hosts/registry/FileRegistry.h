#pragma once

#include "hosts/common/FileStore.h"
#include "hosts/registry/DocumentRegistry.h"

#include <filesystem>
#include <optional>

namespace zelvant {

// The current user's registry as one text file (see RegistryDocument for its layout). A missing
// file is an empty registry; the first write creates it and its folder. Every write replaces the
// file atomically and keeps the previous version beside it. A file that cannot be read stays
// untouched: reading throws RegistryFormatError naming the line, and so does every write.
class FileRegistry : public DocumentRegistry {
public:
    // Uses `file`; nothing is read or written before the first call.
    explicit FileRegistry(std::filesystem::path file);

    // The user's registry file: $ZELVANT_REGISTRY_FILE when set, else
    // $XDG_CONFIG_HOME/zelvant/registry.txt, else ~/.config/zelvant/registry.txt.
    // Throws HostError when neither XDG_CONFIG_HOME nor HOME names a folder.
    static std::filesystem::path userFilePath();

    // The file this registry lives in.
    const std::filesystem::path& file() const { return file_; }

protected:
    RegistryDocument load() override;
    void store(const RegistryDocument& document) override;

private:
    std::filesystem::path file_;
    // What the file held at the last load, to notice another program's change before a write.
    std::optional<FileFingerprint> loaded_;
};

} // namespace zelvant
