#pragma once

#include "hosts/registry/DocumentRegistry.h"

#include <string>

namespace zelvant {

// A registry in memory, held as the text a registry file would contain, for tests: they can
// start from any text (a broken one included), read back what was written, and make the store
// fail as an unreachable one would.
class MemoryRegistry : public DocumentRegistry {
public:
    // Starts with `text` as the content; a text that cannot be read makes every call throw.
    explicit MemoryRegistry(std::string text = {});

    // The content as a registry file would hold it.
    const std::string& text() const { return text_; }
    // Replaces the content.
    void setText(std::string text) { text_ = std::move(text); }
    // While set, every call throws HostError and nothing is changed.
    void setFailing(bool failing) { failing_ = failing; }
    // How many times the content was written.
    int writeCount() const { return writeCount_; }

protected:
    RegistryDocument load() override;
    void store(const RegistryDocument& document) override;

private:
    std::string text_;
    bool failing_ = false;
    int writeCount_ = 0;
};

} // namespace zelvant
