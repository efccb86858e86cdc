#pragma once

#include "hostapi/CommandBars.h"
#include "hosts/commandbars/CommandBarState.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zelvant {

// The host's command bars in memory. Bar names and tags compare exactly. The host builds its
// own bars with addBar(), reads and restores the whole set to keep it across restarts, and
// learns of every change through one listener so it can draw the bars again.
class CommandBarModel : public CommandBars {
public:
    CommandBarModel();
    // Deletes every bar: references still held elsewhere throw from then on.
    ~CommandBarModel() override;
    CommandBarModel(const CommandBarModel&) = delete;
    CommandBarModel& operator=(const CommandBarModel&) = delete;

    std::vector<BarPtr> bars() override;
    BarPtr find(const std::string& name) override;
    BarPtr item(const std::string& name) override;
    BarPtr add(const std::string& name, int position) override;
    ControlPtr findControl(const std::string& tag) override;

    // Host access -------------------------------------------------------------------------------

    // Appends a bar with its controls; throws HostError when the name is taken.
    BarPtr addBar(const BarState& state);
    // Every bar with its controls, in order.
    std::vector<BarState> state() const;
    // Replaces every bar by `bars`; references to the old ones throw from then on.
    void restore(const std::vector<BarState>& bars);
    // What a click runs when no handler cancels it (nothing by default).
    void setDefaultAction(std::function<void(CommandBarControl&)> action);
    // Called after every change of a bar or control.
    void setChangeListener(std::function<void()> listener);

private:
    class Bar;
    class Control;

    void changed();
    void removeBar(Bar* bar);
    void detachAll();

    std::vector<std::shared_ptr<Bar>> bars_;
    std::function<void(CommandBarControl&)> defaultAction_;
    std::function<void()> listener_;
};

} // namespace zelvant
