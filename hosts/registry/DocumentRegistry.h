#pragma once

#include "hostapi/Registry.h"
#include "hosts/registry/RegistryDocument.h"

#include <memory>
#include <string>

namespace zelvant {

// A registry kept as one RegistryDocument. Every call loads the current document, so a change
// made by another program is seen at once, and every change stores the whole document again.
// Only HKEY_CURRENT_USER exists; another root throws HostError, and so does a key path with an
// empty part or a control character.
class DocumentRegistry : public Registry {
public:
    // Opens the key, adding its section to the document first when it has none.
    std::unique_ptr<RegistryKey> createKey(RegistryRoot root, const std::string& path) override;
    // Opens the key when it or a key below it exists (the root always does); else nullptr.
    std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const std::string& path) override;

protected:
    // The current content; throws HostError when it cannot be read.
    virtual RegistryDocument load() = 0;
    // Replaces the content with `document`; throws HostError when it cannot be written.
    virtual void store(const RegistryDocument& document) = 0;

private:
    class Key;
};

} // namespace zelvant
