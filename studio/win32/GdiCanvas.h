// The canvas on a GDI device context, for the studio's pictures on
// Windows: the classes' colours come from the palette (CanvasPalette.h),
// and the picture is scaled to fit a rectangle of the device, keeping its
// shape. GDI paints without transparency, so a colour that is partly
// transparent is mixed with the white of the picture's background.
#pragma once

#include <map>
#include <string>

#include "Canvas.h"
#include "WinApi.h"

// Where a picture's units land on the device: x' = m_dLeft + x * m_dScale,
// y' = m_dTop + (y - view top) * m_dScale.
struct SCanvasMapping {
    double m_dScale = 1.0;
    double m_dLeft = 0.0;
    double m_dTop = 0.0;
    int m_nViewTop = 0;

    double X(double dX) const { return m_dLeft + dX * m_dScale; }
    double Y(double dY) const { return m_dTop + (dY - m_nViewTop) * m_dScale; }
    double UnitX(double dX) const { return (dX - m_dLeft) / m_dScale; }
    double UnitY(double dY) const { return (dY - m_dTop) / m_dScale + m_nViewTop; }
};

// The largest scale at which the view fits target, centred across it and
// at its top.
SCanvasMapping MapCanvasView(const SCanvasView& view, const RECT& target);
// The height the view takes at nWidth pixels wide.
int CanvasHeightAt(const SCanvasView& view, int nWidth);

class CGdiCanvas : public CCanvas {
public:
    CGdiCanvas(HDC hDC, const RECT& target) : m_hDC(hDC), m_target(target) {}
    ~CGdiCanvas() override;
    CGdiCanvas(const CGdiCanvas&) = delete;
    CGdiCanvas& operator=(const CGdiCanvas&) = delete;

    void SetView(const SCanvasView& view) override;
    void Rect(double dX, double dY, double dWidth, double dHeight, std::string_view strClass,
              std::string_view strTitle = {}) override;
    void Line(double dX1, double dY1, double dX2, double dY2, std::string_view strClass,
              std::string_view strTitle = {}) override;
    void Polyline(const std::vector<SCanvasPoint>& points, std::string_view strClass) override;
    void Text(double dX, double dY, std::string_view strText, std::string_view strClass,
              ETextAnchor eAnchor = ETextAnchor::kStart) override;

private:
    // The pen, brush or font of a class, made once per canvas; null when
    // the class paints nothing of that kind.
    HPEN PenOf(std::string_view strClass);
    HBRUSH BrushOf(std::string_view strClass);
    HFONT FontOf(std::string_view strClass);

    HDC m_hDC;
    RECT m_target;
    SCanvasMapping m_mapping;
    std::map<std::string, HGDIOBJ, std::less<>> m_pens;
    std::map<std::string, HGDIOBJ, std::less<>> m_brushes;
    std::map<std::string, HGDIOBJ, std::less<>> m_fonts;
};
