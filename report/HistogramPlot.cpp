#include "HistogramPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "Svg.h"
#include "TextJoin.h"

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 300;
constexpr double kLeft = 70.0;
constexpr double kRight = 984.0;
constexpr double kTop = 40.0;
constexpr double kBottom = 244.0;

double XOf(double dSeconds) {
    const double dLow = std::log(CHalfPeriodHistogram::kMinSeconds);
    const double dHigh = std::log(CHalfPeriodHistogram::kMaxSeconds);
    const double dShare = (std::log(dSeconds) - dLow) / (dHigh - dLow);
    return kLeft + (kRight - kLeft) * std::clamp(dShare, 0.0, 1.0);
}

double YOf(uint64_t nCount, double dTopLog) {
    return kBottom - (kBottom - kTop) * std::log10(static_cast<double>(nCount) + 1.0) / dTopLog;
}

std::string Micros(double dSeconds) {
    return SvgNumber(std::round(dSeconds * 1e6 * 10.0) / 10.0) + " \xC2\xB5s";
}

void DrawAxes(CCanvas& canvas, double dTopLog) {
    canvas.Line(kLeft, kBottom, kRight, kBottom, "axis");
    canvas.Line(kLeft, kTop, kLeft, kBottom, "axis");
    struct STick {
        double m_dSeconds;
        const char* m_szLabel;
    };
    static constexpr STick kTicks[] = {
        {20e-6, "20 \xC2\xB5s"}, {50e-6, "50"}, {100e-6, "100"}, {200e-6, "200"}, {500e-6, "500"},
        {1e-3, "1 ms"},          {2e-3, "2"},   {5e-3, "5"},     {10e-3, "10"},   {20e-3, "20 ms"}};
    for (const STick& tick : kTicks) {
        const double dX = XOf(tick.m_dSeconds);
        canvas.Line(dX, kBottom, dX, kBottom + 5.0, "axis");
        canvas.Text(dX, kBottom + 19.0, tick.m_szLabel, "tick", ETextAnchor::kMiddle);
    }
    canvas.Text((kLeft + kRight) / 2, kBottom + 44.0, "half-period (logarithmic)", "axistitle",
                ETextAnchor::kMiddle);
    // Counts: 1, 10, 100 ... as far as the tallest bar.
    uint64_t nCount = 1;
    for (int32_t nPower = 0; nPower <= static_cast<int32_t>(dTopLog); ++nPower, nCount *= 10) {
        const double dY = YOf(nCount, dTopLog);
        canvas.Line(kLeft - 5.0, dY, kLeft, dY, "axis");
        canvas.Line(kLeft, dY, kRight, dY, "grid");
        const std::string strLabel =
            nPower < 4 ? std::to_string(nCount) : Join({"1e", std::to_string(nPower)});
        canvas.Text(kLeft - 8.0, dY + 4.0, strLabel, "tick", ETextAnchor::kEnd);
    }
    canvas.Text(kLeft - 8.0, kTop - 14.0, "count", "axistitle", ETextAnchor::kEnd);
}

}  // namespace

const char* HalfPeriodClass(double dSeconds, const SClassBounds& bounds) {
    if (dSeconds < bounds.m_dShortMin) {
        return "noise";
    }
    if (dSeconds < bounds.m_dShortMax) {
        return "short";
    }
    return dSeconds < bounds.m_dLongMax ? "long" : "toolong";
}

void PaintHistogram(CCanvas& canvas, const CHalfPeriodHistogram& histogram,
                    const SClassBounds& bounds) {
    canvas.SetView({kWidth, kHeight, 0});
    uint64_t nMax = 1;
    for (int32_t nBin = 0; nBin < CHalfPeriodHistogram::kBins; ++nBin) {
        nMax = std::max(nMax, histogram.Count(nBin));
    }
    // The top of the scale is the next power of ten at or above the tallest bar.
    const double dTopLog = std::max(1.0, std::ceil(std::log10(static_cast<double>(nMax) + 1.0)));

    // The classes as shaded bands behind the bars.
    const double dShortMin = XOf(bounds.m_dShortMin);
    const double dShortMax = XOf(bounds.m_dShortMax);
    const double dLongMax = XOf(bounds.m_dLongMax);
    canvas.Rect(dShortMin, kTop, dShortMax - dShortMin, kBottom - kTop, "band short");
    canvas.Rect(dShortMax, kTop, dLongMax - dShortMax, kBottom - kTop, "band long");
    DrawAxes(canvas, dTopLog);

    for (int32_t nBin = 0; nBin < CHalfPeriodHistogram::kBins; ++nBin) {
        const uint64_t nCount = histogram.Count(nBin);
        if (nCount == 0) {
            continue;
        }
        const double dLow = CHalfPeriodHistogram::BinEdge(nBin);
        const double dHigh = CHalfPeriodHistogram::BinEdge(nBin + 1);
        const double dY = YOf(nCount, dTopLog);
        canvas.Rect(XOf(dLow), dY, XOf(dHigh) - XOf(dLow), kBottom - dY,
                    std::string("bar ") + HalfPeriodClass(std::sqrt(dLow * dHigh), bounds),
                    Join({Micros(dLow), " to ", Micros(dHigh), ": ", std::to_string(nCount)}));
    }

    // The boundaries, labelled above the plot.
    struct SBound {
        double m_dX;
        double m_dSeconds;
        const char* m_szName;
    };
    const SBound kBounds[] = {{dShortMin, bounds.m_dShortMin, "short from "},
                              {dShortMax, bounds.m_dShortMax, "long from "},
                              {dLongMax, bounds.m_dLongMax, "too long from "}};
    double dRow = kTop - 24.0;
    for (const SBound& bound : kBounds) {
        if (bound.m_dSeconds <= 0.0) {
            continue;
        }
        canvas.Line(bound.m_dX, kTop - 10.0, bound.m_dX, kBottom, "bound");
        canvas.Text(bound.m_dX + 3.0, dRow, Join({bound.m_szName, Micros(bound.m_dSeconds)}),
                    "boundlabel");
        dRow = dRow < kTop - 20.0 ? kTop - 12.0 : kTop - 24.0;
    }
}

std::string DrawHistogram(const CHalfPeriodHistogram& histogram, const SClassBounds& bounds) {
    CSvg svg("histogram", "histogram of the measured half-periods");
    PaintHistogram(svg, histogram, bounds);
    return svg.Finish();
}
