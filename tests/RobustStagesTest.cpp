// The robust decoder's stages, each on a few samples or half-periods.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "Biquad.h"
#include "BlockPipe.h"
#include "ByteFramer.h"
#include "ByteGrammar.h"
#include "CrossingDetector.h"
#include "DetectorChoice.h"
#include "EdgeDetector.h"
#include "HalfPeriodTiming.h"
#include "LeaderDetector.h"
#include "LeaderShape.h"
#include "LowCutInverse.h"
#include "SampleCoding.h"

namespace {

constexpr double kShort = 11.0 / 44100.0;
constexpr double kLong = 34.0 / 44100.0;

TEST(RobustStagesTest, FiltersPassAndStopWhereTheySay) {
    const struct {
        double m_dHz;
        double m_dGain;  // expected amplitude after the low-pass at 5 kHz and high-pass at 40 Hz
    } kCases[] = {{10.0, 0.06}, {650.0, 1.0}, {2000.0, 0.98}, {15000.0, 0.04}};
    for (const auto& test : kCases) {
        CBiquad highpass;
        CBiquad lowpass;
        highpass.SetHighpass(40.0, 44100.0);
        lowpass.SetLowpass(5000.0, 44100.0);
        double dPeak = 0.0;
        for (int32_t n = 0; n < 44100; ++n) {
            const double dIn = std::sin(2.0 * std::numbers::pi * test.m_dHz * n / 44100.0);
            const double dOut = lowpass.Process(highpass.Process(dIn));
            dPeak = n > 22050 ? std::max(dPeak, std::fabs(dOut)) : 0.0;
        }
        EXPECT_NEAR(dPeak, test.m_dGain, 0.05) << test.m_dHz << " Hz";
    }
    CBiquad notch;
    notch.SetNotch(50.0, 16.0, 11025.0);
    double dPeak = 0.0;
    for (int32_t n = 0; n < 22050; ++n) {
        const double dOut = notch.Process(std::sin(2.0 * std::numbers::pi * 50.0 * n / 11025.0));
        dPeak = n > 16000 ? std::max(dPeak, std::fabs(dOut)) : 0.0;
    }
    EXPECT_LT(dPeak, 0.02);
}

// Behind a Butterworth low-cut of its order and corner, the inverse leaves
// a signal as if the low-cut had been at half the corner: the long
// half-periods' tones (650 Hz) whole again, what lies far below raised no
// more than 2^order.
// Two sections run as a cascade give, bit for bit, what they give one after
// the other, whatever the block lengths (shorter and longer than the lag
// between the two lanes), with the state carried from block to block; side
// by side, what each gives alone.
TEST(RobustStagesTest, TwoLaneSectionsGiveWhatOneSectionGives) {
    constexpr double kRate = 11025.0;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    std::vector<double> signal(5000);
    for (double& dSample : signal) {
        dSample = noise(random);
    }
    struct SPair {
        const char* m_szName;
        CBiquad m_first;
        CBiquad m_second;
    };
    std::vector<SPair> pairs(3);
    pairs[0].m_szName = "high-pass, low-pass";
    pairs[0].m_first.SetHighpass(10.0, kRate);
    pairs[0].m_second.SetLowpass(5500.0, kRate);
    pairs[1].m_szName = "notch, band-pass";
    pairs[1].m_first.SetNotch(50.0, 16.0, kRate);
    pairs[1].m_second.SetBandpass(1000.0, 2.0, kRate);
    pairs[2].m_szName = "settled";
    pairs[2].m_first.SetHighpass(300.0, kRate);
    pairs[2].m_first.Settle(0.25);
    pairs[2].m_second.SetLowpass(2000.0, kRate);
    pairs[2].m_second.Settle(-0.5);
    for (const SPair& pair : pairs) {
        for (const size_t nBlock : {size_t{1}, size_t{3}, size_t{4}, size_t{7}, size_t{4096}}) {
            SCOPED_TRACE(testing::Message() << pair.m_szName << ", blocks of " << nBlock);
            CBiquad first = pair.m_first;
            CBiquad second = pair.m_second;
            std::vector<double> expected = signal;
            first.ProcessBlock(expected.data(), static_cast<int32_t>(expected.size()));
            second.ProcessBlock(expected.data(), static_cast<int32_t>(expected.size()));
            first = pair.m_first;
            second = pair.m_second;
            std::vector<double> cascaded = signal;
            std::vector<double> told(signal.size(), 0.0);
            size_t nNext = 0;  // the next sample out must tell
            bool bInOrder = true;
            for (size_t nFrom = 0; nFrom < signal.size(); nFrom += nBlock) {
                const size_t nCount = std::min(nBlock, signal.size() - nFrom);
                CBiquad::Cascade(first, second, cascaded.data() + nFrom,
                                 static_cast<int32_t>(nCount), [&](int32_t k, double dOut) {
                                     bInOrder = bInOrder && nFrom + static_cast<size_t>(k) == nNext;
                                     told[nNext++] = dOut;
                                 });
            }
            EXPECT_TRUE(bInOrder);
            EXPECT_EQ(nNext, signal.size());
            EXPECT_EQ(cascaded, expected);
            EXPECT_EQ(told, expected);
            // Side by side over the same samples: each as it gives alone.
            first = pair.m_first;
            second = pair.m_second;
            std::vector<double> alone[2] = {signal, signal};
            first.ProcessBlock(alone[0].data(), static_cast<int32_t>(signal.size()));
            second.ProcessBlock(alone[1].data(), static_cast<int32_t>(signal.size()));
            first = pair.m_first;
            second = pair.m_second;
            std::vector<double> side[2];
            for (size_t nFrom = 0; nFrom < signal.size(); nFrom += nBlock) {
                const size_t nCount = std::min(nBlock, signal.size() - nFrom);
                CBiquad::Parallel(first, second, signal.data() + nFrom,
                                  static_cast<int32_t>(nCount),
                                  [&](int32_t, double dFirst, double dSecond) {
                                      side[0].push_back(dFirst);
                                      side[1].push_back(dSecond);
                                  });
            }
            EXPECT_EQ(side[0], alone[0]);
            EXPECT_EQ(side[1], alone[1]);
        }
    }
}

TEST(RobustStagesTest, LowCutInverseMovesTheLowCutDown) {
    constexpr double kRate = 11025.0;
    const struct {
        int32_t m_nOrder;
        double m_dCornerHz;
    } kCases[] = {{0, 300.0}, {1, 300.0}, {2, 300.0}, {3, 400.0}, {4, 200.0}, {4, 300.0}};
    for (const auto& test : kCases) {
        // The low-cut: Butterworth sections, as a line or a tool makes it.
        const double dCorner = 2.0 * std::numbers::pi * test.m_dCornerHz;
        std::vector<CBiquad> lowCut;
        if (test.m_nOrder % 2 == 1) {
            lowCut.emplace_back().SetAnalog({0.0, 1.0, 0.0}, {dCorner, 1.0, 0.0}, kRate);
        }
        for (int32_t k = 0; k < test.m_nOrder / 2; ++k) {
            const double dDamping =
                2.0 * std::sin((2 * k + 1) * std::numbers::pi / (2.0 * test.m_nOrder));
            lowCut.emplace_back().SetAnalog({0.0, 0.0, 1.0},
                                            {dCorner * dCorner, dDamping * dCorner, 1.0}, kRate);
        }
        for (const double dHz : {60.0, 150.0, 300.0, 650.0, 2000.0}) {
            SCOPED_TRACE(std::to_string(test.m_nOrder) + " at " + std::to_string(test.m_dCornerHz) +
                         " Hz, " + std::to_string(dHz) + " Hz");
            CLowCutInverse inverse;
            inverse.Set(test.m_nOrder, test.m_dCornerHz, 0.5, kRate);
            std::vector<CBiquad> sections = lowCut;
            std::vector<double> samples(static_cast<size_t>(kRate));
            for (size_t n = 0; n < samples.size(); ++n) {
                samples[n] =
                    std::sin(2.0 * std::numbers::pi * dHz * static_cast<double>(n) / kRate);
                for (CBiquad& section : sections) {
                    samples[n] = section.Process(samples[n]);
                }
            }
            inverse.ProcessBlock(samples.data(), static_cast<int32_t>(samples.size()));
            const double dPeak = std::fabs(*std::max_element(
                samples.begin() + static_cast<ptrdiff_t>(samples.size() / 2), samples.end(),
                [](double a, double b) { return std::fabs(a) < std::fabs(b); }));
            const double dMoved = test.m_nOrder == 0
                                      ? 1.0
                                      : 1.0 / std::sqrt(1.0 + std::pow(0.5 * test.m_dCornerHz / dHz,
                                                                       2.0 * test.m_nOrder));
            EXPECT_NEAR(dPeak, dMoved, 0.03);
            EXPECT_EQ(inverse.IsOn(), test.m_nOrder > 0);
        }
    }
}

// Two stereo frames per box, the second channel's samples as each coding
// stores them, between bytes that must not be read into them.
TEST(RobustStagesTest, BoxMeansOfEveryCoding) {
    const struct {
        ESampleCoding m_eCoding;
        std::vector<uint8_t> m_right;  // four samples of the right channel
        double m_dFirst;               // the means of the two boxes
        double m_dSecond;
    } kCases[] = {
        {ESampleCoding::kU8, {0xFF, 0x81, 0x00, 0x80}, 0.5, -0.5},
        {ESampleCoding::kS8, {0x7F, 0x01, 0x80, 0x00}, 0.5, -0.5},
        {ESampleCoding::kS16Le, {0x00, 0x40, 0x00, 0x40, 0x00, 0x80, 0x00, 0x00}, 0.5, -0.5},
        {ESampleCoding::kS16Be, {0x40, 0x00, 0x40, 0x00, 0x80, 0x00, 0x00, 0x00}, 0.5, -0.5},
        {ESampleCoding::kS24Le,
         {0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00},
         0.5,
         -0.5},
        {ESampleCoding::kS24Be,
         {0x40, 0x00, 0x00, 0x40, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00},
         0.5,
         -0.5},
        {ESampleCoding::kS32Be,
         {0x40, 0, 0, 0, 0x40, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0},
         0.5,
         -0.5},
    };
    for (const auto& test : kCases) {
        SCOPED_TRACE(static_cast<int>(test.m_eCoding));
        const size_t nBytes = static_cast<size_t>(BytesPerSample(test.m_eCoding));
        // Padding and the left channel are all ones: read by mistake, they
        // would show.
        std::vector<uint8_t> buffer(2 * kSamplePadding + 8 * nBytes, 0xFF);
        for (size_t f = 0; f < 4; ++f) {
            std::memcpy(&buffer[kSamplePadding + (2 * f + 1) * nBytes], &test.m_right[f * nBytes],
                        nBytes);
        }
        SChannelLayout layout;
        layout.m_eCoding = test.m_eCoding;
        layout.m_nFrameBytes = 2 * nBytes;
        layout.m_nOffset = nBytes;
        double dMeans[2] = {};
        MeanBoxes(layout, buffer.data() + kSamplePadding, 2, 2, dMeans);
        EXPECT_DOUBLE_EQ(dMeans[0], test.m_dFirst);
        EXPECT_DOUBLE_EQ(dMeans[1], test.m_dSecond);
    }
}

TEST(RobustStagesTest, BoxMeansOf16BitSamplesAreExactForEveryLayout) {
    // Channels x box lengths x channels taken, odd and even box counts: the
    // lane-wise sums must give the plain mean of the channel's samples,
    // bit for bit, and never take a neighbouring channel's.
    struct SCase {
        size_t m_nChannels;
        int32_t m_nBox;
    };
    const SCase kCases[] = {{1, 4}, {1, 8}, {1, 16}, {1, 3}, {2, 4}, {2, 8},
                            {2, 2}, {2, 5}, {4, 4},  {4, 8}, {3, 4}, {8, 2}};
    uint32_t nSeed = 12345;
    for (const SCase& test : kCases) {
        for (size_t nChannel = 0; nChannel < test.m_nChannels; ++nChannel) {
            for (const int32_t nBoxes : {1, 2, 7, 64}) {
                SCOPED_TRACE(testing::Message()
                             << test.m_nChannels << " channels, box " << test.m_nBox << ", channel "
                             << nChannel << ", " << nBoxes << " boxes");
                const size_t nSamples =
                    static_cast<size_t>(nBoxes * test.m_nBox) * test.m_nChannels;
                std::vector<uint8_t> buffer(2 * kSamplePadding + 2 * nSamples);
                std::vector<int16_t> samples(nSamples);
                for (int16_t& nSample : samples) {
                    nSeed = nSeed * 1664525u + 1013904223u;
                    nSample = static_cast<int16_t>(nSeed >> 16);
                }
                std::memcpy(buffer.data() + kSamplePadding, samples.data(), 2 * nSamples);
                SChannelLayout layout;
                layout.m_eCoding = ESampleCoding::kS16Le;
                layout.m_nFrameBytes = 2 * test.m_nChannels;
                layout.m_nOffset = 2 * nChannel;
                std::vector<double> dMeans(static_cast<size_t>(nBoxes));
                MeanBoxes(layout, buffer.data() + kSamplePadding, test.m_nBox, nBoxes,
                          dMeans.data());
                for (int32_t b = 0; b < nBoxes; ++b) {
                    int64_t nSum = 0;
                    for (int32_t f = 0; f < test.m_nBox; ++f) {
                        nSum +=
                            samples[static_cast<size_t>(b * test.m_nBox + f) * test.m_nChannels +
                                    nChannel];
                    }
                    EXPECT_EQ(dMeans[static_cast<size_t>(b)],
                              static_cast<double>(nSum) * (1.0 / (32768.0 * test.m_nBox)))
                        << "box " << b;
                }
            }
        }
    }
}

TEST(RobustStagesTest, PeakIsTheLargestMagnitudeWhereverItLies) {
    // Every count up to a few lanes past the pairs, the peak at every place,
    // negative or positive, among smaller samples of both signs.
    for (int32_t nCount = 0; nCount <= 11; ++nCount) {
        std::vector<double> samples(static_cast<size_t>(nCount));
        for (int32_t k = 0; k < nCount; ++k) {
            samples[static_cast<size_t>(k)] = (k % 2 == 0 ? 0.1 : -0.2) * (1 + k % 3);
        }
        if (nCount == 0) {
            EXPECT_EQ(PeakOf(samples.data(), 0), 0.0);
        }
        for (int32_t nAt = 0; nAt < nCount; ++nAt) {
            for (const double dPeak : {-0.9, 0.9}) {
                std::vector<double> peaked = samples;
                peaked[static_cast<size_t>(nAt)] = dPeak;
                EXPECT_EQ(PeakOf(peaked.data(), nCount), 0.9) << nCount << " at " << nAt;
            }
        }
    }
}

TEST(RobustStagesTest, CrossingsNeedTheHysteresisAndAreTimedBetweenSamples) {
    CCrossingDetector crossings;
    crossings.Reset(5);
    // Settles low, wobbles inside the band (no crossing), rises through zero
    // between samples 5 and 6 at 5.75, then stops after sample 8: a fade
    // just after it, once more than five samples have stayed inside the band.
    const double kSignal[] = {-1.0, -0.5, 0.1, -0.1, 0.05, -0.3, 0.1, 0.5, 1.0,
                              0.2,  0.1,  0.0, -0.1, 0.0,  0.1,  0.0, 0.0};
    std::vector<std::pair<CCrossingDetector::EEvent, double>> found;
    for (int32_t n = 0; n < 17; ++n) {
        const CCrossingDetector::EEvent eEvent = crossings.Process(kSignal[n], 0.4, n);
        if (eEvent != CCrossingDetector::EEvent::kNone) {
            found.emplace_back(eEvent, crossings.At());
        }
    }
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].first, CCrossingDetector::EEvent::kCrossing);
    EXPECT_NEAR(found[0].second, 5.75, 1e-9);
    EXPECT_EQ(found[1].first, CCrossingDetector::EEvent::kFade);
    EXPECT_NEAR(found[1].second, 8.5, 1e-9);
    // Data that ends before the fade was due still ends with it, however
    // close to the due sample it ends.
    for (const int32_t nEnd : {10, 13, 14}) {
        crossings.Reset(5);
        for (int32_t n = 0; n < nEnd; ++n) {
            crossings.Process(kSignal[n], 0.4, n);
        }
        EXPECT_EQ(crossings.Finish(), CCrossingDetector::EEvent::kFade) << nEnd;
        EXPECT_NEAR(crossings.At(), 8.5, 1e-9) << nEnd;
    }
}

