#include "hosts/registry/MemoryRegistry.h"

#include "hostapi/HostError.h"

namespace zelvant {

namespace {

const char* const kFailure = "Die Registry ist nicht erreichbar.";

} // namespace

MemoryRegistry::MemoryRegistry(std::string text) : text_(std::move(text)) {}

RegistryDocument MemoryRegistry::load()
{
    if (failing_)
        throw HostError(kFailure);
    return RegistryDocument::parse(text_, "Registry im Speicher");
}

void MemoryRegistry::store(const RegistryDocument& document)
{
    if (failing_)
        throw HostError(kFailure);
    text_ = document.text();
    ++writeCount_;
}

} // namespace zelvant
