// The block path of FindLeader, WaitStartMark and ReadDataByte against the
// per-tick operations: every result and the reader state after every call
// must be the same, for every kernel level this machine has.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "BlockPathSignals.h"
#include "TapeReader.h"
#include "TickKernels.h"
#include "support/ReaderPair.h"
#include "support/TestFiles.h"

namespace {

using TickKernels::ELevel;

constexpr int32_t kBufferSize = CTapeReader::kBufferSize;
constexpr int32_t kHeaderSize = CTapeReader::kHeaderSize;

class BlockPathTest : public ::testing::TestWithParam<ELevel> {
protected:
    void SetUp() override {
        if (TickKernels::SetLevel(GetParam()) != GetParam()) {
            GTEST_SKIP() << "not supported here";
        }
    }
    void TearDown() override { TickKernels::SetLevel(TickKernels::BestLevel()); }

    std::string Write(int32_t nRate, uint8_t nFrameSize, const std::vector<uint8_t>& data) {
        // Appended piece by piece: GCC 12 warns wrongly about "a" + b + "c" at -O3.
        std::string strName = "f";
        strName += std::to_string(m_nFiles++);
        strName += ".wav";
        const std::string strPath = m_dir.File(strName);
        WriteBytes(strPath, MakeWav(nRate, nFrameSize, data));
        return strPath;
    }

    // Opens both readers of a fresh pair on the file and runs the
    // conversion loop, then a second pair with random calls.
    void Compare(int32_t nRate, uint8_t nFrameSize, const std::vector<uint8_t>& data,
                 uint32_t nSeed, int32_t* pBytes = nullptr) {
        const std::string strPath = Write(nRate, nFrameSize, data);
        CReaderPair run;
        ASSERT_TRUE(run.Open(strPath));
        ASSERT_EQ(run.RunLikeConversion(), "");
        if (pBytes != nullptr) {
            *pBytes += run.Bytes();
        }
        CReaderPair random;
        ASSERT_TRUE(random.Open(strPath));
        std::mt19937 rng(nSeed);
        ASSERT_EQ(random.RunRandomCalls(rng, 1 << 20), "");
    }