// The block search finds the events of the sample-by-sample one, at the
// same times to the bit, over crossings every few samples, noise near the
// midpoint, dropouts long enough to fade and blocks of any length.
TEST(RobustStagesTest, CrossingsInBlocksAreThoseOfSampleBySample) {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> noise(-0.05, 0.05);
    std::vector<double> signal;
    double dSide = 1.0;
    while (signal.size() < 40000) {
        const size_t nLength = 2 + random() % 8;
        const bool bDropout = random() % 40 == 0;
        const size_t nRun = bDropout ? 10 + random() % 60 : nLength;
        for (size_t k = 0; k < nRun; ++k) {
            signal.push_back((bDropout
                                  ? 0.0
                                  : dSide * (0.5 + 0.5 * std::sin(3.0 * static_cast<double>(k) /
                                                                  static_cast<double>(nRun)))) +
                             noise(random));
        }
        dSide = -dSide;
    }
    const std::vector<double> levels(signal.size(), 0.6);
    const auto nCount = static_cast<int32_t>(signal.size());
    constexpr int64_t kQuiet = 18;
    CCrossingDetector reference;
    reference.Reset(kQuiet);
    std::vector<std::pair<CCrossingDetector::EEvent, double>> expected;
    for (int32_t n = 0; n < nCount; ++n) {
        const CCrossingDetector::EEvent eEvent =
            reference.Process(signal[static_cast<size_t>(n)], 0.3 * 0.6, n);
        if (eEvent != CCrossingDetector::EEvent::kNone) {
            expected.emplace_back(eEvent, reference.At());
        }
    }
    ASSERT_GT(expected.size(), 5000u);
    for (const int32_t nPart : {64, 1000, 37, 4096}) {
        CCrossingDetector blocks;
        blocks.Reset(kQuiet);
        std::vector<SCrossingEvent> events(static_cast<size_t>(nPart));
        std::vector<std::pair<CCrossingDetector::EEvent, double>> found;
        for (int32_t n = 0; n < nCount; n += nPart) {
            const int32_t nFound = blocks.ProcessBlock(&signal[static_cast<size_t>(n)],
                                                       &levels[static_cast<size_t>(n)], 0.3, n,
                                                       std::min(nPart, nCount - n), events.data());
            for (int32_t e = 0; e < nFound; ++e) {
                const SCrossingEvent& event = events[static_cast<size_t>(e)];
                found.emplace_back(event.m_eKind == SCrossingEvent::EKind::kFade
                                       ? CCrossingDetector::EEvent::kFade
                                       : CCrossingDetector::EEvent::kCrossing,
                                   event.m_dAt);
            }
        }
        EXPECT_EQ(found, expected) << nPart << " samples per block";
    }
}

