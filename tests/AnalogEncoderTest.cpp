// The analog renderer of the tape encoder: its files read back through
// libsndfile in every sample format, edges found at their exact sub-sample
// times and decoded again by the half-period rules, the record of where
// things are, the impairments and their seed, the command line, and the
// tick-exact path that must stay as it was.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "AnalogRecording.h"
#include "ConversionRun.h"
#include "EncodeArguments.h"
#include "Filters.h"
#include "Impairments.h"
#include "RecordHeader.h"
#include "TimeWarp.h"
#include "ToolEffects.h"
#include "WavWriter.h"
#include "support/RecordingOwner.h"
#include "support/TestFiles.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;
constexpr double kTick = 1.0 / 44100.0;

Bytes TestData(size_t nSize = 300) {
    Bytes data(nSize);
    for (size_t k = 0; k < nSize; ++k) {
        data[k] = static_cast<uint8_t>(k * 7 + k / 256);
    }
    return data;
}

double Amplitude(const CImpairments& imp) {
    return std::pow(10.0, imp.m_dLevelDb / 20.0);
}

// Root mean square of samples [nFrom, nTo) after taking dMean off.
double Rms(const std::vector<double>& samples, size_t nFrom, size_t nTo, double dMean = 0) {
    double dSum = 0;
    for (size_t k = nFrom; k < nTo; ++k) {
        dSum += (samples[k] - dMean) * (samples[k] - dMean);
    }
    return std::sqrt(dSum / static_cast<double>(nTo - nFrom));
}

struct SSoundFile {
    SF_INFO info{};
    std::vector<double> samples;  // interleaved
    std::string strSoftware;
    std::string strComment;
    bool bOpened = false;

    std::vector<double> Channel(int32_t nChannel) const {
        std::vector<double> channel;
        for (size_t k = static_cast<size_t>(nChannel); k < samples.size();
             k += static_cast<size_t>(info.channels)) {
            channel.push_back(samples[k]);
        }
        return channel;
    }
};

SSoundFile ReadSoundFile(const std::string& strPath) {
    SSoundFile file;
    SNDFILE* pFile = sf_open(strPath.c_str(), SFM_READ, &file.info);
    if (pFile == nullptr) {
        return file;
    }
    file.bOpened = true;
    file.samples.resize(static_cast<size_t>(file.info.frames * file.info.channels));
    EXPECT_EQ(sf_readf_double(pFile, file.samples.data(), file.info.frames), file.info.frames);
    for (auto [nType, pText] : {std::pair{SF_STR_SOFTWARE, &file.strSoftware},
                                std::pair{SF_STR_COMMENT, &file.strComment}}) {
        const char* sz = sf_get_string(pFile, nType);
        *pText = sz == nullptr ? "" : sz;
    }
    sf_close(pFile);
    return file;
}

// An edge of a clean recording: where, in sample periods, and the level
// after it (+-amplitude or 0). A sample that straddles an edge holds the
// time-weighted mean of the levels, which gives the edge's exact place.
// Inside a block the level alternates; a block starts on its first
// half-period's level and ends where the samples fall silent.
struct SEdge {
    double m_dAt;
    double m_dLevel;
};

std::vector<SEdge> FindEdges(const std::vector<double>& samples, double dAmp, double dEps) {
    const auto levelOf = [&](size_t n) -> std::optional<double> {
        for (const double dLevel : {0.0, dAmp, -dAmp}) {
            if (n < samples.size() && std::fabs(samples[n] - dLevel) <= dEps) {
                return dLevel;
            }
        }
        return std::nullopt;
    };
    std::vector<SEdge> edges;
    double dLevel = 0;
    for (size_t n = 0; n < samples.size(); ++n) {
        std::optional<double> level = levelOf(n);
        if (level && *level == dLevel) {
            continue;
        }
        const bool bSilenceNext = n + 1 == samples.size() || levelOf(n + 1) == 0.0;
        if (level == 0.0 && !bSilenceNext) {
            level.reset();  // an edge in the middle of the sample
        }
        const auto dAt = static_cast<double>(n);
        if (level) {
            edges.push_back(SEdge{dAt, *level});
        } else {
            const double dSign = samples[n] > 0 ? 1.0 : -1.0;
            const double dNext = dLevel == 0 ? dSign * dAmp : bSilenceNext ? 0.0 : -dLevel;
            edges.push_back(SEdge{dAt + (samples[n] - dNext) / (dLevel - dNext), dNext});
        }
        dLevel = edges.back().m_dLevel;
    }
    return edges;
}

// A block read back from its edges: the half-periods in ticks, the bytes
// by the half-period rules, and where each byte starts.
struct SDecodedBlock {
    std::vector<double> edges;        // in sample periods, the last one to silence
    std::vector<double> halfPeriods;  // in ticks, as played
    Bytes bytes;
    std::vector<double> byteStarts;  // in sample periods
};

void DecodeBlock(SDecodedBlock& block, int32_t nRate) {
    const std::vector<double>& at = block.edges;
    for (size_t i = 0; i + 1 < at.size(); ++i) {
        block.halfPeriods.push_back((at[i + 1] - at[i]) / nRate / kTick);
    }
    const std::vector<double>& hp = block.halfPeriods;
    const auto isLong = [&](size_t i) { return i < hp.size() && hp[i] > 22.5; };
    size_t i = 0;
    while (i < hp.size() && !isLong(i)) {
        ++i;  // leader
    }
    while (isLong(i)) {
        block.byteStarts.push_back(at[i++]);
        bool bLevel = false;
        uint8_t nByte = 0;
        for (int nBit = 0; nBit < 8; ++nBit) {
            const bool bChange = isLong(i);
            i += bChange ? 1 : 2;
            bLevel = bLevel != bChange;
            nByte = static_cast<uint8_t>(nByte | (bLevel ? 1 << nBit : 0));
        }
        if (!bLevel) {
            EXPECT_TRUE(isLong(i)) << "closing half-period of byte " << block.bytes.size();
            ++i;
        }
        block.bytes.push_back(nByte);
    }
}

