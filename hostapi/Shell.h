#pragma once

#include <string>

namespace zelvant {

// The desktop's way of opening an address in the user's browser. Throws HostError when the
// address cannot be handed over at all.
class Shell {
public:
    virtual ~Shell() = default;
    // Opens the address with the desktop's default handler and returns without waiting for it.
    virtual void open(const std::string& address) = 0;
};

} // namespace zelvant
