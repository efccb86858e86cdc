#pragma once

// How the add-in is made known to the host: its class under its programmatic identifier, and
// its entry in the current user's add-in list of the host, which tells the host to connect it
// at every start. The registry cannot delete keys, so taking the add-in out clears the entry's
// values instead; an entry without a load behaviour counts as absent.

#include "addin/Connect.h"
#include "hostapi/Registry.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zelvant {

inline constexpr const char* kProgId = "Zelvant.Connect";
// The add-in class's identifier; the Windows library registers its COM class under it.
inline constexpr const char* kClassId = "{6D1F2C84-3B7A-4E59-9C0D-52A8E7F41B36}";
inline constexpr const char* kAddinFriendlyName = "Zelvant";
inline constexpr const char* kAddinDescription =
    "COM Addin zur Synchronisierung von Project Tasks und Outlook Terminen.";
// The host's add-in list below HKEY_CURRENT_USER; each add-in has a key named by its identifier.
inline constexpr const char* kAddinListKey = "Software\\Microsoft\\Office\\MS Project\\Addins";
// Where classes are registered by their programmatic identifier, below HKEY_CURRENT_USER.
inline constexpr const char* kClassesKey = "Software\\Classes";

// Load behaviours the host knows.
inline constexpr std::uint32_t kLoadNotLoaded = 2;
inline constexpr std::uint32_t kLoadAtStartup = 3;

// One add-in as the host's list holds it.
struct AddinRegistration {
    std::string progId;
    std::string friendlyName;
    std::string description;
    std::uint32_t loadBehavior = 0;
    bool operator==(const AddinRegistration&) const = default;
};

// The library's registration entry point: registers the class and enters the add-in in the
// host's list with load behaviour 3. Throws HostError when the registry cannot be written.
void DllRegisterServer(Registry& registry);
// Takes the class and the add-in out again. Throws HostError when the registry cannot be written.
void DllUnregisterServer(Registry& registry);

// The add-in's entry in the host's list, or nothing when it is not registered (or the registry
// cannot be read).
std::optional<AddinRegistration> readAddinRegistration(Registry& registry, const std::string& progId);
// Changes the add-in's load behaviour, as the host's add-in manager does; throws HostError.
void setAddinLoadBehavior(Registry& registry, const std::string& progId, std::uint32_t loadBehavior);

// The command line's "register" (`registering`) and "unregister": does it and says so on `out`;
// a failure goes to `err`. Returns the exit status: 0 done, 2 the registry could not be written.
int runRegistration(Registry& registry, bool registering, std::ostream& out, std::ostream& err);

// The programmatic identifiers of the add-in classes this library provides.
std::vector<std::string> addinClasses();
// A new add-in object of the class registered under `progId`, or nullptr when that class is
// not registered or not one of this library's.
std::unique_ptr<Extensibility> createAddin(Registry& registry, const std::string& progId,
                                           const ConnectServices& services);

} // namespace zelvant
