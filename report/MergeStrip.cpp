#include "MergeStrip.h"

#include <algorithm>

#include "Svg.h"
#include "TextJoin.h"

using namespace MergeStripGeometry;

namespace {

constexpr double kMarkTop = 2.0;
constexpr double kBarTop = 12.0;
constexpr double kBarBottom = 28.0;
constexpr double kMarkBottom = 38.0;

double XOf(size_t nColumn, size_t nColumns) {
    return kLeft + (kRight - kLeft) * static_cast<double>(nColumn) / static_cast<double>(nColumns);
}

// Adds nCount at the column of nByte to marks, which grow in column order.
void AddMark(std::vector<SStripMark>& marks, size_t nColumn, uint32_t nByte, uint32_t nCount) {
    if (!marks.empty() && marks.back().m_nColumn == nColumn) {
        marks.back().m_nCount += nCount;
        marks.back().m_nFirstByte = std::min(marks.back().m_nFirstByte, nByte);
        return;
    }
    marks.push_back({nColumn, nCount, nByte});
}

std::string MarkTitle(const SStripMark& mark, const char* szOne, const char* szMany) {
    return mark.m_nCount == 1 ? Join({szOne, " at byte ", std::to_string(mark.m_nFirstByte + 1)})
                              : Join({std::to_string(mark.m_nCount), " ", szMany, " from byte ",
                                      std::to_string(mark.m_nFirstByte + 1)});
}

}  // namespace

size_t StripColumn(uint32_t nByte, size_t nBytes, size_t nColumns) {
    if (nBytes == 0 || nColumns == 0) {
        return 0;
    }
    const uint64_t nColumn = static_cast<uint64_t>(nByte) * nColumns / nBytes;
    return std::min(static_cast<size_t>(nColumn), nColumns - 1);
}

SMergeStrip LayOutMergeStrip(const SMergedBlock& block) {
    SMergeStrip strip;
    const size_t nBytes = block.m_bytes.size();
    strip.m_nColumns = std::min(nBytes, kStripColumns);
    if (strip.m_nColumns == 0) {
        strip.m_nColumns = 1;
    }
    // Each column goes to the take that gave most of its bytes; equal
    // neighbours join into one span.
    std::vector<uint32_t> counts;
    uint32_t nByte = 0;
    for (size_t c = 0; c < strip.m_nColumns && nBytes > 0; ++c) {
        const auto nEnd = static_cast<uint32_t>((c + 1) * nBytes / strip.m_nColumns);
        counts.assign(block.m_fromTake.size() + 1, 0);
        const uint32_t nFirst = nByte;
        for (; nByte < nEnd; ++nByte) {
            const uint8_t nTake = nByte < block.m_sources.size() ? block.m_sources[nByte] : 0;
            if (nTake >= counts.size()) {
                counts.resize(nTake + 1u, 0);
            }
            ++counts[nTake];
        }
        const auto nTake =
            static_cast<uint8_t>(std::max_element(counts.begin(), counts.end()) - counts.begin());
        if (!strip.m_spans.empty() && strip.m_spans.back().m_nTake == nTake) {
            strip.m_spans.back().m_nEndColumn = c + 1;
            strip.m_spans.back().m_nEndByte = nEnd;
        } else {
            strip.m_spans.push_back({c, c + 1, nFirst, nEnd, nTake});
        }
    }
    // Both lists are in the order of the merged bytes.
    for (const uint32_t nAt : block.m_disagreements) {
        AddMark(strip.m_disagreements, StripColumn(nAt, nBytes, strip.m_nColumns), nAt, 1);
    }
    for (const SMissingRun& run : block.m_missing) {
        AddMark(strip.m_missing, StripColumn(run.m_nBefore, nBytes, strip.m_nColumns),
                run.m_nBefore, run.m_nCount);
    }
    return strip;
}

void PaintMergeStrip(CCanvas& canvas, const SMergeStrip& strip) {
    canvas.SetView({kWidth, kHeight, 0});
    canvas.Rect(kLeft, kBarTop, kRight - kLeft, kBarBottom - kBarTop, "track");
    for (const SStripSpan& span : strip.m_spans) {
        const double dX0 = XOf(span.m_nFirstColumn, strip.m_nColumns);
        const double dX1 = XOf(span.m_nEndColumn, strip.m_nColumns);
        canvas.Rect(dX0, kBarTop, dX1 - dX0, kBarBottom - kBarTop,
                    Join({"take t", std::to_string(span.m_nTake % kTakeColours)}),
                    Join({"bytes ", std::to_string(span.m_nFirstByte + 1), " to ",
                          std::to_string(span.m_nEndByte), ": mostly from take ",
                          std::to_string(span.m_nTake + 1)}));
    }
    const double dHalf = (kRight - kLeft) / static_cast<double>(strip.m_nColumns) / 2.0;
    for (const SStripMark& mark : strip.m_disagreements) {
        const double dX = XOf(mark.m_nColumn, strip.m_nColumns) + dHalf;
        canvas.Line(dX, kMarkTop, dX, kBarTop - 1.0, "disagree",
                    MarkTitle(mark, "a disagreement", "disagreements"));
    }
    for (const SStripMark& mark : strip.m_missing) {
        const double dX = XOf(mark.m_nColumn, strip.m_nColumns) + dHalf;
        canvas.Line(dX, kBarBottom + 1.0, dX, kMarkBottom, "missing",
                    MarkTitle(mark, "a missing byte", "missing bytes"));
    }
}

std::string DrawMergeStrip(const SMergeStrip& strip, const std::string& strName) {
    CSvg svg("strip", Join({"where the bytes of ", strName,
                            " came from, with disagreements and missing bytes"}));
    PaintMergeStrip(svg, strip);
    return svg.Finish();
}
