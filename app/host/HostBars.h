#pragma once

// The host's own menus and toolbars and the ids of its own controls. The "Tools" menu (shown as
// "Extras") carries ids that add-ins know, so an add-in places its entry before them. "Edit"
// ("Bearbeiten") takes back the last run of Zelvant.

#include "hosts/commandbars/CommandBarModel.h"

#include <vector>

namespace zelvant::hostbars {

// The host's own controls by id.
inline constexpr int kFileNew = 3001;
inline constexpr int kFileOpen = 3002;
inline constexpr int kFileSave = 3003;
inline constexpr int kFileExit = 3004;
inline constexpr int kDefaultCalendar = 3101;
inline constexpr int kUndoLastRun = 3201;
inline constexpr int kComAddins = 2131;

// Faces of the host's own buttons.
inline constexpr int kFaceNew = 9001;
inline constexpr int kFaceOpen = 9002;
inline constexpr int kFaceSave = 9003;
inline constexpr int kFaceCalendar = 9004;

// The menus "File", "Edit" and "Tools" and the toolbar "Standard" as a fresh host has them.
std::vector<BarState> defaultBars();

// Adds each of the host's own bars that `model` lacks, with its default controls, after the
// host bar that comes before it by default: bars kept by an older host get the new ones in their
// place. Replaces the model's bars when it adds one, so it runs before any add-in connects.
void addMissingBars(CommandBarModel& model);

} // namespace zelvant::hostbars
