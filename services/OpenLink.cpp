#include "services/OpenLink.h"

#include <exception>

namespace zelvant {

std::string WithScheme(const std::string& address)
{
    std::string head = address.substr(0, 4);
    for (char& c : head)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return head == "http" ? address : "http://" + address;
}

bool OpenLink(const std::string& address, Shell& shell)
{
    try {
        shell.open(WithScheme(address));
        return true;
    } catch (const std::exception&) {
        return false; // the caller tells the user the page could not be opened
    }
}

} // namespace zelvant
