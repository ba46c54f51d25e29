// The robust decoder on recordings made the way people make them today:
// each condition alone and worn-tape combinations, rendered by the encoder's
// analog renderer and decoded through the conversion run, with the share of
// bytes recovered asserted per condition.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "AnalogRecording.h"
#include "ConversionRun.h"
#include "RobustDecoder.h"
#include "support/AnalogBlocks.h"
#include "support/RecordingOwner.h"
#include "support/TestFiles.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct SRecovery {
    size_t m_nMatched = 0;  // bytes of the tape found in order in the output
    size_t m_nExtra = 0;    // output bytes that were not on the tape
};

// Walks the output along the tape: a byte that does not match is skipped
// on the tape side when the next bytes match further on (lost bytes), and
// counted as extra otherwise.
SRecovery Compare(const Bytes& tape, const Bytes& out) {
    constexpr size_t kProbe = 6;     // bytes that must match to resume
    constexpr size_t kAhead = 4096;  // how far a loss may reach
    SRecovery recovery;
    size_t t = 0;
    for (size_t o = 0; o < out.size();) {
        if (t < tape.size() && tape[t] == out[o]) {
            ++recovery.m_nMatched;
            ++t;
            ++o;
            continue;
        }
        size_t nFound = 0;
        for (size_t k = t + 1; k < std::min(tape.size(), t + kAhead) && nFound == 0; ++k) {
            size_t n = 0;
            while (n < kProbe && o + n < out.size() && k + n < tape.size() &&
                   tape[k + n] == out[o + n]) {
                ++n;
            }
            if (n == kProbe || (n > 0 && o + n == out.size())) {
                nFound = k;
            }
        }
        if (nFound != 0) {
            t = nFound;
        } else {
            ++recovery.m_nExtra;
            ++o;
        }
    }
    return recovery;
}

std::vector<CAnalogBlock> TapeBlocks() {
    return RandomBlocks(42, {{"FIRST", 1200}, {"SECOND", 500}});
}

struct SCondition {
    const char* m_szName;
    CAnalogFormat m_format;
    CImpairments m_impairments;
    double m_dMinShare;          // of the tape's bytes recovered
    double m_dGapSeconds = 0.3;  // before, between and after the blocks
};

CAnalogFormat Format(int32_t nRate, int32_t nBits, bool bFloat = false, int32_t nChannels = 1) {
    CAnalogFormat format;
    format.m_nRate = nRate;
    format.m_nBits = nBits;
    format.m_bFloat = bFloat;
    format.m_nChannels = nChannels;
    return format;
}

template <typename F>
CImpairments Impaired(F&& set) {
    CImpairments impairments;
    set(impairments);
    return impairments;
}