    CTempDir m_dir;
    int32_t m_nFiles = 0;
};

// Rates: the slow ones hold frames for several ticks, those just below
// 44,100 Hz have an irregular hold pattern, the fast ones read a frame every
// tick with a growing (and, for the last, at once saturated) phase.
constexpr std::array<int32_t, 16> kRates = {
    1000,  2205,  8000,  11025, 22050, 32000, 44000,  44001,
    44050, 44099, 44100, 44101, 48000, 96000, 192000, std::numeric_limits<int32_t>::max()};
constexpr std::array<uint8_t, 8> kFrameSizes = {0, 1, 2, 3, 4, 5, 6, 255};

TEST_P(BlockPathTest, RecordingsInEveryFormatAndRate) {
    uint32_t nSeed = 1;
    int32_t nBytes = 0;
    for (const int32_t nRate : kRates) {
        for (const uint8_t nFrameSize : kFrameSizes) {
            SCOPED_TRACE(testing::Message()
                         << "rate " << nRate << " frame size " << int{nFrameSize});
            CFrameSignal signal(++nSeed, nRate);
            signal.SetJitter(static_cast<int32_t>(nSeed % 3) * 20, false);
            signal.Block(120, 30).BoundaryHalves(40).Block(90, 30).Noise(300).Block(100, 20);
            signal.Halves(11, 3);
            Compare(nRate, nFrameSize, signal.Data(nFrameSize), nSeed, &nBytes);
        }
    }
    // The signals are decodable, so the fast byte path was taken.
    EXPECT_GT(nBytes, 1000);
}

TEST_P(BlockPathTest, NoiseAndRandomHalfPeriods) {
    uint32_t nSeed = 100;
    for (const int32_t nRate : {44100, 22050, 44050, 48000}) {
        for (const uint8_t nFrameSize : std::array<uint8_t, 3>{1, 2, 4}) {
            SCOPED_TRACE(testing::Message()
                         << "rate " << nRate << " frame size " << int{nFrameSize});
            CFrameSignal noise(++nSeed, nRate);
            noise.Noise(30000);
            Compare(nRate, nFrameSize, noise.Data(nFrameSize), nSeed);

            CFrameSignal halves(++nSeed, nRate);
            halves.SetJitter(0, true);
            halves.RandomHalves(1, 60, 1500).Block(100, 10).RandomHalves(1, 8, 500);
            Compare(nRate, nFrameSize, halves.Data(nFrameSize), nSeed);

            // Mostly in-range lengths: long leader runs broken now and then.
            CFrameSignal leaders(++nSeed, nRate);
            leaders.RandomHalves(5, 42, 3000);
            Compare(nRate, nFrameSize, leaders.Data(nFrameSize), nSeed);
        }
    }
}

TEST_P(BlockPathTest, LengthsAroundBufferAndBlockEdges) {
    uint32_t nSeed = 200;
    CFrameSignal signal(nSeed, 44100);
    signal.Block(100, 200);
    for (const uint8_t nFrameSize : std::array<uint8_t, 4>{1, 2, 3, 4}) {
        const std::vector<uint8_t> full = signal.Data(nFrameSize);
        // File lengths just around 1-3 buffers, and data lengths around
        // multiples of a block of ticks.
        std::vector<size_t> lengths;
        for (int32_t nBuffers = 1; nBuffers <= 3; ++nBuffers) {
            for (int32_t d = -6; d <= 6; ++d) {
                lengths.push_back(static_cast<size_t>(nBuffers * kBufferSize - kHeaderSize + d));
            }
        }
        for (int32_t nBlocks = 1; nBlocks <= 4; ++nBlocks) {
            for (int32_t d = -2; d <= 2; ++d) {
                lengths.push_back(
                    static_cast<size_t>(nFrameSize * (nBlocks * CTickBlock::kMaxTicks + d)));
            }
        }
        for (const size_t nLength : lengths) {
            SCOPED_TRACE(testing::Message()
                         << "frame size " << int{nFrameSize} << " length " << nLength);
            ASSERT_LE(nLength, full.size());
            const std::vector<uint8_t> data(full.begin(),
                                            full.begin() + static_cast<std::ptrdiff_t>(nLength));
            Compare(44100, nFrameSize, data, ++nSeed);
        }
    }
}

TEST_P(BlockPathTest, FilesThatEndInsideAByte) {
    uint32_t nSeed = 300;
    for (const int32_t nRate : {44100, 22050, 44050, 96000}) {
        for (const uint8_t nFrameSize : std::array<uint8_t, 3>{1, 4, 3}) {
            CFrameSignal signal(++nSeed, nRate);
            signal.Block(100, 6);
            const size_t nStart = signal.FrameCount();
            signal.RandomBytes(2);
            const std::vector<uint8_t> full = signal.Data(nFrameSize);
            const size_t nStride = (nFrameSize >= 2 && nFrameSize <= 4) ? nFrameSize : 1;
            // Every few frames through the last two bytes; for wider frames
            // also with the last frame cut short.
            const size_t nStep = nRate < 44100 ? 3 : 7;
            int32_t nCase = 0;
            for (size_t nFrames = nStart; nFrames <= signal.FrameCount(); nFrames += nStep) {
                for (size_t nExtra = 0; nExtra < nStride;
                     nExtra += std::max<size_t>(1, nStride - 1)) {
                    SCOPED_TRACE(testing::Message()
                                 << "rate " << nRate << " frame size " << int{nFrameSize}
                                 << " frames " << nFrames << " + " << nExtra);
                    const size_t nLength = std::min(full.size(), nFrames * nStride + nExtra);
                    const std::vector<uint8_t> data(
                        full.begin(), full.begin() + static_cast<std::ptrdiff_t>(nLength));
                    const std::string strPath = Write(nRate, nFrameSize, data);
                    CReaderPair run;
                    ASSERT_TRUE(run.Open(strPath));
                    ASSERT_EQ(run.RunLikeConversion(), "");
                    if (++nCase % 4 == 0) {
                        CReaderPair random;
                        ASSERT_TRUE(random.Open(strPath));
                        std::mt19937 rng(++nSeed);
                        ASSERT_EQ(random.RunRandomCalls(rng, 1 << 20), "");
                    }
                }
            }
        }
    }
}

TEST_P(BlockPathTest, OneReaderPairAcrossFiles) {
    // The history and held value of one file enter the next; files are
    // left at their end or in the middle.
    std::mt19937 rng(400);
    CReaderPair pair;
    for (int32_t nFile = 0; nFile < 24; ++nFile) {
        const int32_t nRate = kRates[rng() % kRates.size()];
        const uint8_t nFrameSize = kFrameSizes[rng() % kFrameSizes.size()];
        SCOPED_TRACE(testing::Message()
                     << "file " << nFile << " rate " << nRate << " frame size " << int{nFrameSize});
        CFrameSignal signal(static_cast<uint32_t>(rng()), nRate);
        signal.SetJitter(0, nFile % 2 == 0);
        signal.Noise(static_cast<int32_t>(rng() % 7)).Block(90, 8).BoundaryHalves(10);
        ASSERT_TRUE(pair.Open(Write(nRate, nFrameSize, signal.Data(nFrameSize))));
        ASSERT_EQ(pair.RunRandomCalls(rng, nFile % 3 == 0 ? 30 : 100000), "");
    }
    // A file with nothing after its header: the end is reached at Open.
    ASSERT_TRUE(pair.Open(Write(44100, 1, {})));
    ASSERT_EQ(pair.RunRandomCalls(rng, 20), "");
}

TEST_P(BlockPathTest, FieldsChangedBetweenCalls) {
    uint32_t nSeed = 500;
    for (const int32_t nRate : {44100, 48000, 22050}) {
        CFrameSignal signal(++nSeed, nRate);
        signal.Block(100, 40).Block(100, 40);
        const std::string strPath = Write(nRate, 4, signal.Data(4));
        CReaderPair pair;
        ASSERT_TRUE(pair.Open(strPath));
        std::mt19937 rng(nSeed);
        ASSERT_EQ(pair.Step(EOp::kFindLeader), "");
        for (int32_t k = 0; k < 30; ++k) {
            ASSERT_EQ(pair.Step(EOp::kReadDataByte), "");
        }
        // The history and the held value, as the next ticks see them.
        for (CTapeReader* pReader : {&pair.Ref(), &pair.Block()}) {
            pReader->m_nHist[0] = 255;
            pReader->m_nHist[1] = 255;
            pReader->m_nHist[2] = 3;
            pReader->m_nHeld = 200;
        }
        ASSERT_EQ(pair.RunRandomCalls(rng, 40), "");
        // A phase near its limit: above 44,100 Hz it then saturates.
        for (CTapeReader* pReader : {&pair.Ref(), &pair.Block()}) {
            pReader->m_nPhase = nRate > 44100 ? std::numeric_limits<int32_t>::max() - 10000 : 43999;
        }
        ASSERT_EQ(pair.RunRandomCalls(rng, 1 << 20), "");
    }
}

std::string LevelParamName(const ::testing::TestParamInfo<ELevel>& info) {
    return TickKernels::LevelName(info.param);
}

INSTANTIATE_TEST_SUITE_P(Kernels, BlockPathTest,
                         ::testing::Values(ELevel::kPortable, ELevel::kSse2, ELevel::kAvx2),
                         LevelParamName);

// ---------------------------------------------------------------------------
// The kernels of every level against plain loops.

class TickKernelTest : public BlockPathTest {};

TEST_P(TickKernelTest, MidpointBitsAreBitSevenOfTheMeanOfFour) {
    std::mt19937 rng(600);
    constexpr size_t kWords = 16;
    std::vector<uint8_t> values(3 + 64 * kWords);
    for (size_t k = 0; k < values.size(); ++k) {
        // Noise, values around the midpoint (where sums of 511 and 512
        // meet), and runs at the extremes.
        const uint32_t nKind = (static_cast<uint32_t>(k) / 64) % 3;
        values[k] = static_cast<uint8_t>(nKind == 0   ? rng()
                                         : nKind == 1 ? 126 + rng() % 5
                                                      : (rng() % 2 != 0 ? 255 : 0) ^ (rng() % 2));
    }
    std::vector<uint64_t> bits(kWords);
    TickKernels::MidpointBits(values.data() + 3, kWords, bits.data());
    for (size_t t = 0; t < 64 * kWords; ++t) {
        const int32_t nSum = values[t + 3] + values[t + 2] + values[t + 1] + values[t];
        const bool bHigh = ((nSum / 4) & 0x80) != 0;
        ASSERT_EQ(((bits[t / 64] >> (t % 64)) & 1) != 0, bHigh) << "tick " << t << " sum " << nSum;
    }
}

TEST_P(TickKernelTest, CrossingPositionsInOrder) {
    std::mt19937 rng(700);
    for (const uint32_t nDensity : {1u, 3u, 16u, 200u}) {
        std::vector<uint64_t> edges(CTickBlock::kMaxTicks / 64);
        std::vector<uint16_t> expected;
        for (int32_t t = 0; t < CTickBlock::kMaxTicks; ++t) {
            if (rng() % nDensity == 0) {
                edges[static_cast<size_t>(t / 64)] |= uint64_t{1} << (t % 64);
                expected.push_back(static_cast<uint16_t>(t + 1));
            }
        }
        std::vector<uint16_t> positions(CTickBlock::kMaxTicks + 64);
        const int32_t nCount = TickKernels::EdgePositions(
            edges.data(), static_cast<int32_t>(edges.size()), positions.data());
        ASSERT_EQ(nCount, static_cast<int32_t>(expected.size())) << "density " << nDensity;
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), positions.begin()));
    }
}

