#pragma once

#include "hostapi/HostError.h"

#include <set>
#include <string>

namespace zelvant {

// Lets a test make one named call of one object throw, to show that a run goes on after a
// host failure and reports it. Calls are named after the host member ("Save", "SetField").
class FaultInjector {
public:
    void failOn(const std::string& call) { failing_.insert(call); }
    void clearFailures() { failing_.clear(); }

    void check(const char* call) const
    {
        if (!failing_.empty() && failing_.count(call))
            throw HostError(std::string("injected failure: ") + call);
    }

private:
    std::set<std::string> failing_;
};

} // namespace zelvant