std::vector<SCondition> Conditions() {
    CAnalogFormat extensible = Format(44100, 32, true);
    extensible.m_bExtensible = true;
    extensible.m_bListChunk = true;
    CAnalogFormat silentLeft = Format(192000, 24, false, 2);
    silentLeft.m_eOther = EOtherChannel::kSilence;
    CAnalogFormat noisyRight = Format(48000, 16, false, 2);
    noisyRight.m_eOther = EOtherChannel::kNoise;
    noisyRight.m_nSignalChannel = 0;
    CAnalogFormat muLaw = Format(8000, 8);
    muLaw.m_eCompanding = ECompanding::kMuLaw;
    CAnalogFormat aLaw = muLaw;
    aLaw.m_eCompanding = ECompanding::kALaw;
    const CImpairments clean;
    return {
        {"clean 44.1k 16-bit", Format(44100, 16), clean, 1.0},
        {"48k 24-bit", Format(48000, 24), clean, 1.0},
        {"88.2k 16-bit", Format(88200, 16), clean, 1.0},
        {"96k 24-bit", Format(96000, 24), clean, 1.0},
        {"8k 16-bit", Format(8000, 16), clean, 1.0},
        {"float, extensible, LIST", extensible, clean, 1.0},
        {"192k stereo, one silent", silentLeft, clean, 1.0},
        {"48k stereo, other noise", noisyRight, clean, 1.0},
        {"deck 15% slow", Format(44100, 16), Impaired([](auto& i) { i.m_dSpeed = 0.85; }), 1.0},
        {"deck 15% fast", Format(44100, 16), Impaired([](auto& i) { i.m_dSpeed = 1.15; }), 1.0},
        {"wow 5%", Format(44100, 16), Impaired([](auto& i) { i.m_dWowPercent = 5.0; }), 1.0},
        {"flutter 5% at 8 Hz", Format(44100, 16), Impaired([](auto& i) {
             i.m_dWowPercent = 5.0;
             i.m_dWowHz = 8.0;
         }),
         1.0},
        {"hiss 14 dB", Format(44100, 16), Impaired([](auto& i) { i.m_dHissDb = 14.0; }), 1.0},
        {"hiss 10 dB", Format(44100, 16), Impaired([](auto& i) { i.m_dHissDb = 10.0; }), 0.999},
        {"hum 6 dB, 60 Hz", Format(44100, 16), Impaired([](auto& i) {
             i.m_dHumDb = 6.0;
             i.m_dHumHz = 60.0;
         }),
         1.0},
        {"quiet 8-bit on DC and hum", Format(44100, 8), Impaired([](auto& i) {
             i.m_dLevelDb = -30.0;
             i.m_dDc = 0.3;
             i.m_dHumDb = 6.0;
         }),
         1.0},
        {"worn head, low-pass 2 kHz", Format(44100, 16),
         Impaired([](auto& i) { i.m_dLowpassHz = 2000.0; }), 1.0},
        {"AC coupling 300 Hz", Format(44100, 16),
         Impaired([](auto& i) { i.m_dHighpassHz = 300.0; }), 1.0},
        {"inverted", Format(44100, 16), Impaired([](auto& i) { i.m_bInvert = true; }), 1.0},
        {"leader at once, on DC and hum", Format(44100, 16), Impaired([](auto& i) {
             i.m_dDc = 0.3;
             i.m_dHumDb = 6.0;
         }),
         1.0, 0.0},
        {"dropouts", Format(44100, 16), Impaired([](auto& i) { i.m_nDropouts = 4; }), 0.99},
        {"worn tape at 48k", Format(48000, 16), Impaired([](auto& i) {
             i.m_dLowpassHz = 3000.0;
             i.m_dHissDb = 20.0;
             i.m_dWowPercent = 2.0;
             i.m_nDropouts = 4;
         }),
         0.99},
        {"worn, slow and humming", Format(48000, 24), Impaired([](auto& i) {
             i.m_dSpeed = 0.9;
             i.m_dLowpassHz = 2500.0;
             i.m_dHissDb = 18.0;
             i.m_dHumDb = 12.0;
             i.m_dHighpassHz = 100.0;
             i.m_nDropouts = 3;
         }),
         0.99},
        {"automatic gain", Format(44100, 16), Impaired([](auto& i) {
             i.m_dAgcAttackMs = 5.0;
             i.m_dAgcReleaseMs = 300.0;
         }),
         1.0},
        {"overdrive 15 dB and an all-pass", Format(44100, 16), Impaired([](auto& i) {
             i.m_dOverdriveDb = 15.0;
             i.m_dAllpassHz = 1000.0;
         }),
         1.0},
        {"8k mu-law", muLaw, clean, 1.0},
        {"low-cut, 2nd order at 300 Hz", Format(44100, 16), Impaired([](auto& i) {
             i.m_dHighpassHz = 300.0;
             i.m_nHighpassOrder = 2;
         }),
         1.0},
        {"low-cut, 4th order at 200 Hz", Format(48000, 16), Impaired([](auto& i) {
             i.m_dHighpassHz = 200.0;
             i.m_nHighpassOrder = 4;
         }),
         1.0},
        {"8k A-law", aLaw, clean, 1.0},
        {"low-cut, 3rd order at 400 Hz", Format(44100, 16), Impaired([](auto& i) {
             i.m_dHighpassHz = 400.0;
             i.m_nHighpassOrder = 3;
         }),
         1.0},
        {"a line's band, 300-2,800 Hz", Format(44100, 16), Impaired([](auto& i) {
             i.m_dBandLowHz = 300.0;
             i.m_dBandHighHz = 2800.0;
         }),
         1.0},
        {"a line's band on a deck 7% slow", Format(48000, 16), Impaired([](auto& i) {
             i.m_dBandLowHz = 300.0;
             i.m_dBandHighHz = 2800.0;
             i.m_dSpeed = 0.93;
         }),
         1.0},
        {"the telephone: 8k mu-law, 300-3,400 Hz", muLaw, Impaired([](auto& i) {
             i.m_dBandLowHz = 300.0;
             i.m_dBandHighHz = 3400.0;
         }),
         0.99},
    };
}