// The pipe hands out the blocks in the order they were filled, its end
// last, with a thread of its own or without; stopped early, it leaves the
// blocks not taken.
TEST(RobustStagesTest, BlockPipeKeepsTheOrder) {
    for (const bool bOwnThread : {true, false}) {
        SCOPED_TRACE(bOwnThread ? "own thread" : "no thread");
        CBlockPipe pipe;
        int32_t nFilled = 0;
        const auto fill = [&nFilled](SConditionedBlock& block) {
            block.m_nCount = nFilled < 10 ? 1 + nFilled % 3 : 0;
            block.m_bEnd = block.m_nCount == 0;
            for (int32_t k = 0; k < block.m_nCount; ++k) {
                block.m_chain[static_cast<size_t>(k)] = nFilled;
            }
            ++nFilled;
            return !block.m_bEnd;
        };
        pipe.Start(3, false, fill, bOwnThread);
        for (int32_t n = 0; n < 10; ++n) {
            const SConditionedBlock& block = pipe.Next();
            ASSERT_FALSE(block.m_bEnd) << n;
            EXPECT_EQ(block.m_nCount, 1 + n % 3);
            EXPECT_EQ(block.m_chain[static_cast<size_t>(block.m_nCount - 1)], n);
            pipe.Release();
        }
        EXPECT_TRUE(pipe.Next().m_bEnd);
        pipe.Release();
        nFilled = 0;
        pipe.Start(3, false, fill, bOwnThread);
        EXPECT_EQ(pipe.Next().m_chain[0], 0.0);
        pipe.Stop();
        EXPECT_LE(nFilled, 5);  // four blocks ahead at most
    }
}

