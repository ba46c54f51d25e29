// The map of a whole recording: a time axis, every block as a bar with its
// record name and byte count where there is room, and a mark at every
// failed byte. Blocks and marks are binned to the picture's columns, so
// its size has a bound however long the recording.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "Canvas.h"
#include "TapeLog.h"

struct SMapBar {
    double m_dX0 = 0.0;  // user units
    double m_dX1 = 0.0;
    size_t m_nFirst = 0;  // the first block drawn by this bar
    size_t m_nCount = 0;  // blocks drawn by it (more than one when they are too narrow)
};

struct SMapMark {
    double m_dX = 0.0;
    uint32_t m_nCount = 0;  // failed bytes in this column
    double m_dFirstAt = 0.0;
};

struct STapeMap {
    double m_dSeconds = 0.0;  // the length that the axis spans
    std::vector<SMapBar> m_bars;
    std::vector<SMapMark> m_marks;
};

namespace TapeMapGeometry {
inline constexpr int kWidth = 1000;
inline constexpr int kHeight = 156;
inline constexpr double kLeft = 14.0;
inline constexpr double kRight = 986.0;
}  // namespace TapeMapGeometry

// dSeconds: the recording's length, 0 when unknown (the log then sets it).
STapeMap LayOutTapeMap(const CTapeLog& log, double dSeconds);
// The same from the blocks and failed bytes found so far (a map that fills
// in while a recording is decoded).
STapeMap LayOutTapeMap(std::span<const STapeBlock> blocks, std::span<const STapeFailure> failures,
                       double dSeconds);
// names: each block's record name as shown, one per block of the log.
void PaintTapeMap(CCanvas& canvas, const STapeMap& map, const CTapeLog& log,
                  const std::vector<std::string>& names);
void PaintTapeMap(CCanvas& canvas, const STapeMap& map, std::span<const STapeBlock> blocks,
                  const std::vector<std::string>& names);
// The map as an <svg> element.
std::string DrawTapeMap(const STapeMap& map, const CTapeLog& log,
                        const std::vector<std::string>& names);
