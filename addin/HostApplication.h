#pragma once

#include "hostapi/CommandBars.h"
#include "hostapi/ProjectApi.h"

namespace zelvant {

// The host's application object as an add-in receives it on connection.
class HostApplication {
public:
    virtual ~HostApplication() = default;
    // The host's command bars, or nullptr when the host has none.
    virtual CommandBars* commandBars() = 0;
    // The host as plan application, or nullptr when it is not one.
    virtual ProjectApplication* projectApplication() = 0;
};

} // namespace zelvant
