// The recording source: opening, buffered reading, frames, tick clock and
// smoothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <numeric>
#include <vector>

#include "TapeReader.h"
#include "support/TestFiles.h"

namespace {

class TapeReaderTest : public ::testing::Test {
protected:
    // Writes a recording and opens the reader on it.
    int32_t OpenWav(int32_t nRate, uint8_t nFrameSize, std::span<const uint8_t> data) {
        const std::string strPath = m_dir.File("in" + std::to_string(m_nFiles++) + ".wav");
        WriteBytes(strPath, MakeWav(nRate, nFrameSize, data));
        return m_reader.Open(strPath);
    }

    std::vector<int32_t> Ticks(int nCount) {
        std::vector<int32_t> ticks;
        for (int k = 0; k < nCount; ++k) {
            ticks.push_back(m_reader.NextTick());
        }
        return ticks;
    }

    CTempDir m_dir;
    CTapeReader m_reader;
    int m_nFiles = 0;
};

TEST_F(TapeReaderTest, ConstructionAndOpenSetTheDocumentedState) {
    EXPECT_EQ(m_reader.m_nFrameSize, 1);
    EXPECT_EQ(m_reader.m_nHeld, 0);
    EXPECT_EQ(m_reader.m_pFile, nullptr);
    EXPECT_TRUE(m_reader.m_strOpenPath.empty());

    const std::vector<uint8_t> data = {1, 2, 3};
    ASSERT_EQ(OpenWav(22050, 2, data), 1);
    EXPECT_EQ(m_reader.m_nRate, 22050);
    EXPECT_EQ(m_reader.m_nFrameSize, 2);
    EXPECT_EQ(m_reader.m_nPhase, 0);
    EXPECT_EQ(m_reader.m_bEnd, 0);
    EXPECT_EQ(m_reader.m_nPos, 46);
    EXPECT_EQ(m_reader.m_nCount, 49);
}

TEST_F(TapeReaderTest, FirstSmoothedValueIsFirstSampleOverFour) {
    const std::vector<uint8_t> data = {203, 100, 7, 9, 255};
    ASSERT_EQ(OpenWav(44100, 1, data), 1);
    EXPECT_EQ(m_reader.NextSmoothed(), 203 / 4);
    EXPECT_EQ(m_reader.NextSmoothed(), (203 + 100) / 4);
    EXPECT_EQ(m_reader.NextSmoothed(), (203 + 100 + 7) / 4);
    EXPECT_EQ(m_reader.NextSmoothed(), (203 + 100 + 7 + 9) / 4);
    EXPECT_EQ(m_reader.NextSmoothed(), (100 + 7 + 9 + 255) / 4);
}

TEST_F(TapeReaderTest, HistoryAndHeldValueSurviveTheNextOpen) {
    const std::vector<uint8_t> first = {40, 80, 120, 160};
    ASSERT_EQ(OpenWav(44100, 1, first), 1);
    for (int k = 0; k < 4; ++k) {
        m_reader.NextSmoothed();
    }
    const std::vector<uint8_t> second = {200};
    ASSERT_EQ(OpenWav(44100, 1, second), 1);
    EXPECT_EQ(m_reader.m_nHeld, 160);
    EXPECT_EQ(m_reader.NextSmoothed(), (80 + 120 + 160 + 200) / 4);
}

TEST_F(TapeReaderTest, FrameSizesKeepTheRightByte) {
    struct SCase {
        uint8_t nFrameSize;
        std::vector<uint8_t> data;
        std::vector<int32_t> expected;
    };
    const std::vector<SCase> cases = {
        {1, {10, 20, 30}, {10, 20, 30}},
        {2, {0xFF, 0xFF, 0x01, 0x00, 0x34, 0x12}, {0xFF, 0x00, 0x12}},  // -1, +1, 0x1234
        {3, {1, 2, 3, 4, 5, 6}, {3, 6}},
        {4, {1, 2, 3, 4, 5, 6, 7, 8}, {4, 8}},
        {0, {9, 8, 7}, {9, 8, 7}},
        {5, {9, 8, 7}, {9, 8, 7}},
        {6, {9, 8, 7}, {9, 8, 7}},
        {255, {9, 8, 7}, {9, 8, 7}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.nFrameSize));
        ASSERT_EQ(OpenWav(44100, c.nFrameSize, c.data), 1);
        std::vector<int32_t> frames;
        for (size_t k = 0; k < c.expected.size(); ++k) {
            frames.push_back(m_reader.ReadFrame());
        }
        EXPECT_EQ(frames, c.expected);
        EXPECT_EQ(m_reader.m_bEnd, 0);
        EXPECT_EQ(m_reader.ReadFrame(), 0);
        EXPECT_EQ(m_reader.m_bEnd, 1);
    }
}

TEST_F(TapeReaderTest, SlowerFilesHoldEachFrameOnTheTickClock) {
    const std::vector<uint8_t> data = {1, 2, 3, 4};
    ASSERT_EQ(OpenWav(22050, 1, data), 1);
    EXPECT_EQ(Ticks(8), (std::vector<int32_t>{0, 1, 1, 2, 2, 3, 3, 4}));

    ASSERT_EQ(OpenWav(11025, 1, data), 1);
    // The first three ticks return the value held from the previous file.
    EXPECT_EQ(Ticks(8), (std::vector<int32_t>{4, 4, 4, 1, 1, 1, 1, 2}));
}