SHalfPeriod Half(double dLength, EHalfClass eClass) {
    SHalfPeriod half;
    half.m_dLength = dLength;
    half.m_eClass = eClass;
    return half;
}

// Half-periods for the bits of nByte as the encoder writes them.
void AppendByte(std::vector<SHalfPeriod>& halves, uint8_t nByte) {
    halves.push_back(Half(kLong, EHalfClass::kLong));
    bool bLevel = false;
    for (int32_t nBit = 0; nBit < 8; ++nBit) {
        const bool bBit = ((nByte >> nBit) & 1) != 0;
        if (bBit != bLevel) {
            halves.push_back(Half(kLong, EHalfClass::kLong));
        } else {
            halves.push_back(Half(kShort, EHalfClass::kShort));
            halves.push_back(Half(kShort, EHalfClass::kShort));
        }
        bLevel = bBit;
    }
    if (!bLevel) {
        halves.push_back(Half(kLong, EHalfClass::kLong));
    }
}

TEST(RobustStagesTest, ByteParseDecodesAndRefusesBrokenFraming) {
    for (const int32_t nValue : {0x00, 0x55, 0xAA, 0xFF, 0x80, 0x01, 0x3C}) {
        std::vector<SHalfPeriod> halves;
        AppendByte(halves, static_cast<uint8_t>(nValue));
        CByteParse parse;
        SFramedByte byte;
        for (size_t k = 0; k + 1 < halves.size(); ++k) {
            ASSERT_EQ(parse.Take(halves[k], byte), CByteParse::EStep::kMore);
        }
        ASSERT_EQ(parse.Take(halves.back(), byte), CByteParse::EStep::kByte);
        EXPECT_EQ(byte.m_nValue, nValue);
        EXPECT_TRUE(parse.IsBetweenBytes());
    }
    // A lone short one, a short one where a byte must open, a gap.
    const std::vector<std::vector<EHalfClass>> kBroken = {
        {EHalfClass::kLong, EHalfClass::kShort, EHalfClass::kLong},
        {EHalfClass::kShort},
        {EHalfClass::kLong, EHalfClass::kLong, EHalfClass::kGap},
    };
    for (const auto& classes : kBroken) {
        CByteParse parse;
        SFramedByte byte;
        CByteParse::EStep eLast = CByteParse::EStep::kMore;
        for (const EHalfClass eClass : classes) {
            eLast = parse.Take(Half(kLong, eClass), byte);
        }
        EXPECT_EQ(eLast, CByteParse::EStep::kBroken);
    }
}

