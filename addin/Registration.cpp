#include "addin/Registration.h"

#include <exception>
#include <ostream>

namespace zelvant {

namespace {

std::string entryKey(const std::string& progId)
{
    return std::string(kAddinListKey) + "\\" + progId;
}
std::string classKey(const std::string& progId)
{
    return std::string(kClassesKey) + "\\" + progId;
}

// A cleared value: the registry keeps its name, but no reader takes it for a value.
const RegValue kCleared{RegType::None, {}};

std::optional<std::uint32_t> dwordOf(const std::optional<RegValue>& value)
{
    if (!value || value->type != RegType::Dword || value->data.size() != 4)
        return std::nullopt;
    std::uint32_t number = 0;
    for (int i = 3; i >= 0; --i)
        number = (number << 8) | static_cast<unsigned char>(value->data[std::size_t(i)]);
    return number;
}

std::string textOf(const std::optional<RegValue>& value)
{
    return value && value->type == RegType::Sz ? value->data : std::string();
}

bool classRegistered(Registry& registry, const std::string& progId)
{
    const auto key = registry.openKey(kHkeyCurrentUser, classKey(progId));
    return key && textOf(key->query("")) == progId;
}

} // namespace

void DllRegisterServer(Registry& registry)
{
    const auto classEntry = registry.createKey(kHkeyCurrentUser, classKey(kProgId));
    classEntry->set("", RegValue::sz(kProgId));
    registry.createKey(kHkeyCurrentUser, classKey(kProgId) + "\\CLSID")->set("", RegValue::sz(kClassId));

    const auto entry = registry.createKey(kHkeyCurrentUser, entryKey(kProgId));
    entry->set("FriendlyName", RegValue::sz(kAddinFriendlyName));
    entry->set("Description", RegValue::sz(kAddinDescription));
    entry->set("LoadBehavior", RegValue::dword(kLoadAtStartup));
}

void DllUnregisterServer(Registry& registry)
{
    if (const auto entry = registry.openKey(kHkeyCurrentUser, entryKey(kProgId))) {
        for (const char* name : {"FriendlyName", "Description", "LoadBehavior"})
            if (entry->query(name))
                entry->set(name, kCleared);
    }
    if (const auto classEntry = registry.openKey(kHkeyCurrentUser, classKey(kProgId)))
        if (classEntry->query(""))
            classEntry->set("", kCleared);
    if (const auto classId = registry.openKey(kHkeyCurrentUser, classKey(kProgId) + "\\CLSID"))
        if (classId->query(""))
            classId->set("", kCleared);
}

std::optional<AddinRegistration> readAddinRegistration(Registry& registry, const std::string& progId)
{
    try {
        const auto entry = registry.openKey(kHkeyCurrentUser, entryKey(progId));
        if (!entry)
            return std::nullopt;
        const std::optional<std::uint32_t> loadBehavior = dwordOf(entry->query("LoadBehavior"));
        if (!loadBehavior)
            return std::nullopt;
        return AddinRegistration{progId, textOf(entry->query("FriendlyName")),
                                 textOf(entry->query("Description")), *loadBehavior};
    } catch (const std::exception&) {
        return std::nullopt; // an entry that cannot be read counts as not registered; nothing is changed
    }
}

void setAddinLoadBehavior(Registry& registry, const std::string& progId, std::uint32_t loadBehavior)
{
    registry.createKey(kHkeyCurrentUser, entryKey(progId))
        ->set("LoadBehavior", RegValue::dword(loadBehavior));
}

int runRegistration(Registry& registry, bool registering, std::ostream& out, std::ostream& err)
{
    try {
        if (registering) {
            DllRegisterServer(registry);
            out << "Das Add-In " << kProgId
                << " ist registriert; zelvant-host l\u00E4dt es bei jedem Start.\n";
        } else {
            DllUnregisterServer(registry);
            out << "Das Add-In " << kProgId << " ist nicht mehr registriert.\n";
        }
        return 0;
    } catch (const std::exception& error) {
        err << "zelvant: " << error.what() << "\n";
        return 2;
    }
}

std::vector<std::string> addinClasses()
{
    return {kProgId};
}

std::unique_ptr<Extensibility> createAddin(Registry& registry, const std::string& progId,
                                           const ConnectServices& services)
{
    try {
        if (progId != kProgId || !classRegistered(registry, progId))
            return nullptr;
    } catch (const std::exception&) {
        return nullptr; // the host's add-in manager shows the add-in as not loadable
    }
    return std::make_unique<Connect>(services);
}

} // namespace zelvant
