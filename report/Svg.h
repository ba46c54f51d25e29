// A small writer of inline SVG pictures, the canvas of the report's page:
// shapes with a CSS class each (the page's style sheet colours them), text
// escaped, numbers short.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Canvas.h"

// A number for an attribute: at most two decimals, no trailing zeros.
std::string SvgNumber(double d);

class CSvg : public CCanvas {
public:
    // strClass: the class of the <svg> element; strLabel describes the
    // picture for screen readers. The picture is scaled to the width of its
    // box.
    CSvg(std::string_view strClass, std::string_view strLabel);

    void SetView(const SCanvasView& view) override { m_view = view; }
    void Rect(double dX, double dY, double dWidth, double dHeight, std::string_view strClass,
              std::string_view strTitle = {}) override;
    void Line(double dX1, double dY1, double dX2, double dY2, std::string_view strClass,
              std::string_view strTitle = {}) override;
    void Polyline(const std::vector<SCanvasPoint>& points, std::string_view strClass) override;
    void Text(double dX, double dY, std::string_view strText, std::string_view strClass,
              ETextAnchor eAnchor = ETextAnchor::kStart) override;

    // The finished <svg> element.
    std::string Finish();

private:
    void Close(std::string_view strElement, std::string_view strTitle);
    std::string m_str;
    SCanvasView m_view;
};