std::vector<SDecodedBlock> DecodeEdges(const std::vector<SEdge>& edges, int32_t nRate) {
    std::vector<SDecodedBlock> blocks;
    bool bInBlock = false;
    for (const SEdge& edge : edges) {
        if (!bInBlock) {
            blocks.emplace_back();
        }
        blocks.back().edges.push_back(edge.m_dAt);
        bInBlock = edge.m_dLevel != 0;
    }
    for (SDecodedBlock& block : blocks) {
        DecodeBlock(block, nRate);
    }
    return blocks;
}

// Every half-period as long as the code says, at the given deck speed.
void ExpectNominalLengths(const SDecodedBlock& block, double dSpeed, double dTolTicks) {
    for (size_t k = 0; k < block.halfPeriods.size(); ++k) {
        const double dTicks = block.halfPeriods[k] * dSpeed;
        const double dNominal = dTicks > 22.5 ? 34.0 : 11.0;
        ASSERT_NEAR(dTicks, dNominal, dTolTicks) << "half-period " << k;
    }
}

Bytes WithHeader(const std::string& strName, const Bytes& data) {
    Bytes bytes = strName.empty() ? Bytes{} : MakeRecordHeader(strName);
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

uint32_t Le(const Bytes& bytes, size_t nAt, size_t nSize) {
    uint32_t n = 0;
    for (size_t k = nSize; k-- > 0;) {
        n = n << 8 | bytes.at(nAt + k);
    }
    return n;
}

// The chunks in order, sizes adding up with their pad bytes, and the
// fields a reader of the format needs.
void ExpectChunks(const Bytes& wav, const CAnalogFormat& f, uint32_t nFrames) {
    ASSERT_GE(wav.size(), 12u);
    EXPECT_EQ(Le(wav, 4, 4), wav.size() - 8);
    std::vector<std::string> tags;
    for (size_t nAt = 12; nAt + 8 <= wav.size();) {
        const std::string strTag(wav.begin() + static_cast<std::ptrdiff_t>(nAt),
                                 wav.begin() + static_cast<std::ptrdiff_t>(nAt) + 4);
        const uint32_t nSize = Le(wav, nAt + 4, 4);
        tags.push_back(strTag);
        if (strTag == "fmt ") {
            EXPECT_EQ(nSize, f.m_bExtensible ? 40u : f.m_bFloat ? 18u : 16u);
            EXPECT_EQ(Le(wav, nAt + 8, 2), f.m_bExtensible ? 0xFFFEu : f.m_bFloat ? 3u : 1u);
            EXPECT_EQ(Le(wav, nAt + 20, 2), static_cast<uint32_t>(f.m_nBits / 8 * f.m_nChannels));
            EXPECT_EQ(Le(wav, nAt + 22, 2), static_cast<uint32_t>(f.m_nBits));
        }
        if (strTag == "fmt " && f.m_bExtensible) {
            EXPECT_EQ(Le(wav, nAt + 24, 2), 22u);
            EXPECT_EQ(Le(wav, nAt + 26, 2), static_cast<uint32_t>(f.m_nBits));
            EXPECT_EQ(Le(wav, nAt + 28, 4), f.m_nChannels == 1 ? 4u : 3u);
            const Bytes guid(wav.begin() + static_cast<std::ptrdiff_t>(nAt) + 32,
                             wav.begin() + static_cast<std::ptrdiff_t>(nAt) + 48);
            EXPECT_EQ(guid, (Bytes{f.m_bFloat ? uint8_t{3} : uint8_t{1}, 0, 0, 0, 0, 0, 0x10, 0,
                                   0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71}));
        }
        if (strTag == "fact") {
            EXPECT_EQ(Le(wav, nAt + 8, 4), nFrames);
        }
        if (strTag == "data") {
            EXPECT_EQ(nSize, nFrames * static_cast<uint32_t>(f.m_nBits / 8 * f.m_nChannels));
        }
        nAt += 8 + nSize + nSize % 2;
        EXPECT_LE(nAt, wav.size()) << strTag;
    }
    std::vector<std::string> expected = {"fmt "};
    if (f.m_bFloat) {
        expected.push_back("fact");
    }
    if (f.m_bListChunk) {
        expected.push_back("LIST");
    }
    expected.push_back("data");
    EXPECT_EQ(tags, expected);
}

struct SFormatCase {
    CAnalogFormat format;
    int nSubtype;
};

CAnalogFormat Format(int32_t nRate, int32_t nBits, bool bFloat, int32_t nChannels,
                     EOtherChannel eOther, int32_t nSignal, bool bExtensible, bool bList) {
    return CAnalogFormat{nRate, nBits, bFloat, nChannels, eOther, nSignal, bExtensible, bList};
}

TEST(AnalogFormats, ReadBackWithTheirRateChannelsSubformatAndSignal) {
    using enum EOtherChannel;
    const SFormatCase cases[] = {
        {Format(8000, 8, false, 1, kCopy, 0, false, false), SF_FORMAT_PCM_U8},
        {Format(11025, 8, false, 2, kNoise, 0, false, true), SF_FORMAT_PCM_U8},
        {Format(22050, 16, false, 1, kCopy, 0, false, true), SF_FORMAT_PCM_16},
        {Format(44100, 16, false, 2, kCopy, 1, false, false), SF_FORMAT_PCM_16},
        {Format(48000, 24, false, 2, kSilence, 0, true, false), SF_FORMAT_PCM_24},
        {Format(96000, 32, false, 1, kCopy, 0, true, true), SF_FORMAT_PCM_32},
        {Format(44100, 32, true, 1, kCopy, 0, false, true), SF_FORMAT_FLOAT},
        {Format(192000, 32, true, 2, kNoise, 1, true, false), SF_FORMAT_FLOAT},
        {Format(88200, 64, true, 1, kCopy, 0, true, false), SF_FORMAT_DOUBLE},
        {Format(176400, 64, true, 2, kSilence, 1, false, true), SF_FORMAT_DOUBLE},
    };
    CTempDir dir;
    const Bytes data = TestData();
    const CImpairments clean;
    const double dAmp = Amplitude(clean);
    for (const SFormatCase& c : cases) {
        const CAnalogFormat& f = c.format;
        SCOPED_TRACE(testing::Message()
                     << f.m_nRate << " Hz " << f.m_nBits << " bit" << (f.m_bFloat ? " float " : " ")
                     << f.m_nChannels << " ch" << (f.m_bExtensible ? " extensible" : "")
                     << (f.m_bListChunk ? " LIST" : ""));
        const std::string strPath = dir.File("format.wav");
        const CAnalogBlock blocks[] = {{"FORMAT", data}};
        CRenderTruth truth;
        ASSERT_TRUE(WriteAnalogRecording(strPath, f, clean, blocks, 120, 0.05, &truth));
        const SSoundFile file = ReadSoundFile(strPath);
        ExpectChunks(ReadBytes(strPath), f, static_cast<uint32_t>(file.info.frames));
        ASSERT_TRUE(file.bOpened);
        EXPECT_EQ(file.info.samplerate, f.m_nRate);
        EXPECT_EQ(file.info.channels, f.m_nChannels);
        EXPECT_EQ(file.info.format & SF_FORMAT_TYPEMASK,
                  f.m_bExtensible ? SF_FORMAT_WAVEX : SF_FORMAT_WAV);
        EXPECT_EQ(file.info.format & SF_FORMAT_SUBMASK, c.nSubtype);
        EXPECT_EQ(file.info.frames, static_cast<sf_count_t>(
                                        std::ceil((truth.m_blocks[0].m_dEnd + 0.05) * f.m_nRate)));
        EXPECT_EQ(file.strSoftware, f.m_bListChunk ? kListSoftware : "");
        EXPECT_EQ(file.strComment, f.m_bListChunk ? kListComment : "");

        const int32_t nSignal = f.m_nChannels == 2 ? f.m_nSignalChannel : 0;
        const std::vector<double> signal = file.Channel(nSignal);
        const double dEps = f.m_bFloat ? 1e-6 : 1.5 / std::pow(2.0, f.m_nBits - 1);
        const std::vector<SDecodedBlock> decoded =
            DecodeEdges(FindEdges(signal, dAmp, dEps), f.m_nRate);
        ASSERT_EQ(decoded.size(), 1u);
        EXPECT_EQ(decoded[0].bytes, WithHeader("FORMAT", data));
        // Edges to within quantisation, in sample periods.
        const double dTol = f.m_nBits == 8 ? 0.02 : 0.005;
        ExpectNominalLengths(decoded[0], 1.0, 2 * dTol * 44100.0 / f.m_nRate);
        ASSERT_EQ(decoded[0].byteStarts.size(), truth.m_byteStarts.size());
        for (size_t k = 0; k < truth.m_byteStarts.size(); ++k) {
            ASSERT_NEAR(decoded[0].byteStarts[k], truth.m_byteStarts[k] * f.m_nRate, dTol);
        }

        if (f.m_nChannels == 2) {
            const std::vector<double> other = file.Channel(1 - nSignal);
            const double dRms = Rms(other, 0, other.size());
            switch (f.m_eOther) {
                case kCopy:
                    EXPECT_EQ(other, signal);
                    break;
                case kSilence:
                    EXPECT_EQ(dRms, 0.0);
                    break;
                case kNoise:
                    EXPECT_NEAR(dRms, dAmp, 0.05 * dAmp);
                    EXPECT_NE(other, signal);
                    break;
            }
        }
    }
}

TEST(AnalogFormats, SamplesAreRoundedClippedAndPadded) {
    // Through the writer alone: values to full scale and beyond, an odd
    // number of frames (a pad byte for 8 and 24-bit mono), read back.
    const std::vector<double> values = {-1.5, -1.0, -0.5, 0.3, 0.9999, 1.0, 2.0};
    struct SCase {
        int32_t nBits;
        bool bFloat;
        std::vector<double> expected;
    };
    const double d8 = 1.0 / 128;
    const double d24 = 1.0 / 8388608;
    const SCase cases[] = {
        {8, false, {-1, -1, -0.5, 38 * d8, 127 * d8, 127 * d8, 127 * d8}},
        {16,
         false,
         {-1, -1, -0.5, 9830.0 / 32768, 32765.0 / 32768, 32767.0 / 32768, 32767.0 / 32768}},
        {24, false, {-1, -1, -0.5, 2516582 * d24, 8387769 * d24, 8388607 * d24, 8388607 * d24}},
        {32, false, {-1, -1, -0.5, 0.3, 0.9999, 1.0, 1.0}},
        {32,
         true,
         {-1.5, -1.0, -0.5, static_cast<float>(0.3), static_cast<float>(0.9999), 1.0, 2.0}},
        {64, true, values},
    };
    CTempDir dir;
    for (const SCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nBits << (c.bFloat ? " float" : " bit"));
        CAnalogFormat format;
        format.m_nBits = c.nBits;
        format.m_bFloat = c.bFloat;
        format.m_nChannels = 1;
        CVectorSink sink;
        CWavWriter writer(format, sink);
        ASSERT_TRUE(writer.Begin(values.size()));
        ASSERT_TRUE(writer.Write(values, {}));
        ASSERT_TRUE(writer.Finish());
        const size_t nData = values.size() * static_cast<size_t>(c.nBits / 8);
        const size_t nHeader = MakeAnalogWavHeader(format, values.size()).size();
        EXPECT_EQ(sink.Bytes().size(), nHeader + nData + nData % 2);
        EXPECT_FALSE(writer.Write(values, {})) << "more frames than announced";

        WriteBytes(dir.File("samples.wav"), sink.Bytes());
        const SSoundFile file = ReadSoundFile(dir.File("samples.wav"));
        ASSERT_TRUE(file.bOpened);
        ASSERT_EQ(file.samples.size(), values.size());
        for (size_t k = 0; k < values.size(); ++k) {
            EXPECT_NEAR(file.samples[k], c.expected[k], 1e-9) << "value " << values[k];
        }
    }
}

