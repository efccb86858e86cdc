#include "hosts/registry/DocumentRegistry.h"

#include "hostapi/HostError.h"

#include <cstdio>

namespace zelvant {

namespace {

std::string hexNumber(std::uint32_t number)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", unsigned(number));
    return text;
}

void checkPath(const std::string& path)
{
    const bool emptyPart = !path.empty() && (path.front() == '\\' || path.back() == '\\' ||
                                             path.find("\\\\") != std::string::npos);
    if (emptyPart)
        throw HostError("Der Schl\u00FCsselname \u201E" + path + "\u201C hat einen leeren Teil.");
    for (char c : path)
        if (static_cast<unsigned char>(c) < 0x20)
            throw HostError("Der Schl\u00FCsselname \u201E" + path +
                            "\u201C enth\u00E4lt ein Steuerzeichen.");
}

// The full key name as the document writes it, e.g. "HKEY_CURRENT_USER\Software\Brimek".
std::string fullKeyName(RegistryRoot root, const std::string& path)
{
    if (root != kHkeyCurrentUser)
        throw HostError("Unbekannter Registry-Stamm " + hexNumber(root) +
                        "; nur HKEY_CURRENT_USER wird unterst\u00FCtzt.");
    checkPath(path);
    return path.empty() ? std::string("HKEY_CURRENT_USER") : "HKEY_CURRENT_USER\\" + path;
}

} // namespace

class DocumentRegistry::Key : public RegistryKey {
public:
    Key(DocumentRegistry& owner, std::string keyName) : owner_(owner), keyName_(std::move(keyName)) {}

    std::optional<RegValue> query(const std::string& name) const override
    {
        return owner_.load().value(keyName_, name);
    }

    void set(const std::string& name, const RegValue& value) override
    {
        RegistryDocument document = owner_.load();
        document.setValue(keyName_, name, value);
        owner_.store(document);
    }

private:
    DocumentRegistry& owner_;
    std::string keyName_;
};

std::unique_ptr<RegistryKey> DocumentRegistry::createKey(RegistryRoot root, const std::string& path)
{
    std::string keyName = fullKeyName(root, path);
    RegistryDocument document = load();
    if (!path.empty() && document.addKey(keyName))
        store(document);
    return std::make_unique<Key>(*this, std::move(keyName));
}

std::unique_ptr<RegistryKey> DocumentRegistry::openKey(RegistryRoot root, const std::string& path)
{
    std::string keyName = fullKeyName(root, path);
    if (!path.empty() && !load().hasKey(keyName))
        return nullptr;
    return std::make_unique<Key>(*this, std::move(keyName));
}

} // namespace zelvant
