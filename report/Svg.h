// A small writer of inline SVG pictures: shapes with a CSS class each (the
// page's style sheet colours them), text escaped, numbers short.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// A number for an attribute: at most two decimals, no trailing zeros.
std::string SvgNumber(double d);

struct SSvgPoint {
    double m_dX = 0.0;
    double m_dY = 0.0;
};

class CSvg {
public:
    enum class EAnchor { kStart, kMiddle, kEnd };

    // A picture nWidth x nHeight user units wide and high, scaled to the
    // width of its box; strLabel describes it for screen readers.
    CSvg(int nWidth, int nHeight, std::string_view strClass, std::string_view strLabel);

    // Shows the picture from y = nTop down only (what is above is empty).
    void CropTop(int nTop) { m_nTop = nTop; }

    // A tooltip (strTitle) is added when it is not empty.
    void Rect(double dX, double dY, double dWidth, double dHeight, std::string_view strClass,
              std::string_view strTitle = {});
    void Line(double dX1, double dY1, double dX2, double dY2, std::string_view strClass,
              std::string_view strTitle = {});
    void Text(double dX, double dY, std::string_view strText, std::string_view strClass,
              EAnchor eAnchor = EAnchor::kStart);
    void Polyline(const std::vector<SSvgPoint>& points, std::string_view strClass);

    // The finished <svg> element.
    std::string Finish();

private:
    void Close(std::string_view strElement, std::string_view strTitle);
    std::string m_str;
    int m_nWidth;
    int m_nHeight;
    int m_nTop = 0;
};
