// Dialog units to pixels, the way the window system converts them: a
// horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its character height.
#pragma once

#include <QFont>
#include <QRect>

#include "DialogTemplate.h"

// The base units of a font, in pixels.
struct CDialogBaseUnits {
    int cx;  // average width of the letters A-Z and a-z, rounded
    int cy;  // character height (ascent plus descent)
};

CDialogBaseUnits GetDialogBaseUnits(const QFont& font);

// rect (dialog units) in pixels, each value rounded to the nearest pixel.
QRect MapDialogRect(const CDialogUnitRect& rect, const CDialogBaseUnits& units);

// The font a template names, at its point size; where that face is not
// installed, the system's sans-serif at that size.
QFont GetDialogFont(const CDialogTemplate& dialogTemplate);
