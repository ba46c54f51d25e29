#include "QtCanvas.h"

#include <QFontMetricsF>
#include <QPen>
#include <QPolygonF>
#include <algorithm>

#include "CanvasPalette.h"

namespace {

QColor ColourOf(const SCanvasColour& colour) {
    return QColor(colour.m_nRed, colour.m_nGreen, colour.m_nBlue, colour.m_nAlpha);
}

QString TextOf(std::string_view str) {
    return QString::fromUtf8(str.data(), static_cast<qsizetype>(str.size()));
}

}  // namespace

QTransform ViewTransform(const SCanvasView& view, const QRectF& target) {
    const double dWidth = std::max(1, view.m_nWidth);
    const double dHeight = std::max(1, view.m_nHeight - view.m_nTop);
    const double dScale = std::min(target.width() / dWidth, target.height() / dHeight);
    const double dLeft = target.left() + (target.width() - dWidth * dScale) / 2.0;
    QTransform transform;
    transform.translate(dLeft, target.top());
    transform.scale(dScale, dScale);
    transform.translate(0.0, -view.m_nTop);
    return transform;
}

void CQtCanvas::SetView(const SCanvasView& view) {
    m_painter.setTransform(ViewTransform(view, m_target));
}

bool CQtCanvas::UseStroke(std::string_view strClass) {
    const SCanvasPaint paint = CanvasPaint(strClass);
    if (paint.m_stroke.m_nAlpha == 0 || paint.m_dStrokeWidth <= 0.0) {
        return false;
    }
    QPen pen(ColourOf(paint.m_stroke), paint.m_dStrokeWidth);
    pen.setCapStyle(Qt::FlatCap);
    if (paint.m_dDash > 0.0) {
        pen.setDashPattern(
            {paint.m_dDash / paint.m_dStrokeWidth, paint.m_dGap / paint.m_dStrokeWidth});
    }
    m_painter.setPen(pen);
    m_painter.setBrush(Qt::NoBrush);
    return true;
}

void CQtCanvas::Rect(double dX, double dY, double dWidth, double dHeight, std::string_view strClass,
                     std::string_view) {
    const SCanvasPaint paint = CanvasPaint(strClass);
    if (paint.m_fill.m_nAlpha > 0) {
        m_painter.fillRect(QRectF(dX, dY, dWidth, dHeight), ColourOf(paint.m_fill));
    }
}

void CQtCanvas::Line(double dX1, double dY1, double dX2, double dY2, std::string_view strClass,
                     std::string_view) {
    if (UseStroke(strClass)) {
        m_painter.drawLine(QPointF(dX1, dY1), QPointF(dX2, dY2));
    }
}

void CQtCanvas::Polyline(const std::vector<SCanvasPoint>& points, std::string_view strClass) {
    if (!UseStroke(strClass)) {
        return;
    }
    QPolygonF polygon;
    for (const SCanvasPoint& point : points) {
        polygon << QPointF(point.m_dX, point.m_dY);
    }
    m_painter.drawPolyline(polygon);
}

void CQtCanvas::Text(double dX, double dY, std::string_view strText, std::string_view strClass,
                     ETextAnchor eAnchor) {
    const SCanvasPaint paint = CanvasPaint(strClass);
    if (paint.m_fill.m_nAlpha == 0 || paint.m_dFontSize <= 0.0) {
        return;
    }
    QFont font = m_painter.font();
    font.setPixelSize(std::max(1, static_cast<int>(paint.m_dFontSize + 0.5)));
    font.setBold(paint.m_bBold);
    m_painter.setFont(font);
    m_painter.setPen(ColourOf(paint.m_fill));
    const QString str = TextOf(strText);
    const double dWidth = QFontMetricsF(font).horizontalAdvance(str);
    const double dShift = eAnchor == ETextAnchor::kMiddle ? dWidth / 2.0
                          : eAnchor == ETextAnchor::kEnd  ? dWidth
                                                          : 0.0;
    m_painter.drawText(QPointF(dX - dShift, dY), str);
}
