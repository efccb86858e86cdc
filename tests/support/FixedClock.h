#pragma once

// The clock of every test that makes link keys or dates: it shows the moment it was given, so
// runs are reproducible. For test programs that link the engine, whose Clock it stands in for.

#include "engine/LinkKeys.h"

namespace zelvant::testing {

class FixedClock : public Clock {
public:
    explicit FixedClock(DateTime now = makeDateTime(2024, 3, 1, 9, 30)) : now_(now) {}
    DateTime now() const override { return now_; }
    // Moves the clock.
    void set(DateTime now) { now_ = now; }

private:
    DateTime now_;
};

} // namespace zelvant::testing
