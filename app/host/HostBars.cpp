#include "app/host/HostBars.h"

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

    BarState tools{"Tools", "E&xtras", kBarTypePopup, kBarPopup, true, true, {}};
    tools.controls = {entry(kDefaultCalendar, "&Standardkalender...", kFaceCalendar),
                      entry(kComAddins, "COM-&Add-Ins...", 0, true)};

    BarState standard{"Standard", "Standard", kBarTypeNormal, kBarTop, true, true, {}};
    standard.controls = {entry(kFileNew, "&Neu", kFaceNew), entry(kFileOpen, "\u00D6&ffnen", kFaceOpen),
                         entry(kFileSave, "&Speichern", kFaceSave)};
    for (ControlState& button : standard.controls)
        button.style = kButtonIcon;
    return {file, tools, standard};
}

void addMissingBars(CommandBarModel& model)
{
    for (const BarState& bar : defaultBars())
        if (!model.find(bar.name))
            model.addBar(bar);
}

} // namespace zelvant::hostbars