Bytes DecodeRobust(const CTempDir& dir, const std::string& strWav, size_t* pLost = nullptr) {
    CCurrentDir here(dir.Path());
    CRecordingOwner owner;
    owner.m_strPath = strWav;
    CRobustDecoder decoder;
    EXPECT_EQ(RunConversion(owner, decoder), ERunResult::kDone);
    if (pLost != nullptr) {
        *pLost = decoder.GetLog().Failures().size();
    }
    return ReadBytes(dir.File("test.dat"));
}

TEST(RobustDecoderTest, RecoversImpairedRecordings) {
    const std::vector<CAnalogBlock> blocks = TapeBlocks();
    const Bytes tape = TapeBytes(blocks);
    CTempDir dir;
    for (const SCondition& condition : Conditions()) {
        SCOPED_TRACE(condition.m_szName);
        const std::string strWav = dir.File("tape.wav");
        ASSERT_TRUE(WriteAnalogRecording(strWav, condition.m_format, condition.m_impairments,
                                         blocks, 200, condition.m_dGapSeconds));
        size_t nLost = 0;
        const SRecovery recovery = Compare(tape, DecodeRobust(dir, strWav, &nLost));
        const double dShare =
            static_cast<double>(recovery.m_nMatched) / static_cast<double>(tape.size());
        EXPECT_GE(dShare, condition.m_dMinShare);
        EXPECT_LE(recovery.m_nExtra, 1u);
        // Every byte that did not come back is reported lost, give or take one per dropout.
        const size_t nMissing = tape.size() - recovery.m_nMatched;
        EXPECT_LE(nMissing, nLost + static_cast<size_t>(condition.m_impairments.m_nDropouts));
    }
}

