// The canvas: a recorded picture drawn again gives the same picture, every
// class the pictures use has colours on a screen, and the tooltip at a
// point is that of the shape drawn last there.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "CanvasPalette.h"
#include "CanvasRecording.h"
#include "HistogramPlot.h"
#include "MergeStrip.h"
#include "SignalPlot.h"
#include "Svg.h"
#include "TapeLog.h"
#include "TapeMap.h"

namespace {

// A log of three blocks, one with two failed bytes, half-periods of every
// class and a snapshot of the signal around a failure.
CTapeLog MadeLog() {
    CTapeLog log;
    log.SetBounds({100e-6, 400e-6, 1.2e-3});
    const double kStarts[] = {0.5, 12.0, 12.001};
    for (const double dStart : kStarts) {
        log.BeginBlock(dStart);
        for (int k = 0; k < 300; ++k) {
            log.AddByte(static_cast<uint8_t>(k), dStart + 0.01 * (k + 1));
        }
        log.SetTiming(250e-6, 700e-6);
    }
    log.AddFailure(3.0);
    log.AddFailure(3.5);
    for (const double dSeconds : {50e-6, 250e-6, 250e-6, 700e-6, 3e-3}) {
        log.AddHalfPeriod(dSeconds);
    }
    SSignalSnapshot snapshot;
    snapshot.m_dStart = 2.995;
    snapshot.m_dStep = 1.0 / 44100.0;
    snapshot.m_dFailureAt = 3.0;
    for (int k = 0; k < 2000; ++k) {
        snapshot.m_samples.push_back(k % 20 < 10 ? 0.9f : -0.9f);
    }
    snapshot.m_crossings = {{2.996, 'S'}, {2.998, 'L'}, {3.001, 'X'}};
    log.AddSnapshot(snapshot);
    return log;
}

SMergedBlock MadeMergedBlock() {
    SMergedBlock block;
    block.m_bytes.assign(2000, 0x55);
    block.m_sources.assign(2000, 0);
    for (size_t k = 0; k < 2000; ++k) {
        block.m_sources[k] = static_cast<uint8_t>(k / 300 % 7);
    }
    block.m_fromTake.assign(7, 1);
    block.m_disagreements = {10, 11, 900};
    block.m_missing = {{500, 3}};
    block.m_nMissing = 3;
    return block;
}

struct SPicture {
    const char* m_szName;
    std::function<void(CCanvas&)> m_paint;
};

std::vector<SPicture> Pictures(const CTapeLog& log, const SMergedBlock& block) {
    const std::vector<std::string> names = {"PROGRAM1", "", "<&>"};
    return {
        {"map",
         [&log, names](CCanvas& c) { PaintTapeMap(c, LayOutTapeMap(log, 20.0), log, names); }},
        {"histogram", [&log](CCanvas& c) { PaintHistogram(c, log.Histogram(), log.Bounds()); }},
        {"signal", [&log](CCanvas& c) { PaintSnapshot(c, log.Snapshots().at(0)); }},
        {"strip", [&block](CCanvas& c) { PaintMergeStrip(c, LayOutMergeStrip(block)); }},
    };
}

TEST(CanvasTest, ARecordedPictureDrawnAgainIsTheSamePicture) {
    const CTapeLog log = MadeLog();
    const SMergedBlock block = MadeMergedBlock();
    for (const SPicture& picture : Pictures(log, block)) {
        SCOPED_TRACE(picture.m_szName);
        CSvg direct("c", "l");
        picture.m_paint(direct);
        CCanvasRecording recording;
        picture.m_paint(recording);
        EXPECT_GT(recording.View().m_nWidth, 0);
        EXPECT_GT(recording.Shapes().size(), 5u);
        CSvg again("c", "l");
        recording.Replay(again);
        EXPECT_EQ(again.Finish(), direct.Finish());
    }
}

TEST(CanvasTest, EveryClassThePicturesUseIsPaintedOnAScreen) {
    const CTapeLog log = MadeLog();
    const SMergedBlock block = MadeMergedBlock();
    std::set<std::string> used;
    for (const SPicture& picture : Pictures(log, block)) {
        CCanvasRecording recording;
        picture.m_paint(recording);
        for (const SCanvasShape& shape : recording.Shapes()) {
            used.insert(shape.m_strClass);
            const SCanvasPaint paint = CanvasPaint(shape.m_strClass);
            ASSERT_TRUE(paint.m_bKnown) << shape.m_strClass;
            switch (shape.m_eKind) {
                case SCanvasShape::EKind::kRect:
                    EXPECT_GT(paint.m_fill.m_nAlpha, 0) << shape.m_strClass;
                    break;
                case SCanvasShape::EKind::kText:
                    EXPECT_GT(paint.m_fill.m_nAlpha, 0) << shape.m_strClass;
                    EXPECT_GT(paint.m_dFontSize, 0.0) << shape.m_strClass;
                    break;
                default:
                    EXPECT_GT(paint.m_stroke.m_nAlpha, 0) << shape.m_strClass;
                    EXPECT_GT(paint.m_dStrokeWidth, 0.0) << shape.m_strClass;
            }
        }
    }
    // Every take colour, failed blocks, and each class of the signal's marks.
    for (const char* szClass : {"take t5", "block failed", "mark toolong", "letter long",
                                "bar noise", "bar toolong", "fail", "missing", "disagree"}) {
        EXPECT_EQ(used.count(szClass), 1u) << szClass;
    }
    EXPECT_FALSE(CanvasPaint("block unknown").m_bKnown);
}

TEST(CanvasTest, TheTooltipAtAPointIsThatOfTheLastShapeDrawnThere) {
    CCanvasRecording recording;
    recording.Rect(10, 10, 100, 20, "track", "the track");
    recording.Rect(50, 10, 10, 20, "block", "a block");
    recording.Line(200, 0, 200, 40, "fail", "a failure");
    recording.Text(55, 20, "text is no tooltip", "label");
    recording.Rect(300, 0, 10, 10, "block");  // without a tooltip
    struct SCase {
        double m_dX;
        double m_dY;
        const char* m_szTitle;
    } const kCases[] = {
        {20, 20, "the track"},  {55, 20, "a block"}, {60, 30, "a block"}, {200, 20, "a failure"},
        {201, 41, "a failure"}, {204, 20, ""},       {305, 5, ""},        {5, 20, ""},
        {111, 31, "the track"}, {200, -2.5, ""},
    };
    for (const SCase& c : kCases) {
        EXPECT_EQ(recording.TitleAt(c.m_dX, c.m_dY, 2.0), c.m_szTitle) << c.m_dX << "," << c.m_dY;
    }
    recording.Clear();
    EXPECT_TRUE(recording.Empty());
    EXPECT_EQ(recording.TitleAt(20, 20, 2.0), "");
}

}  // namespace
