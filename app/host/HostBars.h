#pragma once

// The host's own menus and toolbars and the ids of its own controls. The "Tools" menu (shown as
// "Extras") carries ids that add-ins know, so an add-in places its entry before them.

#include "hosts/commandbars/CommandBarModel.h"

#include <vector>

namespace zelvant::hostbars {

// The host's own controls by id.
inline constexpr int kFileNew = 3001;
inline constexpr int kFileOpen = 3002;
inline constexpr int kFileSave = 3003;
inline constexpr int kFileExit = 3004;
inline constexpr int kDefaultCalendar = 3101;
inline constexpr int kComAddins = 2131;

// Faces of the host's own buttons.
inline constexpr int kFaceNew = 9001;
inline constexpr int kFaceOpen = 9002;
inline constexpr int kFaceSave = 9003;
inline constexpr int kFaceCalendar = 9004;

// The menus "File" and "Tools" and the toolbar "Standard" as a fresh host has them.
std::vector<BarState> defaultBars();

// Adds each of the host's own bars that `model` lacks, with its default controls.
void addMissingBars(CommandBarModel& model);

} // namespace zelvant::hostbars
