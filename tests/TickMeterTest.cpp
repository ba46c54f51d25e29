// The classic decoder's measurements: they change no decoded byte, and the
// histogram holds the spacing of every two successive crossings that the
// demodulator's ticks have, in every format and at every rate.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "BlockPathSignals.h"
#include "ClassicDecoder.h"
#include "support/TestFiles.h"

namespace {

struct SDecoded {
    std::vector<uint8_t> m_bytes;
    CTapeLog m_log;
};

// Decodes as a conversion run does.
SDecoded Decode(const std::string& strPath, bool bMeasuring) {
    auto pReader = std::make_unique<CTapeReader>();
    CClassicDecoder decoder(*pReader);
    decoder.SetMeasuring(bMeasuring);
    SDecoded result;
    EXPECT_TRUE(decoder.Open(strPath));
    decoder.FindLeader();
    while (!decoder.IsAtEnd()) {
        const int32_t c = decoder.ReadDataByte();
        if (c < 0) {
            decoder.FindLeader();
        } else {
            result.m_bytes.push_back(static_cast<uint8_t>(c));
        }
    }
    result.m_log = decoder.GetLog();
    return result;
}

// The histogram of crossing spacings, from every smoothed value in turn.
CHalfPeriodHistogram ReferenceHistogram(const std::string& strPath, double dTick) {
    auto pReader = std::make_unique<CTapeReader>();
    CHalfPeriodHistogram histogram;
    EXPECT_TRUE(pReader->Open(strPath));
    int64_t nTick = 0;
    int64_t nLast = -1;
    int32_t nBit = 0;  // the history starts at zero
    while (pReader->m_bEnd == 0) {
        const int32_t nNow = (pReader->NextSmoothed() & 0x80) != 0 ? 1 : 0;
        if (nNow != nBit) {
            if (nLast >= 0) {
                histogram.Add(static_cast<double>(nTick - nLast) * dTick);
            }
            nLast = nTick;
            nBit = nNow;
        }
        ++nTick;
    }
    return histogram;
}

TEST(TickMeterTest, MeasuringChangesNothingAndSeesEveryCrossing) {
    CTempDir dir;
    uint32_t nSeed = 1;
    size_t nBytes = 0;
    for (const int32_t nRate : {8000, 22050, 44050, 44100, 48000, 96000}) {
        for (const uint8_t nFrameSize : std::array<uint8_t, 4>{1, 2, 3, 4}) {
            SCOPED_TRACE(testing::Message() << "rate " << nRate << " frame " << int{nFrameSize});
            CFrameSignal signal(++nSeed, nRate);
            signal.SetJitter(static_cast<int32_t>(nSeed % 3) * 20, false);
            signal.Block(200, 400).Noise(3000).Block(150, 300).RandomHalves(1, 60, 800);
            signal.Block(120, 200).Halves(11, 3);
            std::string strName = std::to_string(nSeed);  // GCC 12 warns wrongly about "f" + ...
            strName += ".wav";
            const std::string strPath = dir.File(strName);
            WriteBytes(strPath, MakeWav(nRate, nFrameSize, signal.Data(nFrameSize)));

            const SDecoded plain = Decode(strPath, false);
            const SDecoded measured = Decode(strPath, true);
            nBytes += plain.m_bytes.size();
            EXPECT_EQ(measured.m_bytes, plain.m_bytes);
            ASSERT_EQ(measured.m_log.Blocks().size(), plain.m_log.Blocks().size());
            EXPECT_EQ(measured.m_log.Failures().size(), plain.m_log.Failures().size());
            EXPECT_EQ(plain.m_log.Histogram().Total(), 0u);

            const double dTick = 1.0 / std::max(nRate, 44100);
            const CHalfPeriodHistogram reference = ReferenceHistogram(strPath, dTick);
            const CHalfPeriodHistogram& histogram = measured.m_log.Histogram();
            // The decoder may stop a tick or two before the reference does, and
            // never sees a crossing that the reference does not (unsigned).
            EXPECT_LE(reference.Total() - histogram.Total(), 1u);
            for (int32_t nBin = 0; nBin < CHalfPeriodHistogram::kBins; ++nBin) {
                EXPECT_LE(reference.Count(nBin) - histogram.Count(nBin), 1u) << "bin " << nBin;
            }
            // Blocks of bytes have short and long half-periods of their own.
            for (const STapeBlock& block : measured.m_log.Blocks()) {
                if (block.m_nBytes >= 100) {
                    EXPECT_GT(block.m_dLong, 1.5 * block.m_dShort);
                }
            }
        }
    }
    // The signals decode: blocks were read and measured.
    EXPECT_GT(nBytes, 10000u);
}

}  // namespace
