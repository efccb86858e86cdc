#include "services/OpenLink.h"

#include "hostapi/Text.h"

#include <exception>

namespace zelvant {

std::string withScheme(const std::string& address)
{
    return lowerAscii(std::string_view(address).substr(0, 4)) == "http" ? address : "http://" + address;
}

bool OpenLink(const std::string& address, Shell& shell)
{
    try {
        shell.open(withScheme(address));
        return true;
    } catch (const std::exception&) {
        return false; // the caller tells the user the page could not be opened
    }
}

} // namespace zelvant
