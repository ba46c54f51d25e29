// The colours, strokes and fonts of the pictures' classes on a screen: the
// same as the report's style sheet gives them on its page.
#pragma once

#include <cstdint>
#include <string_view>

struct SCanvasColour {
    uint8_t m_nRed = 0;
    uint8_t m_nGreen = 0;
    uint8_t m_nBlue = 0;
    uint8_t m_nAlpha = 0;  // 0: nothing is painted
};

struct SCanvasPaint {
    bool m_bKnown = false;  // the class has an entry (others paint nothing)
    SCanvasColour m_fill;   // of rectangles and text
    SCanvasColour m_stroke;
    double m_dStrokeWidth = 0.0;  // user units
    double m_dDash = 0.0;         // dash and gap of a dashed stroke, 0 for a solid one
    double m_dGap = 0.0;
    double m_dFontSize = 0.0;  // user units
    bool m_bBold = false;
};

// strClass: a shape's whole class, as "block failed".
SCanvasPaint CanvasPaint(std::string_view strClass);
