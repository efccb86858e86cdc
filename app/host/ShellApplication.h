#pragma once

#include "addin/HostApplication.h"
#include "app/host/PlanHost.h"
#include "hosts/commandbars/CommandBarModel.h"

namespace zelvant {

// The host shell's application object as add-ins receive it.
class ShellApplication : public HostApplication {
public:
    ShellApplication(CommandBarModel& bars, PlanHost& plan) : bars_(bars), plan_(plan) {}
    // The host's menus and toolbars.
    CommandBars* commandBars() override { return &bars_; }
    // The plan open in the window.
    ProjectApplication* projectApplication() override { return &plan_; }

private:
    CommandBarModel& bars_;
    PlanHost& plan_;
};

} // namespace zelvant
