// The canvas on a QPainter: the pictures of the studio's Qt view, in the
// colours of their classes (CanvasPalette.h).
#pragma once

#include <QPainter>
#include <QRectF>
#include <QTransform>

#include "Canvas.h"

// Maps a picture's view into target: scaled alike in both directions to
// fit, centred.
QTransform ViewTransform(const SCanvasView& view, const QRectF& target);

class CQtCanvas : public CCanvas {
public:
    CQtCanvas(QPainter& painter, const QRectF& target) : m_painter(painter), m_target(target) {}

    void SetView(const SCanvasView& view) override;
    void Rect(double dX, double dY, double dWidth, double dHeight, std::string_view strClass,
              std::string_view strTitle = {}) override;
    void Line(double dX1, double dY1, double dX2, double dY2, std::string_view strClass,
              std::string_view strTitle = {}) override;
    void Polyline(const std::vector<SCanvasPoint>& points, std::string_view strClass) override;
    void Text(double dX, double dY, std::string_view strText, std::string_view strClass,
              ETextAnchor eAnchor = ETextAnchor::kStart) override;

private:
    bool UseStroke(std::string_view strClass);
    QPainter& m_painter;
    QRectF m_target;
};
