#include "app/host/AddinManager.h"

#include <exception>

namespace zelvant {

namespace {

// An add-in's failure stays with the add-in; the host goes on.
void guarded(const std::function<void()>& event)
{
    try {
        event();
    } catch (const std::exception&) {
    }
}

} // namespace

AddinManager::AddinManager(Registry& registry, HostApplication& application, std::vector<std::string> classes,
                           Factory factory)
    : registry_(registry), application_(application), classes_(std::move(classes)),
      factory_(std::move(factory))
{
}

AddinManager::~AddinManager() = default;

std::vector<AddinStatus> AddinManager::addins()
{
    std::vector<AddinStatus> result;
    for (const std::string& progId : classes_)
        if (const auto registration = readAddinRegistration(registry_, progId))
            result.push_back({*registration, connected(progId)});
    return result;
}

bool AddinManager::connected(const std::string& progId) const
{
    return loaded_.count(progId) != 0;
}

void AddinManager::startup()
{
    for (const AddinStatus& status : addins())
        if (!status.connected && status.registration.loadBehavior == kLoadAtStartup)
            connect(status.registration.progId, ConnectMode::Startup);
    notifyAll([this](Extensibility& addin) { addin.OnStartupComplete(custom_); });
}

bool AddinManager::load(const std::string& progId)
{
    if (connected(progId))
        return true;
    if (!readAddinRegistration(registry_, progId) || !connect(progId, ConnectMode::AfterStartup))
        return false;
    guarded([&] { setAddinLoadBehavior(registry_, progId, kLoadAtStartup); });
    notifyAll([this](Extensibility& addin) { addin.OnAddInsUpdate(custom_); });
    return true;
}

void AddinManager::unload(const std::string& progId)
{
    const auto found = loaded_.find(progId);
    if (found == loaded_.end())
        return;
    std::unique_ptr<Loaded> loaded = std::move(found->second);
    loaded_.erase(found);
    guarded([&] { loaded->addin->OnDisconnection(RemoveMode::UserClosed, custom_); });
    guarded([&] { setAddinLoadBehavior(registry_, progId, kLoadNotLoaded); });
    notifyAll([this](Extensibility& addin) { addin.OnAddInsUpdate(custom_); });
}

void AddinManager::shutdown()
{
    notifyAll([this](Extensibility& addin) { addin.OnBeginShutdown(custom_); });
    auto loaded = std::move(loaded_);
    loaded_.clear();
    // A named reference, not a structured binding: clang 14 cannot capture those in a lambda.
    for (auto& item : loaded) {
        Loaded& entry = *item.second;
        guarded([&] { entry.addin->OnDisconnection(RemoveMode::HostShutdown, custom_); });
    }
}

bool AddinManager::connect(const std::string& progId, ConnectMode mode)
{
    std::unique_ptr<Extensibility> addin;
    guarded([&] { addin = factory_(progId); });
    if (!addin)
        return false;
    auto entry = std::make_unique<Loaded>(Loaded{std::move(addin), AddInInstance{progId}});
    Loaded& added = *entry;
    // Listed before the event runs: an add-in that opens a window on connection is already loaded.
    loaded_[progId] = std::move(entry);
    guarded([&] { added.addin->OnConnection(application_, mode, added.instance, custom_); });
    return true;
}

void AddinManager::notifyAll(const std::function<void(Extensibility&)>& event)
{
    for (auto& item : loaded_) {
        Loaded& entry = *item.second;
        guarded([&] { event(*entry.addin); });
    }
}

} // namespace zelvant