TEST(AnalogFormats, TooLongForAWavFileWritesNothing) {
    CAnalogFormat format;
    format.m_nRate = kMaxAnalogRate;
    format.m_nBits = 64;
    format.m_bFloat = true;
    format.m_nChannels = 2;
    CVectorSink sink;
    EXPECT_EQ(RenderAnalogToSink(sink, format, CImpairments{}, {}, 0, 3000.0),
              EAnalogResult::kTooLong);
    EXPECT_TRUE(sink.Bytes().empty());
    EXPECT_EQ(RenderAnalogToSink(sink, format, CImpairments{}, {}, 0, 1.0),
              EAnalogResult::kWritten);
}

struct SSpeedCase {
    int32_t nRate;
    double dSpeed;
    double dWowPercent;
    double dLevelDb;
    bool bInvert;
};

TEST(AnalogTiming, HalfPeriodsAreNominalOverTheSpeedEverywhereInTheBlocks) {
    const SSpeedCase cases[] = {
        {8000, 1.0, 0, -6, false},   {44100, 1.0, 0, -1, true},   {48000, 1.1, 0, -20, false},
        {96000, 0.9, 0, -6, true},   {192000, 1.5, 0, -6, false}, {44100, 1.05, 3.0, -6, false},
        {96000, 1.0, 8.0, -3, true},
    };
    CTempDir dir;
    const Bytes data = TestData(200);
    const CAnalogBlock blocks[] = {{"", data}, {"SECOND", Bytes(data.rbegin(), data.rend())}};
    for (const SSpeedCase& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.nRate << " Hz, speed " << c.dSpeed << ", wow " << c.dWowPercent);
        CAnalogFormat format;
        format.m_nRate = c.nRate;
        CImpairments imp;
        imp.m_dSpeed = c.dSpeed;
        imp.m_dWowPercent = c.dWowPercent;
        imp.m_dWowHz = 4.0;
        imp.m_dLevelDb = c.dLevelDb;
        imp.m_bInvert = c.bInvert;
        constexpr double kGap = 0.25;
        CRenderTruth truth;
        const std::string strPath = dir.File("speed.wav");
        ASSERT_TRUE(WriteAnalogRecording(strPath, format, imp, blocks, 100, kGap, &truth));
        const SSoundFile file = ReadSoundFile(strPath);
        // Edges between the levels of the amplitude, starting the block high
        // (low when inverted).
        const std::vector<SEdge> edges = FindEdges(file.samples, Amplitude(imp), 1.5 / 32768);
        ASSERT_FALSE(edges.empty());
        EXPECT_EQ(edges.front().m_dLevel < 0, c.bInvert);
        const std::vector<SDecodedBlock> decoded = DecodeEdges(edges, c.nRate);
        ASSERT_EQ(decoded.size(), 2u);
        ASSERT_EQ(truth.m_blocks.size(), 2u);
        size_t nByte = 0;
        for (size_t b = 0; b < 2; ++b) {
            EXPECT_EQ(decoded[b].bytes, WithHeader(blocks[b].m_strName, blocks[b].m_data));
            const CRenderTruth::SBlock& block = truth.m_blocks[b];
            EXPECT_EQ(block.m_nBytes, decoded[b].bytes.size());
            EXPECT_NEAR(decoded[b].edges.front(), block.m_dStart * c.nRate, 0.005);
            EXPECT_NEAR(decoded[b].edges.back(), block.m_dEnd * c.nRate, 0.005);
            EXPECT_NEAR(decoded[b].byteStarts.front(), block.m_dFirstByte * c.nRate, 0.005);
            for (const double dStart : decoded[b].byteStarts) {
                ASSERT_NEAR(dStart, truth.m_byteStarts.at(nByte++) * c.nRate, 0.005);
            }
            if (c.dWowPercent == 0) {
                ExpectNominalLengths(decoded[b], c.dSpeed, 0.01 * 44100.0 / c.nRate);
                continue;
            }
            // The speed of each half-period swings by the wow's depth, both ways.
            double dSlowest = 1e9;
            double dFastest = 0;
            for (const double dTicks : decoded[b].halfPeriods) {
                const double dSpeed = (dTicks > 22.5 ? 34.0 : 11.0) / dTicks;
                dSlowest = std::min(dSlowest, dSpeed);
                dFastest = std::max(dFastest, dSpeed);
            }
            const double dDepth = c.dWowPercent / 100 * c.dSpeed;
            EXPECT_GT(dSlowest, c.dSpeed - dDepth * 1.05);
            EXPECT_LT(dSlowest, c.dSpeed - dDepth * 0.9);
            EXPECT_GT(dFastest, c.dSpeed + dDepth * 0.9);
            EXPECT_LT(dFastest, c.dSpeed + dDepth * 1.05);
        }
        if (c.dWowPercent == 0) {
            // Silence of the gap's tape time around and between the blocks.
            EXPECT_NEAR(truth.m_blocks[0].m_dStart, kGap / c.dSpeed, 1e-9);
            EXPECT_NEAR(truth.m_blocks[1].m_dStart - truth.m_blocks[0].m_dEnd, kGap / c.dSpeed,
                        1e-9);
            EXPECT_NEAR(static_cast<double>(file.info.frames) / c.nRate - truth.m_blocks[1].m_dEnd,
                        kGap / c.dSpeed, 1.0 / c.nRate);
        }
    }
}

