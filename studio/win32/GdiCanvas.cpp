#include "GdiCanvas.h"

#include <algorithm>
#include <cmath>

#include "CanvasPalette.h"
#include "win32/TextConvert.h"

namespace {

// The colour over white.
COLORREF OverWhite(const SCanvasColour& colour) {
    const double dAlpha = colour.m_nAlpha / 255.0;
    const auto Mix = [dAlpha](uint8_t nValue) {
        return static_cast<BYTE>(std::lround(nValue * dAlpha + 255.0 * (1.0 - dAlpha)));
    };
    return RGB(Mix(colour.m_nRed), Mix(colour.m_nGreen), Mix(colour.m_nBlue));
}

int Pixel(double d) {
    return static_cast<int>(std::lround(d));
}

// At least one pixel, so that a thin mark stays seen.
DWORD Width(double dWidth) {
    return static_cast<DWORD>(std::max(1L, std::lround(dWidth)));
}

template <class TMake>
HGDIOBJ Cached(std::map<std::string, HGDIOBJ, std::less<>>& cache, std::string_view strClass,
               TMake make) {
    const auto it = cache.find(strClass);
    if (it != cache.end()) {
        return it->second;
    }
    const HGDIOBJ hObject = make(CanvasPaint(strClass));
    cache.emplace(std::string(strClass), hObject);
    return hObject;
}

}  // namespace

SCanvasMapping MapCanvasView(const SCanvasView& view, const RECT& target) {
    const double dWidth = std::max(1, view.m_nWidth);
    const double dHeight = std::max(1, view.m_nHeight - view.m_nTop);
    const double dTargetWidth = target.right - target.left;
    const double dScale =
        std::max(1e-6, std::min(dTargetWidth / dWidth, (target.bottom - target.top) / dHeight));
    SCanvasMapping mapping;
    mapping.m_dScale = dScale;
    mapping.m_dLeft = target.left + (dTargetWidth - dWidth * dScale) / 2.0;
    mapping.m_dTop = target.top;
    mapping.m_nViewTop = view.m_nTop;
    return mapping;
}

int CanvasHeightAt(const SCanvasView& view, int nWidth) {
    if (view.m_nWidth <= 0) {
        return 0;
    }
    return static_cast<int>(static_cast<long long>(nWidth) * (view.m_nHeight - view.m_nTop) /
                            view.m_nWidth);
}

CGdiCanvas::~CGdiCanvas() {
    for (auto* pCache : {&m_pens, &m_brushes, &m_fonts}) {
        for (const auto& [strClass, hObject] : *pCache) {
            if (hObject != nullptr) {
                ::DeleteObject(hObject);
            }
        }
    }
}

void CGdiCanvas::SetView(const SCanvasView& view) {
    m_mapping = MapCanvasView(view, m_target);
}

HPEN CGdiCanvas::PenOf(std::string_view strClass) {
    return static_cast<HPEN>(Cached(m_pens, strClass, [this](const SCanvasPaint& paint) {
        if (paint.m_stroke.m_nAlpha == 0 || paint.m_dStrokeWidth <= 0.0) {
            return HGDIOBJ{};
        }
        LOGBRUSH brush{BS_SOLID, OverWhite(paint.m_stroke), 0};
        const double dScale = m_mapping.m_dScale;
        const DWORD dashes[2] = {Width(paint.m_dDash * dScale), Width(paint.m_dGap * dScale)};
        const bool bDashed = paint.m_dDash > 0.0;
        return HGDIOBJ{::ExtCreatePen(
            PS_GEOMETRIC | PS_ENDCAP_FLAT | static_cast<DWORD>(bDashed ? PS_USERSTYLE : PS_SOLID),
            Width(paint.m_dStrokeWidth * dScale), &brush, bDashed ? 2 : 0,
            bDashed ? dashes : nullptr)};
    }));
}

HBRUSH CGdiCanvas::BrushOf(std::string_view strClass) {
    return static_cast<HBRUSH>(Cached(m_brushes, strClass, [](const SCanvasPaint& paint) {
        return paint.m_fill.m_nAlpha == 0 ? HGDIOBJ{}
                                          : HGDIOBJ{::CreateSolidBrush(OverWhite(paint.m_fill))};
    }));
}

HFONT CGdiCanvas::FontOf(std::string_view strClass) {
    return static_cast<HFONT>(Cached(m_fonts, strClass, [this](const SCanvasPaint& paint) {
        if (paint.m_fill.m_nAlpha == 0 || paint.m_dFontSize <= 0.0) {
            return HGDIOBJ{};
        }
        const int nHeight = std::max(1, Pixel(paint.m_dFontSize * m_mapping.m_dScale));
        return HGDIOBJ{::CreateFontW(-nHeight, 0, 0, 0, paint.m_bBold ? FW_BOLD : FW_NORMAL, FALSE,
                                     FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                     L"Arial")};
    }));
}

void CGdiCanvas::Rect(double dX, double dY, double dWidth, double dHeight,
                      std::string_view strClass, std::string_view) {
    const HBRUSH hBrush = BrushOf(strClass);
    if (hBrush == nullptr) {
        return;
    }
    RECT rect{Pixel(m_mapping.X(dX)), Pixel(m_mapping.Y(dY)), Pixel(m_mapping.X(dX + dWidth)),
              Pixel(m_mapping.Y(dY + dHeight))};
    rect.right = std::max(rect.right, rect.left + (dWidth > 0.0 ? 1 : 0));
    rect.bottom = std::max(rect.bottom, rect.top + (dHeight > 0.0 ? 1 : 0));
    ::FillRect(m_hDC, &rect, hBrush);
}

void CGdiCanvas::Line(double dX1, double dY1, double dX2, double dY2, std::string_view strClass,
                      std::string_view) {
    Polyline({{dX1, dY1}, {dX2, dY2}}, strClass);
}

void CGdiCanvas::Polyline(const std::vector<SCanvasPoint>& points, std::string_view strClass) {
    const HPEN hPen = PenOf(strClass);
    if (hPen == nullptr || points.size() < 2) {
        return;
    }
    std::vector<POINT> device;
    device.reserve(points.size());
    for (const SCanvasPoint& point : points) {
        device.push_back({Pixel(m_mapping.X(point.m_dX)), Pixel(m_mapping.Y(point.m_dY))});
    }
    const HGDIOBJ hOld = ::SelectObject(m_hDC, hPen);
    ::Polyline(m_hDC, device.data(), static_cast<int>(device.size()));
    ::SelectObject(m_hDC, hOld);
}

void CGdiCanvas::Text(double dX, double dY, std::string_view strText, std::string_view strClass,
                      ETextAnchor eAnchor) {
    const HFONT hFont = FontOf(strClass);
    if (hFont == nullptr) {
        return;
    }
    const std::wstring strWide = Utf8ToWide(strText);
    const UINT nAlign = eAnchor == ETextAnchor::kMiddle ? TA_CENTER
                        : eAnchor == ETextAnchor::kEnd  ? TA_RIGHT
                                                        : TA_LEFT;
    const HGDIOBJ hOld = ::SelectObject(m_hDC, hFont);
    ::SetTextAlign(m_hDC, nAlign | TA_BASELINE);
    ::SetTextColor(m_hDC, OverWhite(CanvasPaint(strClass).m_fill));
    ::SetBkMode(m_hDC, TRANSPARENT);
    ::TextOutW(m_hDC, Pixel(m_mapping.X(dX)), Pixel(m_mapping.Y(dY)), strWide.c_str(),
               static_cast<int>(strWide.size()));
    ::SelectObject(m_hDC, hOld);
}