TEST(RobustStagesTest, TimingLearnsTheDeckSpeedAndFollowsDrift) {
    const SRobustConfig config;
    CHalfPeriodTiming timing(config);
    timing.Learn(kShort * 1.2);  // a deck 20 % slow
    EXPECT_NEAR(timing.Long(), kLong * 1.2, 1e-9);
    SHalfPeriod half = Half(kLong * 1.2 * 1.45, EHalfClass::kGap);
    timing.Classify(half);
    EXPECT_EQ(half.m_eClass, EHalfClass::kLong);
    // Slowly 10 % faster again: long ones keep their class all the way.
    for (int32_t k = 0; k <= 200; ++k) {
        half = Half(kLong * (1.2 - 0.1 * k / 200.0), EHalfClass::kGap);
        timing.Classify(half);
        ASSERT_EQ(half.m_eClass, EHalfClass::kLong) << k;
        timing.Follow(half);
    }
    EXPECT_NEAR(timing.Long(), kLong * 1.1, kLong * 0.01);

    CLeaderDetector leader(config);
    bool bFound = false;
    for (int32_t k = 0; k < config.m_nLeaderRun && !bFound; ++k) {
        bFound = leader.Add(kShort * (k % 2 == 0 ? 0.95 : 1.05));
        EXPECT_EQ(bFound, k == config.m_nLeaderRun - 1);
    }
    leader.Reset();
    for (int32_t k = 0; k < 4 * config.m_nLeaderRun; ++k) {
        EXPECT_FALSE(leader.Add(kShort * (k % 2 == 0 ? 0.6 : 1.4)));  // not steady
    }
}

class CCollect : public CFramerEvents {
public:
    void OnByte(const SFramedByte& byte) override { m_bytes.push_back(byte.m_nValue); }
    void OnFailure(double dAt) override { m_failures.push_back(dAt); }
    void OnBlockEnd() override { ++m_nBlockEnds; }
    std::vector<uint8_t> m_bytes;
    std::vector<double> m_failures;
    int32_t m_nBlockEnds = 0;
};

// A block with a gap of three bytes' time in its middle: the bytes after it
// come back, three are reported lost, and nothing comes of the tail.
TEST(RobustStagesTest, FramerResumesAfterAGapAndCountsWhatItLost) {
    std::vector<SHalfPeriod> halves(200, Half(kShort, EHalfClass::kShort));
    std::vector<uint8_t> sent;
    for (int32_t k = 0; k < 40; ++k) {
        sent.push_back(static_cast<uint8_t>(k * 37 + 11));
    }
    for (size_t k = 0; k < sent.size(); ++k) {
        if (k >= 20 && k < 23) {
            continue;
        }
        if (k == 23) {
            // Where bytes 20 to 22 were: one stretch without crossings.
            std::vector<SHalfPeriod> lost;
            for (size_t j = 20; j < 23; ++j) {
                AppendByte(lost, sent[j]);
            }
            double dLength = 0.0;
            for (const SHalfPeriod& half : lost) {
                dLength += half.m_dLength;
            }
            halves.push_back(Half(dLength, EHalfClass::kGap));
        }
        AppendByte(halves, sent[k]);
    }
    for (int32_t k = 0; k < 4; ++k) {
        halves.push_back(Half(kShort, EHalfClass::kShort));
    }
    halves.push_back(Half(1.0, EHalfClass::kGap));

    const SRobustConfig config;
    CHalfPeriodTiming timing(config);
    CCollect events;
    CByteFramer framer(config, timing, events);
    double dAt = 0.0;
    for (SHalfPeriod half : halves) {
        half.m_dStart = dAt;
        dAt += half.m_dLength;
        framer.Add(half);
    }
    framer.Finish();
    std::vector<uint8_t> expected = sent;
    expected.erase(expected.begin() + 20, expected.begin() + 23);
    EXPECT_EQ(events.m_bytes, expected);
    EXPECT_EQ(events.m_failures.size(), 3u);
    EXPECT_EQ(events.m_nBlockEnds, 1);
}

// What a framer reports, each event dated as the detector choice dates it
// (a block's end at its last byte's start), and the least date it had
// promised (Settled) when it reported it.
class CDatedEvents : public CFramerEvents {
public:
    void OnByte(const SFramedByte& byte) override {
        Note('B', byte.m_dStart);
        m_dLastByte = byte.m_dStart;
    }
    void OnFailure(double dAt) override { Note('L', dAt); }
    void OnBlockEnd() override {
        Note('E', m_dLastByte);
        m_nEndsTold.push_back(m_dNow);
    }
    void Note(char cKind, double dAt) {
        m_events.emplace_back(cKind, dAt);
        m_dWorstEarly = std::max(m_dWorstEarly, m_dSettled - dAt);
    }
    std::vector<std::pair<char, double>> m_events;
    std::vector<double> m_nEndsTold;  // s: the time passed when each block's end came
    double m_dLastByte = 0.0;
    double m_dSettled = 0.0;     // s: what the framer last promised
    double m_dNow = 0.0;         // s: the time passed so far
    double m_dWorstEarly = 0.0;  // s: how far an event came before the promise, at most
};