TEST_P(TickKernelTest, GatherKeepsTheLastByteOfEachFrame) {
    std::mt19937 rng(700);
    std::vector<uint8_t> frames(4 * 300);
    for (uint8_t& b : frames) {
        b = static_cast<uint8_t>(rng());
    }
    for (const int32_t nStride : {2, 3, 4}) {
        for (const int32_t nFrames : {0, 1, 15, 16, 31, 32, 33, 300}) {
            std::vector<uint8_t> out(static_cast<size_t>(nFrames) + 1, 0x5A);
            TickKernels::GatherFrames(frames.data(), nStride, nFrames, out.data());
            for (int32_t k = 0; k < nFrames; ++k) {
                ASSERT_EQ(out[static_cast<size_t>(k)],
                          frames[static_cast<size_t>(k * nStride + nStride - 1)])
                    << "stride " << nStride << " frame " << k;
            }
            EXPECT_EQ(out.back(), 0x5A);  // nothing written past the frames
        }
    }
}

TEST_P(TickKernelTest, GapClasses) {
    std::mt19937 rng(800);
    for (const uint32_t nMaxGap : {3u, 30u, 60u}) {
        // Crossing positions with gaps of 1 to nMaxGap ticks.
        std::vector<uint16_t> positions{0};
        while (positions.back() < CTickBlock::kMaxTicks - 64) {
            positions.push_back(static_cast<uint16_t>(positions.back() + 1 + rng() % nMaxGap));
        }
        const auto nGaps = static_cast<int32_t>(positions.size()) - 1;
        positions.resize(positions.size() + 16, 0);

        constexpr int32_t kWords = CTickBlock::kMaxTicks / 64 + 3;
        std::array<std::array<uint64_t, kWords>, 3> masks{};
        TickKernels::GapClasses(positions.data(), nGaps, kWords,
                                {masks[0].data(), masks[1].data()});
        TickKernels::LeaderGapClasses(positions.data(), nGaps, kWords, masks[2].data());
        for (int32_t k = 0; k < 64 * kWords; ++k) {
            const int32_t nGap = k < nGaps ? positions[static_cast<size_t>(k + 1)] -
                                                 positions[static_cast<size_t>(k)]
                                           : -1;
            // Back to back, a measurement between two crossings scores 46 - gap.
            const int32_t nScore = 46 - nGap;
            const bool bBeyond = k >= nGaps;
            const std::array<bool, 3> want = {bBeyond || nGap == 1 || nScore < 20,
                                              bBeyond || nGap == 1 || nScore < 5,
                                              bBeyond || nScore > 40 || nScore < 5};
            for (size_t m = 0; m < want.size(); ++m) {
                ASSERT_EQ(((masks[m][static_cast<size_t>(k / 64)] >> (k % 64)) & 1) != 0, want[m])
                    << "mask " << m << " gap " << k << " length " << nGap;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, TickKernelTest,
                         ::testing::Values(ELevel::kPortable, ELevel::kSse2, ELevel::kAvx2),
                         LevelParamName);

}  // namespace
