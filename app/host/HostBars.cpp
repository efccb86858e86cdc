#include "app/host/HostBars.h"

#include <algorithm>

namespace zelvant::hostbars {

namespace {

ControlState entry(int id, const char* caption, int faceId = 0, bool beginGroup = false)
{
    ControlState control;
    control.id = id;
    control.caption = caption;
    control.faceId = faceId;
    control.beginGroup = beginGroup;
    return control;
}

} // namespace

std::vector<BarState> defaultBars()
{
    BarState file{"File", "&Datei", kBarTypePopup, kBarPopup, true, true, {}};
    file.controls = {entry(kFileNew, "&Neu", kFaceNew), entry(kFileOpen, "\u00D6&ffnen...", kFaceOpen),
                     entry(kFileSave, "&Speichern", kFaceSave), entry(kFileExit, "&Beenden", 0, true)};

    BarState edit{"Edit", "&Bearbeiten", kBarTypePopup, kBarPopup, true, true, {}};
    edit.controls = {entry(kUndoLastRun, "Letzten Zelvant-Lauf &r\u00FCckg\u00E4ngig machen")};

    BarState tools{"Tools", "E&xtras", kBarTypePopup, kBarPopup, true, true, {}};
    tools.controls = {entry(kDefaultCalendar, "&Standardkalender...", kFaceCalendar),
                      entry(kComAddins, "COM-&Add-Ins...", 0, true)};

    BarState standard{"Standard", "Standard", kBarTypeNormal, kBarTop, true, true, {}};
    standard.controls = {entry(kFileNew, "&Neu", kFaceNew), entry(kFileOpen, "\u00D6&ffnen", kFaceOpen),
                         entry(kFileSave, "&Speichern", kFaceSave)};
    for (ControlState& button : standard.controls)
        button.style = kButtonIcon;
    return {file, edit, tools, standard};
}

void addMissingBars(CommandBarModel& model)
{
    std::vector<BarState> bars = model.state();
    bool added = false;
    std::size_t at = 0; // after the last host bar seen
    for (const BarState& bar : defaultBars()) {
        const auto found = std::find_if(bars.begin(), bars.end(),
                                        [&](const BarState& kept) { return kept.name == bar.name; });
        if (found != bars.end()) {
            at = std::size_t(found - bars.begin()) + 1;
            continue;
        }
        bars.insert(bars.begin() + std::ptrdiff_t(at++), bar);
        added = true;
    }
    if (added)
        model.restore(bars);
}

} // namespace zelvant::hostbars
