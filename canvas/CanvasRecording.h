// A canvas that keeps what is drawn on it, to draw it again on another (a
// window repaints a picture made once) and to find the tooltip at a point.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "Canvas.h"

struct SCanvasShape {
    enum class EKind { kRect, kLine, kPolyline, kText };
    EKind m_eKind = EKind::kRect;
    // A rectangle: its corner, then its width and height; a line: its two
    // ends; a polyline: its points; a text: where it is anchored.
    std::vector<SCanvasPoint> m_points;
    std::string m_strClass;
    std::string m_strTitle;  // a tooltip, or a text's text
    ETextAnchor m_eAnchor = ETextAnchor::kStart;
};

class CCanvasRecording : public CCanvas {
public:
    void SetView(const SCanvasView& view) override { m_view = view; }
    void Rect(double dX, double dY, double dWidth, double dHeight, std::string_view strClass,
              std::string_view strTitle = {}) override;
    void Line(double dX1, double dY1, double dX2, double dY2, std::string_view strClass,
              std::string_view strTitle = {}) override;
    void Polyline(const std::vector<SCanvasPoint>& points, std::string_view strClass) override;
    void Text(double dX, double dY, std::string_view strText, std::string_view strClass,
              ETextAnchor eAnchor = ETextAnchor::kStart) override;

    const SCanvasView& View() const { return m_view; }
    const std::vector<SCanvasShape>& Shapes() const { return m_shapes; }
    bool Empty() const { return m_shapes.empty(); }
    void Clear();

    // Draws every shape on canvas in the order they came, and the view.
    void Replay(CCanvas& canvas) const;
    // The tooltip of the last shape drawn with one that lies within
    // dReach units of (dX, dY), or an empty string.
    std::string TitleAt(double dX, double dY, double dReach) const;

private:
    SCanvasView m_view;
    std::vector<SCanvasShape> m_shapes;
};