// Two blocks, the first with a dropout inside, each followed by seconds of
// silence (one half-period without crossings), with and without a tail of
// short half-periods after the last byte. A framer told that time passes
// (Pass, every 50 ms of the silence) reports exactly what one that is not
// told reports, each block's end within the end gap and 0.1 s of its last
// byte, and no event before the time it had settled.
TEST(RobustStagesTest, FramerEndsABlockOnceItsEndGapHasPassed) {
    struct SCase {
        const char* m_szName;
        int32_t m_nTail;    // short half-periods after the last byte
        double m_dSilence;  // s after each block
    };
    const SCase kCases[] = {
        {"a tail, then silence", 4, 3.0},
        {"no tail, then silence", 0, 3.0},
        {"a tail, then less silence than the end gap", 4, 0.6},
    };
    const SRobustConfig config;
    for (const SCase& test : kCases) {
        SCOPED_TRACE(test.m_szName);
        std::vector<SHalfPeriod> halves;
        std::vector<size_t> lastBytes;  // of each block: its last half-period
        for (int32_t nBlock = 0; nBlock < 2; ++nBlock) {
            halves.insert(halves.end(), 200, Half(kShort, EHalfClass::kShort));
            for (int32_t k = 0; k < 30; ++k) {
                if (nBlock == 0 && k == 12) {
                    halves.push_back(Half(0.02, EHalfClass::kGap));  // a dropout
                }
                AppendByte(halves, static_cast<uint8_t>(k * 37 + nBlock));
            }
            lastBytes.push_back(halves.size() - 1);
            halves.insert(halves.end(), static_cast<size_t>(test.m_nTail),
                          Half(kShort, EHalfClass::kShort));
            halves.push_back(Half(test.m_dSilence, EHalfClass::kGap));
        }
        std::vector<std::pair<char, double>> reference;
        for (const bool bPass : {false, true}) {
            CHalfPeriodTiming timing(config);
            CDatedEvents events;
            CByteFramer framer(config, timing, events);
            double dAt = 0.0;
            std::vector<double> lastByteEnds;
            for (size_t k = 0; k < halves.size(); ++k) {
                SHalfPeriod half = halves[k];
                half.m_dStart = dAt;
                for (double dNow = dAt; bPass && dNow < dAt + half.m_dLength; dNow += 0.05) {
                    framer.Pass(dNow);
                    events.m_dNow = dNow;
                    events.m_dSettled = framer.Settled();
                }
                dAt += half.m_dLength;
                events.m_dNow = dAt;
                framer.Add(half);
                events.m_dSettled = framer.Settled();
                if (std::find(lastBytes.begin(), lastBytes.end(), k) != lastBytes.end()) {
                    lastByteEnds.push_back(dAt);
                }
            }
            framer.Finish();
            if (!bPass) {
                reference = events.m_events;
                continue;
            }
            EXPECT_EQ(events.m_events, reference);
            EXPECT_LE(events.m_dWorstEarly, 0.0);
            ASSERT_EQ(events.m_nEndsTold.size(), 2u);
            for (size_t n = 0; n < 2; ++n) {
                // Where the silence is shorter than the end gap, the next
                // leader ends the block, as it did.
                const double dDue =
                    lastByteEnds[n] + std::min(config.m_dBlockEndGap + 0.1, test.m_dSilence + 0.1);
                EXPECT_LE(events.m_nEndsTold[n], dDue) << n;
            }
        }
        EXPECT_EQ(std::count_if(reference.begin(), reference.end(),
                                [](const auto& event) { return event.first == 'B'; }),
                  60);
    }
}

// A square wave after a steep high-pass (two second-order ones at 250 Hz):
// each long level sags back towards zero and overshoots at its edge. The
// edges are found where the steps are, and only there.
TEST(RobustStagesTest, EdgesAreTheStepsOfAHighPassedSquareWave) {
    const int32_t kHalves[] = {6, 6, 6, 6, 17, 17, 6, 6, 17, 6, 6, 17, 17, 17, 6, 6, 6, 6};
    constexpr double kRate = 22050.0;
    CBiquad first;
    CBiquad second;
    first.SetHighpass(250.0, kRate);
    second.SetHighpass(250.0, kRate);
    std::vector<double> signal(20, 0.0);
    std::vector<double> steps;  // where the level changes: between two samples
    double dLevel = 0.5;
    for (const int32_t nHalf : kHalves) {
        steps.push_back(static_cast<double>(signal.size()) - 0.5);
        for (int32_t k = 0; k < nHalf; ++k) {
            signal.push_back(second.Process(first.Process(dLevel)));
        }
        dLevel = -dLevel;
    }
    signal.resize(signal.size() + 200, 0.0);
    CEdgeDetector edges;
    edges.Reset(2.0, 1e-4, kRate, 40);
    std::vector<SCrossingEvent> events(signal.size() + 1);
    const int32_t nEvents = edges.ProcessBlock(signal.data(), 0.3, 0.5, 0,
                                               static_cast<int32_t>(signal.size()), events.data());
    // The first step finds a side only; a fade follows the last, where the
    // signal stops (its step down to silence is half an edge's).
    ASSERT_EQ(nEvents, static_cast<int32_t>(steps.size()));
    for (size_t k = 1; k < steps.size(); ++k) {
        EXPECT_EQ(events[k - 1].m_eKind, SCrossingEvent::EKind::kCrossing) << k;
        EXPECT_NEAR(events[k - 1].m_dAt, steps[k], 0.5) << k;
    }
    EXPECT_EQ(events[steps.size() - 1].m_eKind, SCrossingEvent::EKind::kFade);
}

