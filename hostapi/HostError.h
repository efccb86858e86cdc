#pragma once

#include <stdexcept>
#include <string>

namespace zelvant {

// The one exception type every host call throws when it fails: a locked item, a deleted
// appointment, a value the plan rejects, a calendar that cannot be reached.
class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace zelvant
