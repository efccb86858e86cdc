#pragma once

#include <string>

namespace zelvant {

// Where an operation reports how far it is: a percentage from 0 to 100 and a German text.
// The window draws a bar and a label; the command line prints a line.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void showProgress(double percent, const std::string& text) = 0;
};

// For callers that do not show progress.
class NoProgress : public ProgressSink {
public:
    void showProgress(double, const std::string&) override {}
};

} // namespace zelvant
