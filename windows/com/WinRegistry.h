#pragma once

// The settings' registry on Windows: the real one, through the wide-character registry calls.

#include "hostapi/Registry.h"

namespace zelvant {

class WinRegistry : public Registry {
public:
    std::unique_ptr<RegistryKey> createKey(RegistryRoot root, const std::string& path) override;
    std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const std::string& path) override;
};

// Deletes a key with everything below it; a key that is not there is no failure. Throws HostError.
void deleteRegistryTree(RegistryRoot root, const std::string& path);

} // namespace zelvant
