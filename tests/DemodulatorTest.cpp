// The half-period demodulator on tick-exact signals.
#include <gtest/gtest.h>

#include <vector>

#include "TapeReader.h"
#include "support/TestFiles.h"
#include "support/TickSignal.h"

namespace {

constexpr int32_t kShort = CTickSignal::kShort;
constexpr int32_t kLong = CTickSignal::kLong;

class DemodulatorTest : public ::testing::Test {
protected:
    void Open(const CTickSignal& signal) {
        const std::string strPath = m_dir.File("in.wav");
        WriteBytes(strPath, MakeWav(44100, 1, signal.Samples()));
        ASSERT_EQ(m_reader.Open(strPath), 1);
    }

    std::vector<int32_t> Scores(int nCount) {
        std::vector<int32_t> scores;
        for (int k = 0; k < nCount; ++k) {
            scores.push_back(m_reader.MeasureHalfPeriod());
        }
        return scores;
    }

    CTempDir m_dir;
    CTapeReader m_reader;
};

TEST_F(DemodulatorTest, SquareWaveScoresShowTheSmoothingDelay) {
    CTickSignal signal;
    for (int k = 0; k < 50; ++k) {
        signal.Hold(CTickSignal::kLow, 10).Hold(CTickSignal::kHigh, 10);
    }
    Open(signal);
    EXPECT_EQ(Scores(5), (std::vector<int32_t>{33, 37, 35, 37, 35}));
}

TEST_F(DemodulatorTest, ConstantSignalsNeverCross) {
    CTickSignal low;
    low.Hold(100, 500);
    Open(low);
    EXPECT_EQ(Scores(3), (std::vector<int32_t>{0, 0, 0}));
    EXPECT_EQ(m_reader.WaitStartMark(), 1);
    EXPECT_EQ(m_reader.FindLeader(), 0);
    EXPECT_EQ(m_reader.m_bEnd, 1);

    CTapeReader fresh;
    CTickSignal high;
    high.Hold(200, 500);
    const std::string strPath = m_dir.File("high.wav");
    WriteBytes(strPath, MakeWav(44100, 1, high.Samples()));
    ASSERT_EQ(fresh.Open(strPath), 1);
    EXPECT_EQ(fresh.MeasureHalfPeriod(), 43);  // crosses while the zero history fills
    EXPECT_EQ(fresh.MeasureHalfPeriod(), 0);
}

TEST_F(DemodulatorTest, ScoresAtTheClassBoundaries) {
    CTickSignal signal;
    signal.Halves(kShort, 10);
    for (const int32_t nSpacing : {26, 27, 41, 42, 45, 46, 6, 5}) {
        signal.Half(nSpacing);
    }
    signal.Halves(kShort, 2);
    Open(signal);
    Scores(10);  // the start and the short ones
    // Score = 46 - spacing: 20 is short, 19 long, 5 long, 4 too long;
    // 45 ticks score 1, 46 or more 0.
    EXPECT_EQ(Scores(8), (std::vector<int32_t>{20, 19, 5, 4, 1, 0, 40, 41}));
}

TEST_F(DemodulatorTest, LeaderNeedsEightyInRangeHalfPeriods) {
    struct SCase {
        int32_t nBefore;
        int32_t nOdd;  // one odd half-period after nBefore short ones
        int32_t nAfter;
        int32_t nExpected;
    };
    const std::vector<SCase> cases = {
        {81, 0, 0, 1},    // the 80th ends at the 81st's start
        {80, 0, 0, 0},    // the 80th never ends
        {40, 41, 40, 1},  // score 5: in range
        {40, 6, 40, 1},   // score 40: in range
        {40, 42, 40, 0},  // score 4: restarts the count ...
        {40, 42, 80, 1},  // ... counting itself as the first of 80
        {40, 5, 79, 0},   // score 41: out of range
        {40, 5, 80, 1},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nBefore << "/" << c.nOdd << "/" << c.nAfter);
        CTickSignal signal;
        signal.Halves(kShort, c.nBefore);
        if (c.nOdd != 0) {
            signal.Half(c.nOdd).Halves(kShort, c.nAfter);
        }
        Open(signal);
        EXPECT_EQ(m_reader.FindLeader(), c.nExpected);
        EXPECT_EQ(m_reader.m_bEnd, 1 - c.nExpected);
    }
}