// The edges run where the first leader shows that the pulses' shape was
// changed on the way, and where it cannot show it; a square leader leaves
// the crossings alone, as they were before the edges.
TEST(RobustDecoderTest, TheEdgesRunWhereTheLeaderIsNoLongerSquare) {
    const struct {
        const char* m_szName;
        CAnalogFormat m_format;
        CImpairments m_impairments;
        bool m_bEdges;
    } kCases[] = {
        {"clean 44.1k", Format(44100, 16), {}, false},
        {"clean 96k 24-bit", Format(96000, 24), {}, false},
        {"dropouts", Format(44100, 16), Impaired([](auto& i) { i.m_nDropouts = 3; }), false},
        {"low-cut, 2nd order at 300 Hz", Format(44100, 16), Impaired([](auto& i) {
             i.m_dHighpassHz = 300.0;
             i.m_nHighpassOrder = 2;
         }),
         true},
        {"worn head", Format(44100, 16), Impaired([](auto& i) { i.m_dLowpassHz = 2000.0; }), true},
        // Rounded by a low-pass but not sagging: the crossings alone.
        {"worn tape: 3 kHz low-pass and hiss", Format(44100, 16), Impaired([](auto& i) {
             i.m_dLowpassHz = 3000.0;
             i.m_dHissDb = 24.0;
         }),
         false},
        {"all-pass", Format(44100, 16), Impaired([](auto& i) { i.m_dAllpassHz = 1000.0; }), true},
        {"8k: too few samples to tell", Format(8000, 16), {}, true},
    };
    const std::vector<CAnalogBlock> blocks = TapeBlocks();
    CTempDir dir;
    for (const auto& test : kCases) {
        SCOPED_TRACE(test.m_szName);
        const std::string strWav = dir.File("tape.wav");
        ASSERT_TRUE(
            WriteAnalogRecording(strWav, test.m_format, test.m_impairments, blocks, 200, 0.3));
        CCurrentDir here(dir.Path());
        CRecordingOwner owner;
        owner.m_strPath = strWav;
        CRobustDecoder decoder;
        ASSERT_EQ(RunConversion(owner, decoder), ERunResult::kDone);
        EXPECT_EQ(decoder.EdgesOn(), test.m_bEdges);
        EXPECT_EQ(ReadBytes(dir.File("test.dat")), TapeBytes(blocks));
    }
}

// A low-cut is undone where the first seconds frame clearly better behind
// its inverse, and only there: a square leader is not even probed, and a
// merely rounded one (a low-pass) frames as well as it is.
TEST(RobustDecoderTest, ALowCutIsUndoneWhereTheFirstBytesShowIt) {
    const struct {
        const char* m_szName;
        CAnalogFormat m_format;
        CImpairments m_impairments;
        bool m_bUndone;
    } kCases[] = {
        {"clean", Format(44100, 16), {}, false},
        {"worn tape: 3 kHz low-pass and hiss", Format(44100, 16), Impaired([](auto& i) {
             i.m_dLowpassHz = 3000.0;
             i.m_dHissDb = 24.0;
         }),
         false},
        {"a line's band, 300-2,800 Hz", Format(44100, 16), Impaired([](auto& i) {
             i.m_dBandLowHz = 300.0;
             i.m_dBandHighHz = 2800.0;
         }),
         true},
        {"low-cut, 3rd order at 400 Hz", Format(22050, 16), Impaired([](auto& i) {
             i.m_dHighpassHz = 400.0;
             i.m_nHighpassOrder = 3;
         }),
         true},
    };
    const std::vector<CAnalogBlock> blocks = TapeBlocks();
    CTempDir dir;
    for (const auto& test : kCases) {
        SCOPED_TRACE(test.m_szName);
        const std::string strWav = dir.File("tape.wav");
        ASSERT_TRUE(
            WriteAnalogRecording(strWav, test.m_format, test.m_impairments, blocks, 200, 0.3));
        CCurrentDir here(dir.Path());
        CRecordingOwner owner;
        owner.m_strPath = strWav;
        CRobustDecoder decoder;
        ASSERT_EQ(RunConversion(owner, decoder), ERunResult::kDone);
        EXPECT_EQ(decoder.LowCutOrder() > 0, test.m_bUndone) << decoder.LowCutHz() << " Hz";
        EXPECT_EQ(ReadBytes(dir.File("test.dat")), TapeBytes(blocks));
    }
}

// Where the classic decoder recovers a recording completely, the robust one
// gives the same bytes.
TEST(RobustDecoderTest, MatchesTheClassicDecoderOnCleanRecordings) {
    const std::vector<CAnalogBlock> blocks = TapeBlocks();
    CTempDir dir;
    for (const int32_t nBits : {8, 16}) {
        const std::string strWav = dir.File("clean.wav");
        ASSERT_TRUE(WriteAnalogRecording(strWav, Format(44100, nBits), {}, blocks, 200, 0.3));
        CCurrentDir here(dir.Path());
        CRecordingOwner owner;
        owner.m_strPath = strWav;
        ASSERT_EQ(RunConversion(owner), ERunResult::kDone);
        const Bytes classic = ReadBytes(dir.File("test.dat"));
        ASSERT_EQ(classic, TapeBytes(blocks));
        EXPECT_EQ(DecodeRobust(dir, strWav), classic);
    }
}