// Byte n of those the choice tests send: one every 10 ms from 1 s on.
SFramedByte ChoiceByte(int32_t n) {
    SFramedByte byte;
    byte.m_nValue = static_cast<uint8_t>(n);
    byte.m_dStart = 1.0 + 0.01 * n;
    byte.m_fConfidence = 2.0f;
    return byte;
}

// The choice between the detectors, stretch by stretch, over bytes every
// 10 ms for two seconds: the bytes come out once each and in order,
// whichever detector gives them and however their times differ a little.
TEST(RobustStagesTest, ChoiceTakesEachStretchFromTheCleanerDetector) {
    struct SCase {
        const char* m_szName;
        int32_t m_nCrossingsLostFrom;  // bytes from here ...
        int32_t m_nCrossingsLostTo;    // ... to here lost by the crossings
        int32_t m_nEdgesLostFrom;
        int32_t m_nEdgesLostTo;
        int32_t m_nEdgesSilentFrom;  // bytes from here ...
        int32_t m_nEdgesSilentTo;    // ... to here the edges neither frame nor call lost
        bool m_bEdgesWrong;          // the edges' byte values differ
        bool m_bExpectEdges;         // some edge bytes expected in the output
        float m_fEdgeConfidence;     // of the edges' bytes; the crossings' are 2
    };
    const SCase kCases[] = {
        {"both clean: the crossings", 0, 0, 0, 0, 0, 0, true, false, 2.0f},
        {"both clean, other values: the crossings, surer", 0, 0, 0, 0, 0, 0, true, false, 1.5f},
        {"edges lose some: the crossings", 0, 0, 50, 60, 0, 0, true, false, 1.5f},
        {"crossings lose some: the edges there", 120, 130, 0, 0, 0, 0, false, true, 2.0f},
        {"crossings find nothing: the edges", 0, 200, 0, 0, 0, 0, false, true, 2.0f},
        {"both lose, the crossings less", 10, 12, 8, 20, 0, 0, true, false, 1.5f},
        // A framer that gave up frames nothing and calls nothing lost: it
        // must not win over the crossings' lost bytes and drop their block.
        {"crossings lose all, edges gave up: the crossings", 100, 200, 0, 0, 100, 200, false, false,
         2.0f},
    };
    for (const SCase& test : kCases) {
        SCOPED_TRACE(test.m_szName);
        CDetectorChoice choice;
        choice.Reset();
        std::vector<SChoiceEvent> out;
        CFramerEvents& crossings = choice.Events(CDetectorChoice::EDetector::kCrossings);
        CFramerEvents& edges = choice.Events(CDetectorChoice::EDetector::kEdges);
        for (int32_t n = 0; n < 200; ++n) {
            SFramedByte byte;
            byte.m_nValue = static_cast<uint8_t>(n);
            byte.m_dStart = 1.0 + 0.01 * n;
            byte.m_dEnd = byte.m_dStart + 0.009;
            byte.m_fConfidence = 2.0f;
            if (n >= test.m_nCrossingsLostFrom && n < test.m_nCrossingsLostTo) {
                crossings.OnFailure(byte.m_dStart);
            } else {
                crossings.OnByte(byte);
            }
            SFramedByte edgeByte = byte;
            edgeByte.m_dStart += 0.0003;
            edgeByte.m_nValue = static_cast<uint8_t>(test.m_bEdgesWrong ? n + 1 : n);
            edgeByte.m_fConfidence = test.m_fEdgeConfidence;
            if (n >= test.m_nEdgesSilentFrom && n < test.m_nEdgesSilentTo) {
                // nothing
            } else if (n >= test.m_nEdgesLostFrom && n < test.m_nEdgesLostTo) {
                edges.OnFailure(edgeByte.m_dStart);
            } else {
                edges.OnByte(edgeByte);
            }
            choice.Advance(byte.m_dStart, out);
        }
        crossings.OnBlockEnd();
        edges.OnBlockEnd();
        choice.Finish(out);
        ASSERT_FALSE(out.empty());
        EXPECT_EQ(out.back().m_eKind, EChoiceEvent::kBlockEnd);
        int32_t nNext = 0;
        bool bEdges = false;
        for (size_t k = 0; k + 1 < out.size(); ++k) {
            if (out[k].m_eKind == EChoiceEvent::kFailure) {
                ++nNext;
                continue;
            }
            ASSERT_EQ(out[k].m_eKind, EChoiceEvent::kByte) << k;
            ASSERT_EQ(out[k].m_byte.m_nValue, static_cast<uint8_t>(nNext)) << k;
            bEdges = bEdges || out[k].m_byte.m_dStart != 1.0 + 0.01 * nNext;
            ++nNext;
        }
        EXPECT_EQ(nNext, 200);
        EXPECT_EQ(bEdges, test.m_bExpectEdges);
        EXPECT_EQ(choice.EdgeStretches() > 0, test.m_bExpectEdges);
    }
    // Both clean, one byte framed otherwise by the crossings, less surely:
    // the edges' stretch.
    CDetectorChoice choice;
    choice.Reset();
    std::vector<SChoiceEvent> out;
    for (int32_t n = 0; n < 100; ++n) {
        SFramedByte byte = ChoiceByte(n);
        choice.Events(CDetectorChoice::EDetector::kEdges).OnByte(byte);
        if (n == 40) {
            byte.m_nValue = 0xEE;
            byte.m_fConfidence = 1.1f;
        }
        choice.Events(CDetectorChoice::EDetector::kCrossings).OnByte(byte);
    }
    choice.Finish(out);
    ASSERT_EQ(out.size(), 100u);
    for (size_t k = 0; k < out.size(); ++k) {
        EXPECT_EQ(out[k].m_byte.m_nValue, static_cast<uint8_t>(k)) << k;
    }
}

}  // namespace

