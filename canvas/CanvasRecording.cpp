#include "CanvasRecording.h"

#include <algorithm>
#include <cmath>

namespace {

// The distance of (dX, dY) from the segment a-b.
double SegmentDistance(double dX, double dY, const SCanvasPoint& a, const SCanvasPoint& b) {
    const double dDx = b.m_dX - a.m_dX;
    const double dDy = b.m_dY - a.m_dY;
    const double dLength2 = dDx * dDx + dDy * dDy;
    double dShare = 0.0;
    if (dLength2 > 0.0) {
        dShare = std::clamp(((dX - a.m_dX) * dDx + (dY - a.m_dY) * dDy) / dLength2, 0.0, 1.0);
    }
    return std::hypot(dX - (a.m_dX + dShare * dDx), dY - (a.m_dY + dShare * dDy));
}

bool Near(const SCanvasShape& shape, double dX, double dY, double dReach) {
    if (shape.m_points.size() < 2) {
        return false;
    }
    const SCanvasPoint& a = shape.m_points[0];
    const SCanvasPoint& b = shape.m_points[1];
    if (shape.m_eKind == SCanvasShape::EKind::kRect) {
        const double dX1 = a.m_dX + b.m_dX;
        const double dY1 = a.m_dY + b.m_dY;
        return dX >= std::min(a.m_dX, dX1) - dReach && dX <= std::max(a.m_dX, dX1) + dReach &&
               dY >= std::min(a.m_dY, dY1) - dReach && dY <= std::max(a.m_dY, dY1) + dReach;
    }
    return SegmentDistance(dX, dY, a, b) <= dReach;
}

}  // namespace

void CCanvasRecording::Rect(double dX, double dY, double dWidth, double dHeight,
                            std::string_view strClass, std::string_view strTitle) {
    m_shapes.push_back({SCanvasShape::EKind::kRect,
                        {{dX, dY}, {dWidth, dHeight}},
                        std::string(strClass),
                        std::string(strTitle),
                        ETextAnchor::kStart});
}

void CCanvasRecording::Line(double dX1, double dY1, double dX2, double dY2,
                            std::string_view strClass, std::string_view strTitle) {
    m_shapes.push_back({SCanvasShape::EKind::kLine,
                        {{dX1, dY1}, {dX2, dY2}},
                        std::string(strClass),
                        std::string(strTitle),
                        ETextAnchor::kStart});
}

void CCanvasRecording::Polyline(const std::vector<SCanvasPoint>& points,
                                std::string_view strClass) {
    m_shapes.push_back(
        {SCanvasShape::EKind::kPolyline, points, std::string(strClass), {}, ETextAnchor::kStart});
}

void CCanvasRecording::Text(double dX, double dY, std::string_view strText,
                            std::string_view strClass, ETextAnchor eAnchor) {
    m_shapes.push_back({SCanvasShape::EKind::kText,
                        {{dX, dY}},
                        std::string(strClass),
                        std::string(strText),
                        eAnchor});
}

void CCanvasRecording::Clear() {
    m_view = {};
    m_shapes.clear();
}

void CCanvasRecording::Replay(CCanvas& canvas) const {
    canvas.SetView(m_view);
    for (const SCanvasShape& shape : m_shapes) {
        const std::vector<SCanvasPoint>& p = shape.m_points;
        switch (shape.m_eKind) {
            case SCanvasShape::EKind::kRect:
                canvas.Rect(p[0].m_dX, p[0].m_dY, p[1].m_dX, p[1].m_dY, shape.m_strClass,
                            shape.m_strTitle);
                break;
            case SCanvasShape::EKind::kLine:
                canvas.Line(p[0].m_dX, p[0].m_dY, p[1].m_dX, p[1].m_dY, shape.m_strClass,
                            shape.m_strTitle);
                break;
            case SCanvasShape::EKind::kPolyline:
                canvas.Polyline(p, shape.m_strClass);
                break;
            case SCanvasShape::EKind::kText:
                canvas.Text(p[0].m_dX, p[0].m_dY, shape.m_strTitle, shape.m_strClass,
                            shape.m_eAnchor);
                break;
        }
    }
}

std::string CCanvasRecording::TitleAt(double dX, double dY, double dReach) const {
    for (auto it = m_shapes.rbegin(); it != m_shapes.rend(); ++it) {
        if (it->m_eKind != SCanvasShape::EKind::kText && !it->m_strTitle.empty() &&
            Near(*it, dX, dY, dReach)) {
            return it->m_strTitle;
        }
    }
    return {};
}