// Containers and sample formats other than the encoder's, written by
// libsndfile from the same samples; the float one also holds a NaN and
// infinities in the silence before the first block, which must not stop
// the filters for the rest of the recording.
TEST(RobustDecoderTest, ReadsEveryContainerLibsndfileWrites) {
    const std::vector<CAnalogBlock> blocks = TapeBlocks();
    CTempDir dir;
    const std::string strWav = dir.File("source.wav");
    ASSERT_TRUE(WriteAnalogRecording(strWav, Format(48000, 16), {}, blocks, 200, 0.3));
    SF_INFO in{};
    SNDFILE* pIn = sf_open(strWav.c_str(), SFM_READ, &in);
    ASSERT_NE(pIn, nullptr);
    std::vector<float> samples(static_cast<size_t>(in.frames));
    ASSERT_EQ(sf_readf_float(pIn, samples.data(), in.frames), in.frames);
    sf_close(pIn);
    std::vector<float> spoilt = samples;
    spoilt[1000] = std::numeric_limits<float>::quiet_NaN();
    spoilt[2000] = std::numeric_limits<float>::infinity();
    spoilt[3000] = -std::numeric_limits<float>::infinity();
    const struct {
        const char* m_szName;
        int m_nFormat;
        const std::vector<float>& m_samples;
    } kContainers[] = {{"tape.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, samples},
                       {"tape.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, samples},
                       {"tape16.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, samples},
                       {"tape8.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_S8, samples},
                       {"tape.w64", SF_FORMAT_W64 | SF_FORMAT_DOUBLE, samples},
                       {"tape.rf64", SF_FORMAT_RF64 | SF_FORMAT_PCM_32, samples},
                       {"spoilt.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, spoilt}};
    for (const auto& container : kContainers) {
        SCOPED_TRACE(container.m_szName);
        SF_INFO out{};
        out.samplerate = in.samplerate;
        out.channels = 1;
        out.format = container.m_nFormat;
        const std::string strPath = dir.File(container.m_szName);
        SNDFILE* pOut = sf_open(strPath.c_str(), SFM_WRITE, &out);
        ASSERT_NE(pOut, nullptr) << sf_strerror(nullptr);
        ASSERT_EQ(sf_writef_float(pOut, container.m_samples.data(), in.frames), in.frames);
        sf_close(pOut);
        EXPECT_EQ(DecodeRobust(dir, strPath), TapeBytes(blocks));
    }
}

// Noise and silence between and around blocks make no bytes, and a
// recording of noise alone makes none at all.
TEST(RobustDecoderTest, NoiseMakesNoBytes) {
    CTempDir dir;
    const std::string strWav = dir.File("noise.wav");
    CImpairments noisy;
    noisy.m_dHissDb = 6.0;
    noisy.m_dHumDb = 10.0;
    ASSERT_TRUE(WriteAnalogRecording(strWav, Format(44100, 16), noisy, {}, 200, 20.0));
    EXPECT_TRUE(DecodeRobust(dir, strWav).empty());
}

TEST(RobustDecoderTest, UnreadableFilesAreRefused) {
    CTempDir dir;
    WriteBytes(dir.File("text.wav"), Bytes{'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o'});
    for (const std::string& strPath :
         {dir.File("missing.wav"), dir.File("text.wav"), PathUtf8(dir.Path())}) {
        CRobustDecoder decoder;
        EXPECT_FALSE(decoder.Open(strPath)) << strPath;
    }
}

}  // namespace
