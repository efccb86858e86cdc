#pragma once

#include "hostapi/CommandBars.h"

#include <string>
#include <vector>

namespace zelvant {

// Everything a control is made of, as the host builds and stores it.
struct ControlState {
    int type = kControlButton;
    int id = kCustomControlId;
    std::string caption;
    std::string tag;
    std::string parameter;
    std::string onAction;
    int faceId = 0;
    int style = kButtonAutomatic;
    bool beginGroup = false;

    bool operator==(const ControlState&) const = default;
};

// Everything a bar is made of, its controls in order.
struct BarState {
    std::string name;
    std::string nameLocal;
    int type = kBarTypeNormal;
    int position = kBarTop;
    bool visible = false;
    bool builtIn = false;
    std::vector<ControlState> controls;

    bool operator==(const BarState&) const = default;
};

} // namespace zelvant
