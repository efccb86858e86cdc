#pragma once

// Small stand-ins for the surroundings of the engine and the windows, shared by their tests.

#include "engine/Progress.h"
#include "tests/support/FixedClock.h"

#include <string>
#include <vector>

namespace zelvant {

using testing::FixedClock;

// Keeps every progress report in order.
class RecordingProgress : public ProgressSink {
public:
    struct Step {
        double percent;
        std::string text;
    };

    void showProgress(double percent, const std::string& text) override { steps.push_back({percent, text}); }

    // The texts reported, in order.
    std::vector<std::string> texts() const
    {
        std::vector<std::string> result;
        for (const Step& step : steps)
            result.push_back(step.text);
        return result;
    }

    std::vector<Step> steps;
};

} // namespace zelvant
