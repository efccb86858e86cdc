#include "hosts/shell/XdgShell.h"

#include "hostapi/HostError.h"

#include <cerrno>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace zelvant {

namespace {

// Waits for the child, retrying when a signal interrupts the wait; returns its wait status.
int reap(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace

XdgShell::XdgShell(bool waitForExit, std::string program)
    : waitForExit_(waitForExit), program_(std::move(program))
{
}

void XdgShell::open(const std::string& address)
{
    // posix_spawnp wants writable strings; the copies live until the call returns.
    std::string program = program_;
    std::string argument = address;
    std::vector<char*> argv{program.data(), argument.data(), nullptr};

    pid_t pid = 0;
    const int error = posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (error != 0)
        throw HostError(program_ + " kann nicht gestartet werden: " + std::strerror(error));

    if (!waitForExit_) {
        std::thread([pid] { reap(pid); }).detach();
        return;
    }
    const int status = reap(pid);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw HostError(program_ + " konnte die Adresse nicht \u00F6ffnen");
}

} // namespace zelvant
