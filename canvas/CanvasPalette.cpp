#include "CanvasPalette.h"

#include <array>

namespace {

constexpr SCanvasColour Rgb(uint32_t nRgb, double dOpacity = 1.0) {
    return {static_cast<uint8_t>(nRgb >> 16), static_cast<uint8_t>(nRgb >> 8),
            static_cast<uint8_t>(nRgb), static_cast<uint8_t>(dOpacity * 255.0 + 0.5)};
}

constexpr uint32_t kInk = 0x1d2733;
constexpr uint32_t kMuted = 0x5b6776;
constexpr uint32_t kBlock = 0x3f74b8;
constexpr uint32_t kFail = 0xd33c2f;
constexpr uint32_t kShort = 0x1f9a8a;
constexpr uint32_t kLong = 0xe39a26;
constexpr uint32_t kNoise = 0x9aa5b1;

struct SEntry {
    std::string_view m_strClass;
    SCanvasPaint m_paint;
};

constexpr SCanvasPaint Fill(SCanvasColour colour) {
    return {true, colour, {}, 0, 0, 0, 0, false};
}
constexpr SCanvasPaint Stroke(SCanvasColour colour, double dWidth, double dDash = 0.0,
                              double dGap = 0.0) {
    return {true, {}, colour, dWidth, dDash, dGap, 0.0, false};
}
constexpr SCanvasPaint Font(SCanvasColour colour, double dSize, bool bBold = false) {
    return {true, colour, {}, 0, 0, 0, dSize, bBold};
}

constexpr std::array kEntries = {
    // the map
    SEntry{"track", Fill(Rgb(0xeef1f5))},
    SEntry{"block", Fill(Rgb(kBlock))},
    SEntry{"block failed", Fill(Rgb(0x5a86c2))},
    SEntry{"block many", Fill(Rgb(0x8aa9d3))},
    SEntry{"lead", Stroke(Rgb(0xaab4c0), 1.0)},
    SEntry{"label", Font(Rgb(kInk), 11.0)},
    SEntry{"fail", Stroke(Rgb(kFail), 2.0)},
    SEntry{"failline", Stroke(Rgb(kFail, 0.7), 1.0)},
    SEntry{"axis", Stroke(Rgb(0x7b8794), 1.0)},
    SEntry{"grid", Stroke(Rgb(0xe6eaef), 1.0)},
    SEntry{"tick", Font(Rgb(kMuted), 11.0)},
    SEntry{"axistitle", Font(Rgb(kMuted), 12.0)},
    // the histogram
    SEntry{"band short", Fill(Rgb(kShort, 0.08))},
    SEntry{"band long", Fill(Rgb(kLong, 0.1))},
    SEntry{"bar noise", Fill(Rgb(kNoise))},
    SEntry{"bar short", Fill(Rgb(kShort))},
    SEntry{"bar long", Fill(Rgb(kLong))},
    SEntry{"bar toolong", Fill(Rgb(kFail))},
    SEntry{"bound", Stroke(Rgb(kInk), 1.0, 4.0, 3.0)},
    SEntry{"boundlabel", Font(Rgb(kInk), 11.0)},
    // the signal
    SEntry{"plotarea", Fill(Rgb(0xfafbfc))},
    SEntry{"midpoint", Stroke(Rgb(0xaab4c0), 1.0, 3.0, 3.0)},
    SEntry{"trace", Stroke(Rgb(kBlock), 1.2)},
    SEntry{"mark short", Stroke(Rgb(kShort), 2.0)},
    SEntry{"mark long", Stroke(Rgb(kLong), 2.0)},
    SEntry{"mark toolong", Stroke(Rgb(kFail), 2.0)},
    SEntry{"letter short", Font(Rgb(kShort), 9.0, true)},
    SEntry{"letter long", Font(Rgb(0xb87400), 9.0, true)},
    SEntry{"letter toolong", Font(Rgb(kFail), 9.0, true)},
    SEntry{"failure", Stroke(Rgb(kFail), 1.5, 5.0, 3.0)},
    SEntry{"tick failtext", Font(Rgb(kFail), 11.0)},
    // the merge strips
    SEntry{"take t0", Fill(Rgb(kBlock))},
    SEntry{"take t1", Fill(Rgb(kLong))},
    SEntry{"take t2", Fill(Rgb(kShort))},
    SEntry{"take t3", Fill(Rgb(0x8e5bb8))},
    SEntry{"take t4", Fill(Rgb(0x6b7f2a))},
    SEntry{"take t5", Fill(Rgb(0xc2568a))},
    SEntry{"disagree", Stroke(Rgb(kInk), 2.0)},
    SEntry{"missing", Stroke(Rgb(kFail), 2.0)},
};

}  // namespace

SCanvasPaint CanvasPaint(std::string_view strClass) {
    for (const SEntry& entry : kEntries) {
        if (entry.m_strClass == strClass) {
            return entry.m_paint;
        }
    }
    return {};
}