std::vector<double> RenderSamples(const CImpairments& imp, CRenderTruth* pTruth,
                                  const Bytes& data = TestData()) {
    CTempDir dir;
    CAnalogFormat format;
    format.m_nRate = 48000;
    format.m_nBits = 32;
    format.m_bFloat = true;
    const CAnalogBlock blocks[] = {{"", data}};
    EXPECT_TRUE(WriteAnalogRecording(dir.File("imp.wav"), format, imp, blocks, 200, 0.5, pTruth));
    return ReadSoundFile(dir.File("imp.wav")).samples;
}

TEST(AnalogImpairments, NoiseHumAndOffsetInTheGapAtTheirLevels) {
    struct SCase {
        const char* szName;
        CImpairments imp;
        double dMean;  // expected in the gap
        double dRms;   // about the mean, as a fraction of the signal's amplitude
    };
    CImpairments hiss;
    hiss.m_dHissDb = 20;
    CImpairments hum;
    hum.m_dHumDb = 26;
    hum.m_dLevelDb = -12;
    CImpairments dc;
    dc.m_dDc = -0.125;
    CImpairments all = hiss;
    all.m_dHumDb = 20;
    all.m_dDc = 0.25;
    const SCase cases[] = {
        {"hiss", hiss, 0.0, 0.1},
        {"hum", hum, 0.0, 0.05},
        {"dc", dc, -0.125, 0.0},
        {"all", all, 0.25, std::sqrt(0.02)},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.szName);
        CRenderTruth truth;
        const std::vector<double> samples = RenderSamples(c.imp, &truth);
        // The first 0.4 s: silence before the leader at 0.5 s.
        const size_t nGap = 19200;
        double dMean = 0;
        for (size_t k = 0; k < nGap; ++k) {
            dMean += samples[k] / nGap;
        }
        EXPECT_NEAR(dMean, c.dMean, 0.003);
        EXPECT_NEAR(Rms(samples, 0, nGap, c.dMean), c.dRms * Amplitude(c.imp),
                    0.05 * c.dRms * Amplitude(c.imp) + 1e-9);
    }
}