TEST_F(TapeReaderTest, EveryRateFollowsThePhaseRule) {
    std::vector<uint8_t> data(6000);
    std::iota(data.begin(), data.end(), uint8_t{1});
    for (const int32_t nRate : {1, 8000, 11025, 32000, 44000, 44001, 44050, 44051, 44099, 44100,
                                48000, 96000, std::numeric_limits<int32_t>::max()}) {
        SCOPED_TRACE(nRate);
        ASSERT_EQ(OpenWav(nRate, 1, data), 1);
        // A wide model of the clock: a frame whenever the phase passes
        // 44,000, one frame per tick at most.
        int64_t nPhase = 0;
        size_t nFrames = 0;
        int32_t nHeld = m_reader.m_nHeld;
        for (int nTick = 0; nTick < 5000; ++nTick) {
            nPhase += nRate;
            if (nPhase > 44000) {
                nHeld = data[nFrames++];
                nPhase -= 44100;
            }
            ASSERT_EQ(m_reader.NextTick(), nHeld) << "tick " << nTick;
        }
    }
}

TEST_F(TapeReaderTest, FastFilesReadOneFramePerTickWithoutPhaseWrap) {
    const std::vector<uint8_t> data(100, 7);
    ASSERT_EQ(OpenWav(192000, 1, data), 1);
    m_reader.m_nPhase = std::numeric_limits<int32_t>::max() - 1000;
    for (int k = 0; k < 100; ++k) {
        m_reader.NextTick();
        ASSERT_GT(m_reader.m_nPhase, 44000);
    }
    EXPECT_EQ(m_reader.m_bEnd, 0);
    m_reader.NextTick();  // frame 101 is past the end
    EXPECT_EQ(m_reader.m_bEnd, 1);
}

TEST_F(TapeReaderTest, EndOfDataIsReportedOnceTheLastByteIsUsed) {
    // Lengths around the 10,240-byte buffer, including exact multiples,
    // where a refill returns nothing.
    for (const size_t nFileBytes : {size_t{46}, size_t{47}, size_t{10239}, size_t{10240},
                                    size_t{10241}, size_t{20480}, size_t{20481}}) {
        SCOPED_TRACE(nFileBytes);
        std::vector<uint8_t> data(nFileBytes - 46);
        for (size_t k = 0; k < data.size(); ++k) {
            data[k] = static_cast<uint8_t>(k % 251 + 1);  // never 0
        }
        ASSERT_EQ(OpenWav(44100, 1, data), 1);
        for (size_t k = 0; k < data.size(); ++k) {
            ASSERT_EQ(m_reader.ReadFileByte(), data[k]) << k;
            ASSERT_EQ(m_reader.m_bEnd, 0);
        }
        EXPECT_EQ(m_reader.ReadFileByte(), 0);
        EXPECT_EQ(m_reader.m_bEnd, 1);
        EXPECT_EQ(m_reader.m_nCount, -1);
        EXPECT_EQ(m_reader.ReadFileByte(), 0);
        EXPECT_EQ(m_reader.m_bEnd, 1);
        EXPECT_FALSE(m_reader.HasReadError());
    }
}

TEST_F(TapeReaderTest, ShortFilesOpenWithTheEndAlreadyReached) {
    std::vector<uint8_t> bytes = MakeWavHeader(44100, 1);
    bytes.resize(30);  // rate present, frame size cut off
    const std::string strPath = m_dir.File("short.wav");
    WriteBytes(strPath, bytes);
    ASSERT_EQ(m_reader.Open(strPath), 1);
    EXPECT_EQ(m_reader.m_bEnd, 1);
    EXPECT_EQ(m_reader.m_nRate, 44100);
    EXPECT_EQ(m_reader.m_nFrameSize, 0);
}

TEST_F(TapeReaderTest, UnusableFilesFailToOpen) {
    const std::string strEmpty = m_dir.File("empty.wav");
    WriteBytes(strEmpty, {});
    const std::string strRateZero = m_dir.File("zero.wav");
    WriteBytes(strRateZero, MakeWav(0, 1, std::vector<uint8_t>(100, 1)));
    const std::string strRateNegative = m_dir.File("negative.wav");
    WriteBytes(strRateNegative, MakeWav(-44100, 1, std::vector<uint8_t>(100, 1)));

    for (const std::string& strPath : {m_dir.File("missing.wav"), PathUtf8(m_dir.Path()), strEmpty,
                                       strRateZero, strRateNegative}) {
        SCOPED_TRACE(strPath);
        const std::vector<uint8_t> good = {1};
        ASSERT_EQ(OpenWav(44100, 1, good), 1);
        EXPECT_EQ(m_reader.Open(strPath), 0);
        EXPECT_EQ(m_reader.m_pFile, nullptr);
        EXPECT_EQ(m_reader.m_nCount, -1);
        EXPECT_EQ(m_reader.m_strOpenPath, strPath);
    }
}

TEST_F(TapeReaderTest, PathsWithEmbeddedZeroAreRefused) {
    const std::vector<uint8_t> data = {1};
    const std::string strPath = m_dir.File("a.wav");
    WriteBytes(strPath, MakeWav(44100, 1, data));
    EXPECT_EQ(m_reader.Open(strPath + std::string(1, '\0') + "x"), 0);
}

TEST_F(TapeReaderTest, NonAsciiPathsOpen) {
    const std::vector<uint8_t> data = {1};
    const std::string strPath = m_dir.File("nahrávka žluťoučký kůň.wav");
    WriteBytes(strPath, MakeWav(44100, 1, data));
    EXPECT_EQ(m_reader.Open(strPath), 1);
}

}  // namespace
