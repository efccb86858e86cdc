#pragma once

// The five events through which a host drives an add-in, with the published numbers of the
// ways an add-in is connected and disconnected.

#include <string>
#include <vector>

namespace zelvant {

class HostApplication;

// Why the host connects the add-in.
enum class ConnectMode : int {
    AfterStartup = 0, // the user loaded it while the host was running
    Startup = 1,      // the host loads it as it starts
    External = 2,     // another program asked for it
    CommandLine = 3,  // the host's command line asked for it
};

// Why the host disconnects the add-in.
enum class RemoveMode : int {
    HostShutdown = 0, // the host closes
    UserClosed = 1,   // the user unloaded the add-in
};

// The host's object for one loaded add-in.
struct AddInInstance {
    // The add-in's programmatic identifier as the host knows it, e.g. "Zelvant.Connect".
    std::string progId;
};

// Extra arguments of every event; no add-in here reads them.
using CustomArguments = std::vector<std::string>;

class Extensibility {
public:
    virtual ~Extensibility() = default;
    // The host has loaded the add-in.
    virtual void OnConnection(HostApplication& application, ConnectMode mode, AddInInstance& addInInst,
                              CustomArguments& custom) = 0;
    // The host is about to unload the add-in.
    virtual void OnDisconnection(RemoveMode mode, CustomArguments& custom) = 0;
    // The set of loaded add-ins changed.
    virtual void OnAddInsUpdate(CustomArguments& custom) = 0;
    // The host has finished starting.
    virtual void OnStartupComplete(CustomArguments& custom) = 0;
    // The host begins to close.
    virtual void OnBeginShutdown(CustomArguments& custom) = 0;
};

} // namespace zelvant