TEST(AnalogImpairments, DropoutsLieInTheDataAndAttenuateIt) {
    CImpairments imp;
    imp.m_nDropouts = 6;
    imp.m_dDropoutMs = 10;
    imp.m_dDropoutDepthDb = 24;
    CRenderTruth truth;
    const std::vector<double> samples = RenderSamples(imp, &truth, TestData(600));
    ASSERT_EQ(truth.m_dropouts.size(), 6u);
    const double dAmp = Amplitude(imp);
    for (size_t k = 0; k < truth.m_dropouts.size(); ++k) {
        const auto [dStart, dEnd] = truth.m_dropouts[k];
        EXPECT_GE(dEnd - dStart, 0.005 - 1e-12);
        EXPECT_LE(dEnd - dStart, 0.015 + 1e-12);
        EXPECT_GE(dStart, truth.m_blocks[0].m_dFirstByte);
        EXPECT_LE(dEnd, truth.m_blocks[0].m_dEnd);
        if (k > 0) {
            EXPECT_GT(dStart, truth.m_dropouts[k - 1].second);
        }
        // Between the ramps the signal is down by the depth; just outside
        // the dropout it is at full level.
        const auto nIn = static_cast<size_t>((dStart + 0.0012) * 48000);
        const auto nInEnd = static_cast<size_t>((dEnd - 0.0012) * 48000);
        EXPECT_NEAR(Rms(samples, nIn, nInEnd), dAmp * std::pow(10.0, -24.0 / 20), 0.01 * dAmp);
        const auto nOut = static_cast<size_t>(dEnd * 48000) + 1;
        EXPECT_NEAR(Rms(samples, nOut, nOut + 48), dAmp, 0.05 * dAmp);
    }
}

TEST(AnalogImpairments, FiltersHaveTheirResponse) {
    // Gain of a steady sine after the filter settles.
    struct SCase {
        bool bLowpass;
        double dRatio;  // sine frequency over the corner
    };
    const SCase cases[] = {{true, 1.0},  {true, 0.1}, {true, 4.0},
                           {false, 1.0}, {false, 10}, {false, 0.1}};
    constexpr double kRate = 48000;
    constexpr double kCorner = 1000;
    for (const SCase& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.bLowpass ? "low-pass " : "high-pass ") << c.dRatio);
        // Warped to the analog frequency the bilinear filter answers at.
        const double dHz = kRate / std::numbers::pi *
                           std::atan(std::tan(std::numbers::pi * kCorner / kRate) * c.dRatio);
        std::vector<double> sine(96000);
        for (size_t k = 0; k < sine.size(); ++k) {
            sine[k] = std::sin(2 * std::numbers::pi * dHz * static_cast<double>(k) / kRate);
        }
        if (c.bLowpass) {
            CLowpass(kCorner, kRate).Process(sine);
        } else {
            CHighpass(kCorner, kRate).Process(sine);
        }
        const double dR = c.dRatio;
        const double dGain = c.bLowpass ? 1 / std::sqrt(1 + std::pow(dR, 4))  // Butterworth
                                        : dR / std::sqrt(1 + dR * dR);        // one pole
        EXPECT_NEAR(Rms(sine, 48000, 96000) * std::sqrt(2.0), dGain, 0.002);
    }
}

// The audio tools' filters: Butterworth of every order, -3 dB at the corner
// and n times 6 dB per octave beyond it; the all-pass passes every
// frequency whole.
TEST(AnalogImpairments, ToolFiltersHaveTheirResponse) {
    constexpr double kRate = 48000;
    constexpr double kCorner = 1000;
    struct SCase {
        const char* szKind;  // "hp", "lp" or "ap"
        int nOrder;
        double dRatio;  // sine frequency over the corner
    };
    const SCase cases[] = {{"hp", 1, 1.0}, {"hp", 2, 1.0}, {"hp", 3, 0.5}, {"hp", 4, 0.5},
                           {"hp", 4, 4.0}, {"lp", 4, 1.0}, {"lp", 4, 2.0}, {"lp", 2, 0.25},
                           {"ap", 2, 0.3}, {"ap", 2, 1.0}, {"ap", 2, 3.0}};
    for (const SCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.szKind << " " << c.nOrder << " " << c.dRatio);
        const double dHz = kRate / std::numbers::pi *
                           std::atan(std::tan(std::numbers::pi * kCorner / kRate) * c.dRatio);
        std::vector<double> sine(96000);
        for (size_t k = 0; k < sine.size(); ++k) {
            sine[k] = std::sin(2 * std::numbers::pi * dHz * static_cast<double>(k) / kRate);
        }
        const std::string strKind = c.szKind;
        double dGain = 1.0;
        if (strKind == "ap") {
            CSection allpass(CSection::EKind::kAllpass, kCorner, 0.7, kRate);
            for (double& d : sine) {
                d = allpass.Process(d);
            }
        } else {
            const bool bHighpass = strKind == "hp";
            CButterworth(bHighpass, c.nOrder, kCorner, kRate).Process(sine);
            const double dR = bHighpass ? 1.0 / c.dRatio : c.dRatio;
            dGain = 1.0 / std::sqrt(1.0 + std::pow(dR, 2.0 * c.nOrder));
        }
        EXPECT_NEAR(Rms(sine, 48000, 96000) * std::sqrt(2.0), dGain, 0.003);
    }
}

