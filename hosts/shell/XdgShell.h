#pragma once

#include "hostapi/Shell.h"

#include <string>

namespace zelvant {

// Opens addresses with the desktop's "xdg-open". The program is started directly with the
// address as its one argument, never through a command interpreter, so no character of an
// address can run a command.
class XdgShell : public Shell {
public:
    // `waitForExit`: wait until xdg-open has handed the address on (tests); otherwise it is
    // reaped in the background so the window stays responsive.
    explicit XdgShell(bool waitForExit = false, std::string program = "xdg-open");

    // Starts the program with the address; throws HostError when it cannot be started or,
    // when waiting, when it reports a failure.
    void open(const std::string& address) override;

private:
    bool waitForExit_;
    std::string program_;
};

} // namespace zelvant
