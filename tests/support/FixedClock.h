#pragma once

// The engine's clock in tests: it shows the moment it was given, so runs are reproducible.

#include "engine/LinkKeys.h"

namespace zelvant::testing {

class FixedClock : public Clock {
public:
    explicit FixedClock(DateTime now = makeDateTime(2024, 3, 1, 9, 30)) : now_(now) {}
    DateTime now() const override { return now_; }

private:
    DateTime now_;
};

} // namespace zelvant::testing