TEST(AnalogImpairments, AutomaticGainAndOverdriveKeepThePeakLevel) {
    constexpr double kRate = 48000;
    // A square wave 20 dB too quiet: within a few release times the gain
    // rises to bring it to the target, and a step up is brought down within
    // a few attack times.
    std::vector<double> square(48000);
    for (size_t k = 0; k < square.size(); ++k) {
        square[k] = (k / 20) % 2 == 0 ? 0.05 : -0.05;
        square[k] *= k >= 24000 ? 8.0 : 1.0;
    }
    CAutoGain(0.5, 5.0, 50.0, kRate).Process(square);
    EXPECT_NEAR(std::fabs(square[23990]), 0.5, 0.01);
    EXPECT_NEAR(std::fabs(square[47990]), 0.5, 0.01);
    EXPECT_GT(std::fabs(square[24000]), 1.0);  // the step before the attack follows it
    // Soft clipping: the peak stays, a small signal is driven up by the gain.
    std::vector<double> levels = {0.5, -0.5, 0.001, 0.25};
    Overdrive(levels, 15.0, 0.5);
    EXPECT_NEAR(levels[0], 0.5, 1e-12);
    EXPECT_NEAR(levels[1], -0.5, 1e-12);
    const double dGain = std::pow(10.0, 15.0 / 20.0);
    EXPECT_NEAR(levels[2], 0.001 * dGain / std::tanh(dGain), 1e-6);
    EXPECT_GT(levels[3], 0.49);  // half the peak is driven into the curve's top
}

// G.711 samples as libsndfile reads them back: within half a step of the
// logarithmic code, and the format the header names.
TEST(AnalogFormats, MuLawAndALawReadBack) {
    CTempDir dir;
    const Bytes data = TestData();
    for (const auto& [eCompanding, nSubformat] : {std::pair{ECompanding::kMuLaw, SF_FORMAT_ULAW},
                                                  std::pair{ECompanding::kALaw, SF_FORMAT_ALAW}}) {
        SCOPED_TRACE(nSubformat);
        CAnalogFormat format;
        format.m_nRate = 8000;
        format.m_nBits = 8;
        format.m_eCompanding = eCompanding;
        const std::string strPath = dir.File("g711.wav");
        const CAnalogBlock blocks[] = {{"G711", data}};
        CImpairments hiss;
        hiss.m_dHissDb = 10.0;  // every level, not two
        ASSERT_TRUE(WriteAnalogRecording(strPath, format, hiss, blocks, 120, 0.05));
        const SSoundFile file = ReadSoundFile(strPath);
        ASSERT_TRUE(file.bOpened);
        EXPECT_EQ(file.info.format, SF_FORMAT_WAV | nSubformat);
        EXPECT_EQ(file.info.samplerate, 8000);
        // The same rendering as 16-bit samples: the companded ones lie
        // within a sixteenth of their magnitude (and a small floor).
        format.m_nBits = 16;
        format.m_eCompanding = ECompanding::kNone;
        ASSERT_TRUE(WriteAnalogRecording(dir.File("pcm.wav"), format, hiss, blocks, 120, 0.05));
        const SSoundFile pcm = ReadSoundFile(dir.File("pcm.wav"));
        ASSERT_EQ(pcm.samples.size(), file.samples.size());
        for (size_t k = 0; k < pcm.samples.size(); ++k) {
            ASSERT_NEAR(file.samples[k], pcm.samples[k], std::fabs(pcm.samples[k]) / 16.0 + 2.5e-4)
                << k;
        }
    }
}

TEST(AnalogImpairments, SameSeedSameFileOtherSeedOtherNoise) {
    CAnalogFormat format;
    format.m_nChannels = 2;
    format.m_eOther = EOtherChannel::kNoise;
    CImpairments imp;
    imp.m_dHissDb = 30;
    imp.m_nDropouts = 3;
    const CAnalogBlock blocks[] = {{"SEED", TestData()}};
    CTempDir dir;
    std::vector<SSoundFile> files;
    std::vector<CRenderTruth> truths(3);
    for (const uint64_t nSeed : {1u, 1u, 2u}) {
        imp.m_nSeed = nSeed;
        const std::string strPath = dir.File(std::to_string(files.size()) + ".wav");
        ASSERT_TRUE(
            WriteAnalogRecording(strPath, format, imp, blocks, 100, 0.1, &truths[files.size()]));
        files.push_back(ReadSoundFile(strPath));
    }
    EXPECT_EQ(files[0].samples, files[1].samples);
    EXPECT_EQ(truths[0].m_dropouts, truths[1].m_dropouts);
    EXPECT_NE(truths[0].m_dropouts, truths[2].m_dropouts);
    // In the gap, the hiss of two seeds differs as two independent noises
    // do (RMS sqrt(2) times one), and the other channel's noise is
    // independent of the hiss.
    const std::vector<double> hiss = files[0].Channel(1);
    const std::vector<double> otherHiss = files[2].Channel(1);
    const std::vector<double> noise = files[0].Channel(0);
    const size_t nGap = 4000;
    std::vector<double> difference(nGap);
    double dCovariance = 0;
    for (size_t k = 0; k < nGap; ++k) {
        difference[k] = hiss[k] - otherHiss[k];
        dCovariance += hiss[k] * noise[k] / nGap;
    }
    const double dHiss = Amplitude(imp) * std::pow(10.0, -30.0 / 20);
    EXPECT_NEAR(Rms(difference, 0, nGap), std::sqrt(2.0) * dHiss, 0.07 * dHiss);
    EXPECT_LT(std::fabs(dCovariance), 0.1 * dHiss * Amplitude(imp));
}

