// The classic decoder's measurements: they change no decoded byte, the
// histogram holds the spacing of every two successive crossings that the
// demodulator's ticks have, and the signal read again around a place is
// what the demodulator saw there, in every format and at every rate.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "BlockPathSignals.h"
#include "ClassicDecoder.h"
#include "TickSnapshot.h"
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

// Every smoothed value in turn, and the ticks where the midpoint bit changes.
struct SReference {
    std::vector<int32_t> m_smoothed;
    std::vector<int64_t> m_crossings;
    int32_t m_nFrameSize = 0;
};

SReference ReadReference(const std::string& strPath) {
    auto pReader = std::make_unique<CTapeReader>();
    SReference reference;
    EXPECT_TRUE(pReader->Open(strPath));
    reference.m_nFrameSize = pReader->m_nFrameSize;
    int32_t nBit = 0;  // the history starts at zero
    while (pReader->m_bEnd == 0) {
        const int32_t nSmoothed = pReader->NextSmoothed();
        if (((nSmoothed & 0x80) != 0 ? 1 : 0) != nBit) {
            reference.m_crossings.push_back(static_cast<int64_t>(reference.m_smoothed.size()));
            nBit ^= 1;
        }
        reference.m_smoothed.push_back(nSmoothed);
    }
    return reference;
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
            const SReference ticks = ReadReference(strPath);
            CHalfPeriodHistogram reference;
            for (size_t k = 1; k < ticks.m_crossings.size(); ++k) {
                reference.Add(static_cast<double>(ticks.m_crossings[k] - ticks.m_crossings[k - 1]) *
                              dTick);
            }
            const CHalfPeriodHistogram& histogram = measured.m_log.Histogram();
            // The decoder may stop a tick or two before the reference does, and
            // never sees a crossing that the reference does not (unsigned).
            EXPECT_LE(reference.Total() - histogram.Total(), 1u);
            for (int32_t nBin = 0; nBin < CHalfPeriodHistogram::kBins; ++nBin) {
                EXPECT_LE(reference.Count(nBin) - histogram.Count(nBin), 1u) << "bin " << nBin;
            }
            // The signal read again: the smoothed values and the crossings.
            const STickFile file{strPath, nRate, ticks.m_nFrameSize, dTick};
            for (const size_t nAt : {size_t{2}, ticks.m_smoothed.size() / 3}) {
                SSignalSnapshot snapshot;
                ASSERT_TRUE(ReadTickSnapshot(file, static_cast<int64_t>(nAt), 300, snapshot));
                const size_t nFrom = nAt > 300 ? nAt - 300 : 0;
                ASSERT_EQ(snapshot.m_samples.size(), nAt + 300 - nFrom);
                for (size_t k = 0; k < snapshot.m_samples.size(); ++k) {
                    ASSERT_EQ(std::lround(snapshot.m_samples[k] * 127.5 + 127.5),
                              ticks.m_smoothed[nFrom + k])
                        << "tick " << nFrom + k;
                }
                std::vector<int64_t> expected;
                std::copy_if(ticks.m_crossings.begin(), ticks.m_crossings.end(),
                             std::back_inserter(expected), [&](int64_t t) {
                                 return t >= static_cast<int64_t>(nFrom) &&
                                        t < static_cast<int64_t>(nAt + 300);
                             });
                std::vector<int64_t> found;
                for (const SSignalSnapshot::SCrossing& crossing : snapshot.m_crossings) {
                    found.push_back(std::lround(crossing.m_dAt / dTick));
                }
                EXPECT_EQ(found, expected);
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
