// What the pictures (tape map, merge strips, histogram, signal) are drawn
// on: rectangles, lines, polylines and text in the picture's own units, each
// with a class of space-separated names ("block failed", "take t2") that the
// canvas turns into colours: a style sheet on the report's page, pens and
// brushes on screen. A picture is the same code wherever it is shown.
#pragma once

#include <string_view>
#include <vector>

struct SCanvasPoint {
    double m_dX = 0.0;
    double m_dY = 0.0;
};

// The part of the plane that a picture shows: x from 0 to m_nWidth, y from
// m_nTop to m_nHeight (what is above m_nTop is empty).
struct SCanvasView {
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nTop = 0;
};

enum class ETextAnchor { kStart, kMiddle, kEnd };

class CCanvas {
public:
    virtual ~CCanvas() = default;

    // Once per picture, before or after its shapes.
    virtual void SetView(const SCanvasView& view) = 0;
    // strTitle, when not empty, is the shape's tooltip.
    virtual void Rect(double dX, double dY, double dWidth, double dHeight,
                      std::string_view strClass, std::string_view strTitle = {}) = 0;
    virtual void Line(double dX1, double dY1, double dX2, double dY2, std::string_view strClass,
                      std::string_view strTitle = {}) = 0;
    virtual void Polyline(const std::vector<SCanvasPoint>& points, std::string_view strClass) = 0;
    // dY is the text's baseline; eAnchor says which end of it dX is.
    virtual void Text(double dX, double dY, std::string_view strText, std::string_view strClass,
                      ETextAnchor eAnchor = ETextAnchor::kStart) = 0;
};