TEST_F(DemodulatorTest, EveryByteValueComesBack) {
    CTickSignal signal;
    signal.Halves(kShort, 200);
    for (int n = 0; n < 256; ++n) {
        signal.Byte(static_cast<uint8_t>(n));
        signal.Halves(kShort, n % 4);  // short ones between bytes are skipped
    }
    signal.Halves(kShort, 3);
    Open(signal);
    ASSERT_EQ(m_reader.FindLeader(), 1);
    for (int n = 0; n < 256; ++n) {
        ASSERT_EQ(m_reader.ReadDataByte(), n);
    }
    EXPECT_EQ(m_reader.ReadDataByte(), -1);
    EXPECT_EQ(m_reader.m_bEnd, 1);
}

TEST_F(DemodulatorTest, AllLongBitsGiveHexFiftyFiveAndConsumeTheClosingMark) {
    CTickSignal signal;
    signal.Halves(kShort, 100).Halves(kLong, 1 + 8 + 1).Halves(kShort, 5);
    Open(signal);
    ASSERT_EQ(m_reader.FindLeader(), 1);
    EXPECT_EQ(m_reader.ReadDataByte(), 0x55);
    EXPECT_EQ(m_reader.MeasureHalfPeriod(), 46 - kShort);
}

TEST_F(DemodulatorTest, ShortPairsGiveZeroAfterSkippingToTheClosingMark) {
    CTickSignal signal;
    signal.Halves(kShort, 100).Half(kLong).Halves(kShort, 16 + 7).Half(kLong).Halves(kShort, 3);
    Open(signal);
    ASSERT_EQ(m_reader.FindLeader(), 1);
    EXPECT_EQ(m_reader.ReadDataByte(), 0x00);
    EXPECT_EQ(m_reader.MeasureHalfPeriod(), 46 - kShort);
}

TEST_F(DemodulatorTest, TooLongHalfPeriodsFailTheByteAtOnce) {
    // As a bit of its own (score 4), and as the second half of a short pair
    // (score 4); the second half of a pair may be long (score 5).
    struct SCase {
        std::vector<int32_t> bits;
        int32_t nExpected;
    };
    const std::vector<SCase> cases = {
        {{42}, -1},
        {{kShort, 42}, -1},
        {{kShort, 41, kLong, kShort, kShort, kShort, kShort, kShort, kShort, kShort, kShort, kShort,
          kShort, kShort, kShort},
         0xFE},
    };
    for (const SCase& c : cases) {
        CTickSignal signal;
        signal.Halves(kShort, 100).Half(kLong);
        for (const int32_t nSpacing : c.bits) {
            signal.Half(nSpacing);
        }
        signal.Half(kLong).Halves(kShort, 3);
        Open(signal);
        ASSERT_EQ(m_reader.FindLeader(), 1);
        EXPECT_EQ(m_reader.ReadDataByte(), c.nExpected);
        if (c.nExpected < 0) {
            // Nothing after the failing half-period was taken.
            EXPECT_EQ(m_reader.MeasureHalfPeriod(), 46 - kLong);
        }
    }
}

TEST_F(DemodulatorTest, EndOfDataInsideAByte) {
    // 0xFF: one long half-period, then kept level 0x80; cut after bit 3 the
    // remaining bits keep the level and the byte still comes through.
    CTickSignal high;
    high.Halves(kShort, 100).Half(kLong).Half(kLong).Halves(kShort, 6).Hold(CTickSignal::kLow, 4);
    Open(high);
    ASSERT_EQ(m_reader.FindLeader(), 1);
    EXPECT_EQ(m_reader.ReadDataByte(), 0xFF);
    EXPECT_EQ(m_reader.m_bEnd, 1);

    // 0x01 ends at level 0: without the closing crossing it is lost.
    CTickSignal low;
    low.Halves(kShort, 100).Halves(kLong, 3).Halves(kShort, 12).Hold(CTickSignal::kHigh, 20);
    Open(low);
    ASSERT_EQ(m_reader.FindLeader(), 1);
    EXPECT_EQ(m_reader.ReadDataByte(), -1);

    // 0x80 ends at level 0x80: needs no closing half-period.
    CTickSignal last;
    last.Halves(kShort, 100).Byte(0x80);
    last.Hold(last.Samples().back() >= 128 ? CTickSignal::kLow : CTickSignal::kHigh, 3);
    Open(last);
    ASSERT_EQ(m_reader.FindLeader(), 1);
    EXPECT_EQ(m_reader.ReadDataByte(), 0x80);
}

TEST_F(DemodulatorTest, EveryOperationReturnsPromptlyAtTheEnd) {
    CTickSignal signal;
    signal.Halves(kShort, 5);
    Open(signal);
    EXPECT_EQ(m_reader.FindLeader(), 0);
    EXPECT_EQ(m_reader.MeasureHalfPeriod(), 44);
    EXPECT_EQ(m_reader.WaitStartMark(), 0);
    EXPECT_EQ(m_reader.ReadDataByte(), -1);
}

}  // namespace
