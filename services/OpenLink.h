#pragma once

#include "hostapi/Shell.h"

#include <string>

namespace zelvant {

// The address as it is handed to the shell: "http://" is put in front unless it already starts
// with "http" in any letter case.
std::string withScheme(const std::string& address);

// Opens the address in the user's browser; returns false when the shell refused it.
bool OpenLink(const std::string& address, Shell& shell);

} // namespace zelvant