// The wow's phase comes from the seed: the same seed gives the same phase,
// others another; the tape position stays the integral of the speed from
// the start whatever the phase.
TEST(AnalogImpairments, WowPhaseComesFromTheSeed) {
    CImpairments imp;
    std::vector<double> phases;
    for (const uint64_t nSeed : {1u, 1u, 2u, 3u}) {
        imp.m_nSeed = nSeed;
        phases.push_back(WowPhase(imp));
        EXPECT_GE(phases.back(), 0.0);
        EXPECT_LT(phases.back(), 2.0 * std::numbers::pi);
    }
    EXPECT_EQ(phases[0], phases[1]);
    EXPECT_GT(std::fabs(phases[0] - phases[2]), 1e-3);
    EXPECT_GT(std::fabs(phases[2] - phases[3]), 1e-3);
    const struct {
        double dSpeed;
        double dPhase;
    } kCases[] = {{1.0, 0.0}, {1.0, phases[2]}, {0.9, phases[3]}, {1.2, std::numbers::pi / 2}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << "speed " << c.dSpeed << ", phase " << c.dPhase);
        CTimeWarp warp(c.dSpeed, 5.0, 2.0, c.dPhase);
        // The tape moved by the integral of speed * (1 + depth sin(w t + phase)).
        double dTape = 0.0;
        constexpr int kSteps = 10000;
        const double dStep = 1.0 / kSteps;
        for (int k = 0; k < kSteps; ++k) {
            const double dMid = (k + 0.5) * dStep;
            dTape += dStep * c.dSpeed *
                     (1.0 + 0.05 * std::sin(2.0 * std::numbers::pi * 2.0 * dMid + c.dPhase));
        }
        EXPECT_NEAR(warp.PlaybackTime(dTape), 1.0, 1e-6);
    }
    // Other phases move the blocks: the wow's timing differs between seeds.
    CTimeWarp first(1.0, 5.0, 2.0, phases[0]);
    CTimeWarp second(1.0, 5.0, 2.0, phases[2]);
    EXPECT_GT(std::fabs(first.PlaybackTime(0.1) - second.PlaybackTime(0.1)), 1e-5);
}

TEST(AnalogDecoder, TheConversionRunReadsACleanRecordingCompletely) {
    CTempDir dir;
    const Bytes data = TestData(700);
    // It takes the samples from byte 46 on, where a plain header ends at
    // 44: frames of 3 or 6 bytes come out of step, so those are not here.
    for (const auto& [nBits, nChannels] : {std::pair{8, 1}, std::pair{16, 1}, std::pair{16, 2}}) {
        SCOPED_TRACE(testing::Message() << nBits << " bit, " << nChannels << " ch");
        CAnalogFormat format;
        format.m_nBits = nBits;
        format.m_nChannels = nChannels;
        const CAnalogBlock blocks[] = {{"ANALOG", data}};
        const std::string strWav = dir.File("analog.wav");
        ASSERT_TRUE(WriteAnalogRecording(strWav, format, CImpairments{}, blocks, 400, 0.2));
        CRecordingOwner owner;
        owner.m_strPath = strWav;
        {
            const CCurrentDir here(dir.Path());
            EXPECT_EQ(RunConversion(owner), ERunResult::kDone);
        }
        EXPECT_EQ(ReadBytes(dir.File("test.dat")), WithHeader("ANALOG", data));
    }
}

// The words of a command line without quoting (or other pieces).
std::vector<std::string> Words(const std::string& str, char cSeparator = ' ') {
    std::vector<std::string> words;
    for (size_t nAt = 0; nAt < str.size();) {
        const size_t nEnd = std::min(str.find(cSeparator, nAt), str.size());
        words.push_back(str.substr(nAt, nEnd - nAt));
        nAt = nEnd + 1;
    }
    return words;
}

TEST(AnalogArguments, OptionsReachTheSettings) {
    const CEncodeRequest request = ParseEncodeArguments(Words(
        "--rate=96000 --bits 24 --channels 2 --other noise --extensible --list-chunk --level -12.5 "
        "--speed=1.1 --wow 2 --wow-hz 0.5 --hiss 40 --hum 35 --hum-hz 60 --dc -0.01 --lowpass 8000 "
        "--highpass 20 --dropouts 4 --dropout-ms 12 --dropout-depth 18 --invert "
        "--seed 18446744073709551615 --gap 1.5 --name ONE a - out.WAV"));
    ASSERT_EQ(request.eAction, EEncodeAction::kRun) << request.strError;
    EXPECT_TRUE(request.bAnalog);
    EXPECT_EQ(request.analog, Format(96000, 24, false, 2, EOtherChannel::kNoise, 1, true, true));
    const CImpairments expected{-12.5, 1.1, 2, 0.5, 40, 35,   60,        -0.01,
                                8000,  20,  4, 12,  18, true, UINT64_MAX};
    EXPECT_EQ(request.impairments, expected);
    EXPECT_EQ(request.dGapSeconds, 1.5);
    EXPECT_EQ(request.inputs, Words("a -"));
    EXPECT_EQ(request.names, Words("ONE"));
    EXPECT_EQ(request.strOutput, "out.WAV");

    // The audio tools' options.
    const CEncodeRequest tools = ParseEncodeArguments(
        Words("--highpass 200 --highpass-order 4 --band 300-3400 --overdrive 15 --allpass 800 "
              "--agc-attack 5 --agc-release 250 --mulaw in out"));
    ASSERT_EQ(tools.eAction, EEncodeAction::kRun) << tools.strError;
    EXPECT_EQ(tools.impairments.m_nHighpassOrder, 4);
    EXPECT_EQ(tools.impairments.m_dBandLowHz, 300.0);
    EXPECT_EQ(tools.impairments.m_dBandHighHz, 3400.0);
    EXPECT_EQ(tools.impairments.m_dOverdriveDb, 15.0);
    EXPECT_EQ(tools.impairments.m_dAllpassHz, 800.0);
    EXPECT_EQ(tools.impairments.m_dAgcAttackMs, 5.0);
    EXPECT_EQ(tools.impairments.m_dAgcReleaseMs, 250.0);
    EXPECT_EQ(tools.analog.m_eCompanding, ECompanding::kMuLaw);

    // Which path, and the bits: tick-exact unless something only the analog one does.
    const std::tuple<std::string, bool, int32_t> cases[] = {
        {"in out", false, 8},
        {"--rate 44100 --bits 24 --name X in out", false, 24},
        {"--rate 44101 in out", true, 8},
        {"--bits 32 in out", true, 32},
        {"in in2 out.wav", true, 8},
        {"--float in out", true, 32},
        {"--float --bits=64 in out", true, 64},
        {"--gap 0.5 in out", true, 8},
        {"--mulaw --rate 8000 in out", true, 8},
        {"--alaw --bits 8 in out", true, 8},
    };
    for (const auto& [strArgs, bAnalog, nBits] : cases) {
        const CEncodeRequest r = ParseEncodeArguments(Words(strArgs));
        ASSERT_EQ(r.eAction, EEncodeAction::kRun) << strArgs << ": " << r.strError;
        EXPECT_EQ(r.bAnalog, bAnalog) << strArgs;
        EXPECT_EQ(bAnalog ? r.analog.m_nBits : r.format.m_nBits, nBits) << strArgs;
    }
}

