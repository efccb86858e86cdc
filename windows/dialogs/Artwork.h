#pragma once

// The product's pictures, painted with GDI in its colours: the wizard's header, the information
// window's banner and logo. Painted rather than loaded, so that they are sharp at any DPI and
// the add-in needs no image files.

#include <windows.h>

#include <string>

namespace zelvant::native {

// The wizard's header: a band from deep blue to teal, a calendar sheet and `name` in `nameFont`.
void paintHeader(HDC dc, const RECT& area, HFONT nameFont, const std::string& name);

// The information window's banner: the band with `name` in `nameFont`.
void paintBanner(HDC dc, const RECT& area, HFONT nameFont, const std::string& name);

// The logo: the calendar sheet on a tile in the band's colours, with a round arrow on a badge,
// plan and calendar kept in step.
void paintLogo(HDC dc, const RECT& area);

} // namespace zelvant::native
