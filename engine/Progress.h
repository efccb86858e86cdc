#pragma once

#include <cstddef>
#include <string>

namespace zelvant {

// Where an operation reports how far it is: a percentage from 0 to 100 and a German text.
// The window draws a bar and a label; the command line prints a line.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void showProgress(double percent, const std::string& text) = 0;
};

// Where step `step` of `steps` stands on the stretch of the bar from `from` that is `width` wide:
// the last step reaches its end. Every run counts its steps this way.
constexpr double progressAt(double from, double width, std::size_t step, std::size_t steps)
{
    return from + double(step) * width / double(steps);
}

// For callers that do not show progress.
class NoProgress : public ProgressSink {
public:
    void showProgress(double, const std::string&) override {}
};

} // namespace zelvant