TEST(AnalogArguments, BadValuesAreUsageErrors) {
    // Cases split at '|', each with "in out.wav" after it.
    const std::string strCases =
        "--rate 192001|--rate 7999 --hiss 20|--bits 12|--bits 16 --float|--bits 64|--float=1|"
        "--channels 3|--other copy|--other left --channels 2|--level 1|--level -6dB|--speed 0.4|"
        "--speed nan|--wow 21|--wow-hz 0|--hiss -3|--hum 121|--hum-hz 0.5|--dc 1.5|--lowpass -1|"
        "--lowpass 22050|--highpass inf|--dropouts -1|--dropouts 2.5|--dropout-ms 0|--seed -1|"
        "--dropout-depth -1|--gap -0.1|--gap 3601|--invert=yes|--name A --name B|"
        "--highpass-order 5|--highpass-order 0|--band 3400-300|--band 300|--band 300-30000|"
        "--overdrive -1|--allpass 30000|--agc-attack -1|--agc-release 0|--mulaw --bits 16|"
        "--alaw --float";
    for (const std::string& strArgs : Words(strCases, '|')) {
        const CEncodeRequest request = ParseEncodeArguments(Words(strArgs + " in out.wav"));
        EXPECT_EQ(request.eAction, EEncodeAction::kUsageError) << strArgs;
        EXPECT_FALSE(request.strError.empty()) << strArgs;
    }
    for (const char* szArgs : {"--gap", "a b out", "- - out.wav"}) {
        EXPECT_EQ(ParseEncodeArguments(Words(szArgs)).eAction, EEncodeAction::kUsageError)
            << szArgs;
    }
}

#ifndef _WIN32
int RunProgram(const std::string& strArgs) {
    const int nStatus = std::system((std::string(TAVRO_ENCODE_PROGRAM) + " " + strArgs).c_str());
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
}

uint64_t Fnv1a(const Bytes& bytes) {
    uint64_t nHash = 0xCBF29CE484222325ull;
    for (const uint8_t n : bytes) {
        nHash = (nHash ^ n) * 0x100000001B3ull;
    }
    return nHash;
}

TEST(AnalogProgram, TickExactOutputIsUnchanged) {
    // Hashes of the program's files from before the analog renderer.
    CTempDir dir;
    Bytes data(300);
    for (size_t k = 0; k < data.size(); ++k) {
        data[k] = static_cast<uint8_t>(k * 37 + 11);
    }
    WriteBytes(dir.File("in.bin"), data);
    const std::pair<std::string, uint64_t> cases[] = {
        {"", 0x38A3E7DF3F443BC1ull},
        {"--bits 16 --channels 2 --rate 11025 --name GOLD --leader 100", 0x25306E2B42D720CCull},
    };
    for (const auto& [strOptions, nHash] : cases) {
        ASSERT_EQ(RunProgram(strOptions + " " + dir.File("in.bin") + " " + dir.File("out.wav")), 0);
        EXPECT_EQ(Fnv1a(ReadBytes(dir.File("out.wav"))), nHash) << strOptions;
    }
}

TEST(AnalogProgram, BlocksFromSeveralInputsWithTheirNames) {
    CTempDir dir;
    const Bytes first = TestData(50);
    const Bytes second = TestData(80);
    WriteBytes(dir.File("1.bin"), first);
    WriteBytes(dir.File("2.bin"), second);
    const std::string strOut = dir.File("out.wav");
    ASSERT_EQ(RunProgram("--rate 48000 --bits=16 --name ONE --seed 7 --gap=0.1 " +
                         dir.File("1.bin") + " - " + strOut + " < " + dir.File("2.bin")),
              0);
    const SSoundFile file = ReadSoundFile(strOut);
    ASSERT_EQ(file.info.samplerate, 48000);
    const std::vector<SDecodedBlock> decoded =
        DecodeEdges(FindEdges(file.samples, Amplitude(CImpairments{}), 1.5 / 32768), 48000);
    ASSERT_EQ(decoded.size(), 2u);
    EXPECT_EQ(decoded[0].bytes, WithHeader("ONE", first));
    EXPECT_EQ(decoded[1].bytes, second);

    EXPECT_EQ(RunProgram("--hiss 200 " + dir.File("1.bin") + " " + strOut + " 2>/dev/null"), 2);
    EXPECT_EQ(
        RunProgram(dir.File("1.bin") + " " + dir.File("none.bin") + " " + strOut + " 2>/dev/null"),
        1);
    EXPECT_EQ(RunProgram("--rate 96000 " + dir.File("1.bin") + " " + dir.File("no/such/out.wav") +
                         " 2>/dev/null"),
              1);
}
#endif

}  // namespace
