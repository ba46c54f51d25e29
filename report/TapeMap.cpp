#include "TapeMap.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "Svg.h"
#include "TapeTime.h"
#include "TextJoin.h"

using namespace TapeMapGeometry;

namespace {

constexpr double kBarTop = 84.0;
constexpr double kBarBottom = 108.0;
constexpr double kMarkTop = 111.0;
constexpr double kMarkBottom = 123.0;
constexpr double kAxis = 128.0;
constexpr std::array<double, 3> kLabelRows = {74.0, 58.0, 42.0};  // baselines
constexpr double kCharWidth = 6.4;                                // of the labels' font, roughly
constexpr double kMinBar = 1.0;  // narrower blocks are drawn this wide

double XOf(double dSeconds, double dSpan) {
    return kLeft + (kRight - kLeft) * std::clamp(dSeconds / dSpan, 0.0, 1.0);
}

size_t CodePoints(const std::string& str) {
    return static_cast<size_t>(std::count_if(str.begin(), str.end(), [](char ch) {
        return (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    }));
}

// A step of the time axis that gives at most ten ticks.
double AxisStep(double dSpan) {
    for (const double dStep :
         {0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 15.0, 30.0, 60.0, 120.0, 300.0, 600.0, 900.0}) {
        if (dSpan / dStep <= 10.0) {
            return dStep;
        }
    }
    return 60.0 * 30.0 * std::ceil(dSpan / (10.0 * 60.0 * 30.0));
}

std::string AxisLabel(double dSeconds, double dStep) {
    const std::string str = FormatTapeTime(dSeconds);
    return dStep >= 1.0 ? str.substr(0, str.size() - 4) : str;
}

std::string BlockTitle(const STapeBlock& block, size_t nIndex, const std::string& strName) {
    std::string str = Join({"block ", std::to_string(nIndex + 1)});
    if (!strName.empty()) {
        str += Join({" \xE2\x80\x9C", strName, "\xE2\x80\x9D"});
    }
    str += Join({": ", std::to_string(block.m_nBytes), " bytes, ", FormatTapeTime(block.m_dStart),
                 " to ", FormatTapeTime(block.m_dEnd)});
    if (block.m_nFailures > 0) {
        str += Join({", ", std::to_string(block.m_nFailures), " failed"});
    }
    return str;
}

}  // namespace

STapeMap LayOutTapeMap(const CTapeLog& log, double dSeconds) {
    return LayOutTapeMap(log.Blocks(), log.Failures(), dSeconds);
}

STapeMap LayOutTapeMap(std::span<const STapeBlock> blocks, std::span<const STapeFailure> failures,
                       double dSeconds) {
    STapeMap map;
    double dSpan = dSeconds;
    for (const STapeBlock& block : blocks) {
        dSpan = std::max(dSpan, block.m_dEnd);
    }
    for (const STapeFailure& failure : failures) {
        dSpan = std::max(dSpan, failure.m_dAt);
    }
    map.m_dSeconds = dSpan > 0.0 ? dSpan : 1.0;

    for (size_t k = 0; k < blocks.size(); ++k) {
        const double dX0 = XOf(blocks[k].m_dStart, map.m_dSeconds);
        const double dX1 = std::max(XOf(blocks[k].m_dEnd, map.m_dSeconds), dX0 + kMinBar);
        // A block that would be drawn over the bar before joins it.
        if (!map.m_bars.empty() && dX0 < map.m_bars.back().m_dX1 &&
            (dX1 - dX0 <= kMinBar ||
             map.m_bars.back().m_dX1 - map.m_bars.back().m_dX0 <= kMinBar)) {
            SMapBar& bar = map.m_bars.back();
            bar.m_dX1 = std::max(bar.m_dX1, dX1);
            ++bar.m_nCount;
            continue;
        }
        map.m_bars.push_back({dX0, dX1, k, 1});
    }

    // One mark per column of one unit.
    const auto nColumns = static_cast<size_t>(kRight - kLeft) + 1;
    std::vector<uint32_t> counts(nColumns, 0);
    std::vector<double> firstAt(nColumns, 0.0);
    for (const STapeFailure& failure : failures) {
        const auto nColumn = static_cast<size_t>(XOf(failure.m_dAt, map.m_dSeconds) - kLeft);
        if (counts[nColumn]++ == 0 || failure.m_dAt < firstAt[nColumn]) {
            firstAt[nColumn] = failure.m_dAt;
        }
    }
    for (size_t c = 0; c < nColumns; ++c) {
        if (counts[c] > 0) {
            map.m_marks.push_back({kLeft + static_cast<double>(c) + 0.5, counts[c], firstAt[c]});
        }
    }
    return map;
}

void PaintTapeMap(CCanvas& canvas, const STapeMap& map, const CTapeLog& log,
                  const std::vector<std::string>& names) {
    PaintTapeMap(canvas, map, log.Blocks(), names);
}

void PaintTapeMap(CCanvas& canvas, const STapeMap& map, std::span<const STapeBlock> blocks,
                  const std::vector<std::string>& names) {
    canvas.Rect(kLeft, kBarTop, kRight - kLeft, kBarBottom - kBarTop, "track");

    std::array<double, kLabelRows.size()> rowEnds;
    rowEnds.fill(-1e9);
    size_t nRows = 0;  // label rows in use
    for (const SMapBar& bar : map.m_bars) {
        const STapeBlock& block = blocks[bar.m_nFirst];
        const std::string& strName = bar.m_nFirst < names.size() ? names[bar.m_nFirst] : "";
        if (bar.m_nCount > 1) {
            canvas.Rect(bar.m_dX0, kBarTop, bar.m_dX1 - bar.m_dX0, kBarBottom - kBarTop,
                        "block many",
                        Join({std::to_string(bar.m_nCount), " short blocks from ",
                              FormatTapeTime(block.m_dStart)}));
            continue;
        }
        canvas.Rect(bar.m_dX0, kBarTop, bar.m_dX1 - bar.m_dX0, kBarBottom - kBarTop,
                    block.m_nFailures > 0 ? "block failed" : "block",
                    BlockTitle(block, bar.m_nFirst, strName));
        // The label goes in the lowest row where it fits.
        const std::string strLabel =
            strName.empty() ? Join({std::to_string(block.m_nBytes), " B"})
                            : Join({strName, " \xC2\xB7 ", std::to_string(block.m_nBytes), " B"});
        const double dWidth = kCharWidth * static_cast<double>(CodePoints(strLabel));
        const double dX = std::min(bar.m_dX0, kRight - dWidth);
        for (size_t r = 0; r < kLabelRows.size(); ++r) {
            if (dX >= rowEnds[r] + 8.0) {
                rowEnds[r] = dX + dWidth;
                nRows = std::max(nRows, r + 1);
                canvas.Line(bar.m_dX0 + 0.5, kLabelRows[r] + 3.0, bar.m_dX0 + 0.5, kBarTop, "lead");
                canvas.Text(dX, kLabelRows[r], strLabel, "label");
                break;
            }
        }
    }

    for (const SMapMark& mark : map.m_marks) {
        const std::string strTitle =
            mark.m_nCount == 1 ? Join({"failed byte at ", FormatTapeTime(mark.m_dFirstAt)})
                               : Join({std::to_string(mark.m_nCount), " failed bytes from ",
                                       FormatTapeTime(mark.m_dFirstAt)});
        canvas.Line(mark.m_dX, kBarTop, mark.m_dX, kBarBottom, "failline");
        canvas.Line(mark.m_dX, kMarkTop, mark.m_dX, kMarkBottom, "fail", strTitle);
    }

    canvas.Line(kLeft, kAxis, kRight, kAxis, "axis");
    const double dStep = AxisStep(map.m_dSeconds);
    for (int32_t k = 0; k * dStep <= map.m_dSeconds + 1e-9; ++k) {
        const double dAt = k * dStep;
        const double dX = XOf(dAt, map.m_dSeconds);
        canvas.Line(dX, kAxis, dX, kAxis + 5.0, "axis");
        const ETextAnchor eAnchor = dX < kLeft + 30.0    ? ETextAnchor::kStart
                                    : dX > kRight - 30.0 ? ETextAnchor::kEnd
                                                         : ETextAnchor::kMiddle;
        canvas.Text(dX, kAxis + 19.0, AxisLabel(dAt, dStep), "tick", eAnchor);
    }
    canvas.SetView(
        {kWidth, kHeight, static_cast<int>((nRows > 0 ? kLabelRows[nRows - 1] : kBarTop) - 18.0)});
}

std::string DrawTapeMap(const STapeMap& map, const CTapeLog& log,
                        const std::vector<std::string>& names) {
    CSvg svg("map", "map of the recording: blocks and failed bytes");
    PaintTapeMap(svg, map, log, names);
    return svg.Finish();
}
