#include "Svg.h"

#include <cmath>
#include <cstdio>

#include "HtmlEscape.h"
#include "TextJoin.h"

std::string SvgNumber(double d) {
    if (!std::isfinite(d)) {
        return "0";
    }
    char szText[32];
    std::snprintf(szText, sizeof szText, "%.2f", d);
    std::string str = szText;
    while (str.back() == '0') {
        str.pop_back();
    }
    if (str.back() == '.') {
        str.pop_back();
    }
    return str == "-0" ? "0" : str;
}

CSvg::CSvg(std::string_view strClass, std::string_view strLabel) {
    // The view box is filled in by Finish.
    m_str = Join({"\" class=\"", HtmlEscape(strClass), "\" role=\"img\" aria-label=\"",
                  HtmlEscape(strLabel), "\">\n"});
}

void CSvg::Close(std::string_view strElement, std::string_view strTitle) {
    if (strTitle.empty()) {
        m_str += "/>\n";
        return;
    }
    m_str += Join({"><title>", HtmlEscape(strTitle), "</title></", strElement, ">\n"});
}

void CSvg::Rect(double dX, double dY, double dWidth, double dHeight, std::string_view strClass,
                std::string_view strTitle) {
    m_str += Join({"<rect x=\"", SvgNumber(dX), "\" y=\"", SvgNumber(dY), "\" width=\"",
                   SvgNumber(dWidth), "\" height=\"", SvgNumber(dHeight), "\" class=\"",
                   HtmlEscape(strClass), "\""});
    Close("rect", strTitle);
}

void CSvg::Line(double dX1, double dY1, double dX2, double dY2, std::string_view strClass,
                std::string_view strTitle) {
    m_str +=
        Join({"<line x1=\"", SvgNumber(dX1), "\" y1=\"", SvgNumber(dY1), "\" x2=\"", SvgNumber(dX2),
              "\" y2=\"", SvgNumber(dY2), "\" class=\"", HtmlEscape(strClass), "\""});
    Close("line", strTitle);
}

void CSvg::Text(double dX, double dY, std::string_view strText, std::string_view strClass,
                ETextAnchor eAnchor) {
    m_str += Join({"<text x=\"", SvgNumber(dX), "\" y=\"", SvgNumber(dY), "\" class=\"",
                   HtmlEscape(strClass), "\""});
    if (eAnchor != ETextAnchor::kStart) {
        m_str +=
            eAnchor == ETextAnchor::kMiddle ? " text-anchor=\"middle\"" : " text-anchor=\"end\"";
    }
    m_str += '>';
    m_str += HtmlEscape(strText);
    m_str += "</text>\n";
}

void CSvg::Polyline(const std::vector<SCanvasPoint>& points, std::string_view strClass) {
    m_str += Join({"<polyline class=\"", HtmlEscape(strClass), "\" points=\""});
    for (size_t k = 0; k < points.size(); ++k) {
        if (k > 0) {
            m_str += ' ';
        }
        m_str += Join({SvgNumber(points[k].m_dX), ",", SvgNumber(points[k].m_dY)});
    }
    m_str += "\"/>\n";
}

std::string CSvg::Finish() {
    std::string str = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 ";
    str += Join({std::to_string(m_view.m_nTop), " ", std::to_string(m_view.m_nWidth), " ",
                 std::to_string(m_view.m_nHeight - m_view.m_nTop)});
    str += m_str;
    str += "</svg>";
    return str;
}
