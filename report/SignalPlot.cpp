#include "SignalPlot.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "Svg.h"

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 150;
constexpr double kLeft = 8.0;
constexpr double kRight = 392.0;
constexpr double kTop = 10.0;
constexpr double kBottom = 96.0;
constexpr double kRange = 1.3;        // the signal's level is 1; the plot shows a little more
constexpr double kLetterSpace = 9.0;  // class letters closer than this are left out

const char* ClassName(char cClass) {
    switch (cClass) {
        case 'S':
            return "short";
        case 'L':
            return "long";
        default:
            return "toolong";
    }
}

}  // namespace

void PaintSnapshot(CCanvas& canvas, const SSignalSnapshot& snapshot) {
    canvas.SetView({kWidth, kHeight, 0});
    const double dSpan =
        std::max(snapshot.m_dStep * static_cast<double>(snapshot.m_samples.size()), 1e-6);
    const auto XOf = [&](double dSeconds) {
        return kLeft +
               (kRight - kLeft) * std::clamp((dSeconds - snapshot.m_dStart) / dSpan, 0.0, 1.0);
    };
    const auto YOf = [](double dValue) {
        const double dShare = (std::clamp(dValue, -kRange, kRange) + kRange) / (2 * kRange);
        return kBottom - (kBottom - kTop) * dShare;
    };
    canvas.Rect(kLeft, kTop, kRight - kLeft, kBottom - kTop, "plotarea");
    canvas.Line(kLeft, YOf(0.0), kRight, YOf(0.0), "midpoint");

    // At most two points (the lowest and the highest) per unit of width.
    std::vector<SCanvasPoint> points;
    const size_t nSamples = snapshot.m_samples.size();
    const auto nColumns = static_cast<size_t>(kRight - kLeft);
    if (nSamples <= 2 * nColumns) {
        for (size_t k = 0; k < nSamples; ++k) {
            points.push_back({XOf(snapshot.m_dStart + snapshot.m_dStep * static_cast<double>(k)),
                              YOf(snapshot.m_samples[k])});
        }
    } else {
        for (size_t c = 0; c < nColumns; ++c) {
            const size_t nFrom = c * nSamples / nColumns;
            const size_t nTo = std::max(nFrom + 1, (c + 1) * nSamples / nColumns);
            const auto [pMin, pMax] =
                std::minmax_element(snapshot.m_samples.begin() + static_cast<std::ptrdiff_t>(nFrom),
                                    snapshot.m_samples.begin() + static_cast<std::ptrdiff_t>(nTo));
            const double dX = kLeft + static_cast<double>(c) + 0.5;
            const bool bMinFirst = pMin < pMax;
            points.push_back({dX, YOf(bMinFirst ? *pMin : *pMax)});
            points.push_back({dX, YOf(bMinFirst ? *pMax : *pMin)});
        }
    }
    canvas.Polyline(points, "trace");

    double dLastLetter = -1e9;
    for (const SSignalSnapshot::SCrossing& crossing : snapshot.m_crossings) {
        const double dX = XOf(crossing.m_dAt);
        const char* szClass = ClassName(crossing.m_cClass);
        canvas.Line(dX, kBottom + 2.0, dX, kBottom + 12.0, std::string("mark ") + szClass);
        if (dX - dLastLetter >= kLetterSpace) {
            const char szLetter[2] = {crossing.m_cClass, '\0'};
            canvas.Text(dX, kBottom + 24.0, szLetter, std::string("letter ") + szClass,
                        ETextAnchor::kMiddle);
            dLastLetter = dX;
        }
    }

    const double dFailure = XOf(snapshot.m_dFailureAt);
    canvas.Line(dFailure, kTop, dFailure, kBottom, "failure");
    const double dBefore = (snapshot.m_dFailureAt - snapshot.m_dStart) * 1e3;
    const double dAfter = (snapshot.m_dStart + dSpan - snapshot.m_dFailureAt) * 1e3;
    std::string strBefore = "\xE2\x88\x92";  // a minus sign
    strBefore += SvgNumber(std::round(dBefore * 10) / 10) + " ms";
    canvas.Text(kLeft, kHeight - 4.0, strBefore, "tick");
    canvas.Text(dFailure, kHeight - 4.0, "failure", "tick failtext", ETextAnchor::kMiddle);
    std::string strAfter = "+";
    strAfter += SvgNumber(std::round(dAfter * 10) / 10) + " ms";
    canvas.Text(kRight, kHeight - 4.0, strAfter, "tick", ETextAnchor::kEnd);
}

std::string DrawSnapshot(const SSignalSnapshot& snapshot) {
    CSvg svg("signal", "the signal around a failed byte");
    PaintSnapshot(svg, snapshot);
    return svg.Finish();
}