// The choice holds a framer's events only until both have settled a
// stretch and the byte after it: a quarter of a second or so, whichever
// framer is behind, not seconds.
TEST(RobustStagesTest, ChoiceHoldsEventsOnlyUntilTheFramersHaveSettledThem) {
    struct SCase {
        const char* m_szName;
        double m_dEdgesBehind;  // s: how far the edges' framer settles behind the crossings'
    };
    const SCase kCases[] = {{"both settled alike", 0.0}, {"the edges 0.4 s behind", 0.4}};
    for (const SCase& test : kCases) {
        SCOPED_TRACE(test.m_szName);
        CDetectorChoice choice;
        choice.Reset();
        std::vector<SChoiceEvent> out;
        for (int32_t n = 0; n < 300; ++n) {
            const SFramedByte byte = ChoiceByte(n);
            choice.Events(CDetectorChoice::EDetector::kCrossings).OnByte(byte);
            choice.Events(CDetectorChoice::EDetector::kEdges).OnByte(byte);
            const double dSettled = byte.m_dStart - test.m_dEdgesBehind;
            choice.Advance(dSettled, out);
            // Out: every byte up to a stretch and a byte before the settled time ...
            const auto nDue = static_cast<size_t>(std::max(0.0, (dSettled - 1.0 - 0.27) / 0.01));
            EXPECT_GE(out.size(), std::min<size_t>(nDue, static_cast<size_t>(n) + 1)) << n;
            // ... and none it has not settled.
            for (const SChoiceEvent& event : out) {
                EXPECT_LT(event.m_byte.m_dStart, dSettled);
            }
        }
        choice.Finish(out);
        ASSERT_EQ(out.size(), 300u);
        for (size_t k = 0; k < out.size(); ++k) {
            EXPECT_EQ(out[k].m_byte.m_nValue, static_cast<uint8_t>(k));
        }
    }
}

TEST(RobustStagesTest, LeaderShapeTellsASquareLeaderFromAChangedOne) {
    // A leader of nHalves short half-periods at 44.1 kHz, then silence,
    // through an optional filter.
    enum class EWave : uint8_t { kSquare, kSine, kNoise };
    const struct {
        const char* m_szName;
        EWave m_eWave;
        int32_t m_nHalves;
        double m_dHalfSamples;  // samples per half-period
        double m_dHighpassHz;   // 2nd order; 0: none
        double m_dLowpassHz;    // 2nd order; 0: none
        bool m_bMeasured;
        double m_dMin;  // flatness, when measured
        double m_dMax;
    } kCases[] = {
        {"square", EWave::kSquare, 400, 11.0, 0.0, 0.0, true, 0.9, 1.0},
        {"square, a slow deck", EWave::kSquare, 400, 15.5, 0.0, 0.0, true, 0.9, 1.0},
        {"square after a low-cut at 300 Hz", EWave::kSquare, 400, 11.0, 300.0, 0.0, true, 0.5, 0.8},
        {"square after a low-pass at 2 kHz", EWave::kSquare, 400, 11.0, 0.0, 2000.0, true, 0.5,
         0.8},
        {"sine", EWave::kSine, 400, 11.0, 0.0, 0.0, true, 0.55, 0.72},
        {"too short a leader", EWave::kSquare, 100, 11.0, 0.0, 0.0, false, 0.0, 0.0},
        {"half-periods too long for a leader", EWave::kSquare, 400, 34.0, 0.0, 0.0, false, 0.0,
         0.0},
        {"noise", EWave::kNoise, 400, 11.0, 0.0, 0.0, false, 0.0, 0.0},
    };
    for (const auto& test : kCases) {
        SCOPED_TRACE(test.m_szName);
        CBiquad highpass;
        CBiquad lowpass;
        highpass.SetHighpass(std::max(test.m_dHighpassHz, 1.0), 44100.0);
        lowpass.SetLowpass(std::max(test.m_dLowpassHz, 1.0), 44100.0);
        CLeaderShape shape;
        shape.Set(44100.0, kShort);
        std::mt19937 rng(5);
        std::normal_distribution<double> noise(0.0, 0.3);
        const auto nSamples = static_cast<int32_t>(test.m_nHalves * test.m_dHalfSamples);
        for (int32_t n = 0; n < nSamples + 2000; ++n) {
            const double dPhase = std::numbers::pi * n / test.m_dHalfSamples;
            double dIn = 0.0;
            if (n < nSamples) {
                dIn = test.m_eWave == EWave::kSquare ? (std::sin(dPhase + 0.1) >= 0.0 ? 0.5 : -0.5)
                      : test.m_eWave == EWave::kSine ? 0.5 * std::sin(dPhase)
                                                     : noise(rng);
            }
            dIn = test.m_dHighpassHz > 0.0 ? highpass.Process(dIn) : dIn;
            shape.Process(test.m_dLowpassHz > 0.0 ? lowpass.Process(dIn) : dIn);
        }
        ASSERT_EQ(shape.Measured(), test.m_bMeasured);
        if (test.m_bMeasured) {
            EXPECT_GE(shape.Flatness(), test.m_dMin);
            EXPECT_LE(shape.Flatness(), test.m_dMax);
        }
    }
}
