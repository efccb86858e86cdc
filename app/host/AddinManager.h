#pragma once

#include "addin/Extensibility.h"
#include "addin/Registration.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zelvant {

// One registered add-in as the host's add-in manager lists it.
struct AddinStatus {
    AddinRegistration registration;
    bool connected = false;
};

// Loads and unloads the registered add-ins and drives their events: connected at start
// (load behaviour 3) with the startup mode, loaded by the user with the after-startup mode,
// unloaded by the user with the user-closed mode, and disconnected as the host closes.
// A failure inside an add-in's event never reaches the host.
class AddinManager {
public:
    // Makes a new add-in object for a programmatic identifier, or nullptr when it cannot.
    using Factory = std::function<std::unique_ptr<Extensibility>(const std::string& progId)>;

    // `classes` are the identifiers the host can create.
    AddinManager(Registry& registry, HostApplication& application, std::vector<std::string> classes,
                 Factory factory);
    ~AddinManager();
    AddinManager(const AddinManager&) = delete;
    AddinManager& operator=(const AddinManager&) = delete;

    // The registered add-ins, in the order of `classes`.
    std::vector<AddinStatus> addins();
    // True while the add-in is connected.
    bool connected(const std::string& progId) const;

    // Connects every add-in registered to load at start, then tells them the start is complete.
    void startup();
    // Connects a registered add-in the user loads and keeps it loading at start; false when it
    // is not registered or cannot be made.
    bool load(const std::string& progId);
    // Disconnects an add-in the user unloads and keeps it from loading at start.
    void unload(const std::string& progId);
    // Tells every add-in the host closes, then disconnects them all.
    void shutdown();

private:
    struct Loaded {
        std::unique_ptr<Extensibility> addin;
        AddInInstance instance;
    };

    bool connect(const std::string& progId, ConnectMode mode);
    void notifyAll(const std::function<void(Extensibility&)>& event);

    Registry& registry_;
    HostApplication& application_;
    std::vector<std::string> classes_;
    Factory factory_;
    std::map<std::string, std::unique_ptr<Loaded>> loaded_;
    CustomArguments custom_;
};

} // namespace zelvant
