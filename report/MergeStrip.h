// The strip of a merged block: its bytes from left to right, coloured by
// the take that gave them, with a mark above where the takes disagreed and
// one below where bytes are missing. Bytes are binned to the picture's
// columns, so its size has a bound however long the block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Canvas.h"
#include "MergedBlock.h"

// Columns [m_nFirstColumn, m_nEndColumn) whose bytes came mostly from
// take m_nTake; merged bytes [m_nFirstByte, m_nEndByte).
struct SStripSpan {
    size_t m_nFirstColumn = 0;
    size_t m_nEndColumn = 0;
    uint32_t m_nFirstByte = 0;
    uint32_t m_nEndByte = 0;
    uint8_t m_nTake = 0;
};

// m_nCount disagreements (or missing bytes) in one column, the first at
// merged byte m_nFirstByte.
struct SStripMark {
    size_t m_nColumn = 0;
    uint32_t m_nCount = 0;
    uint32_t m_nFirstByte = 0;
};

struct SMergeStrip {
    size_t m_nColumns = 0;  // one per byte, at most kStripColumns
    std::vector<SStripSpan> m_spans;
    std::vector<SStripMark> m_disagreements;
    std::vector<SStripMark> m_missing;
};

namespace MergeStripGeometry {
inline constexpr int kWidth = 1000;
inline constexpr int kHeight = 40;
inline constexpr double kLeft = 14.0;
inline constexpr double kRight = 986.0;
inline constexpr size_t kStripColumns = 486;  // two units each
inline constexpr size_t kTakeColours = 6;     // take classes t0..t5, in turn
}  // namespace MergeStripGeometry

// The column of merged byte nByte of a block of nBytes bytes (a place after
// the last byte is in the last column).
size_t StripColumn(uint32_t nByte, size_t nBytes, size_t nColumns);
SMergeStrip LayOutMergeStrip(const SMergedBlock& block);
void PaintMergeStrip(CCanvas& canvas, const SMergeStrip& strip);
// The strip as an <svg> element; strName: the block's name as shown, for
// the picture's label.
std::string DrawMergeStrip(const SMergeStrip& strip, const std::string& strName);
