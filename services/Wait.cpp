#include "services/Wait.h"

#include <chrono>
#include <exception>
#include <thread>

namespace zelvant {

bool Wait(int milliseconds)
{
    if (milliseconds < 0)
        return false;
    try {
        std::this_thread::sleep_for(std::chrono::milliseconds{milliseconds});
        return true;
    } catch (const std::exception&) {
        return false; // a pause cut short loses nothing
    }
}

} // namespace zelvant
