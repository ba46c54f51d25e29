// The robust decoder reading a recording as a stream, once from its start:
// every container libsndfile writes, in pieces of any size, gives the bytes
// it gives as a file; its listener hears of blocks, lost bytes and progress
// as they come and as the log records them; a recording that cannot be
// opened says why.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "AnalogRecording.h"
#include "ConversionRun.h"
#include "OpenFailure.h"
#include "RobustDecoder.h"
#include "StdioSource.h"
#include "support/AnalogBlocks.h"
#include "support/PieceSource.h"
#include "support/RecordingOwner.h"
#include "support/TestFiles.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

std::vector<CAnalogBlock> TapeBlocks() {
    return RandomBlocks(19, {{"FIRST", 700}, {"SECOND", 300}});
}

// Runs the conversion over a stream, in dir; the bytes written.
Bytes DecodeStream(const CTempDir& dir, CByteSource& source, CRobustDecoder& decoder,
                   ERunResult eExpected = ERunResult::kDone) {
    CCurrentDir here(dir.Path());
    CRecordingOwner owner;
    owner.m_strPath = "stream";
    decoder.SetStream(&source);
    EXPECT_EQ(RunConversion(owner, decoder), eExpected);
    decoder.SetStream(nullptr);
    return ReadBytes(dir.File("test.dat"));
}

// The samples of a WAV file, as floats, and its format.
std::vector<float> ReadSamples(const std::string& strPath, SF_INFO& info) {
    info = {};
    SNDFILE* pIn = sf_open(strPath.c_str(), SFM_READ, &info);
    EXPECT_NE(pIn, nullptr);
    if (pIn == nullptr) {
        return {};
    }
    std::vector<float> samples(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(pIn, samples.data(), info.frames);
    sf_close(pIn);
    return samples;
}

// The samples in another container, with a comment (a chunk after the
// audio, where the container puts one) when bComment.
Bytes Rewrite(const CTempDir& dir, const std::vector<float>& samples, const SF_INFO& in,
              int nFormat, bool bComment) {
    SF_INFO out{};
    out.samplerate = in.samplerate;
    out.channels = in.channels;
    out.format = nFormat;
    const std::string strPath = dir.File("rewritten");
    SNDFILE* pOut = sf_open(strPath.c_str(), SFM_WRITE, &out);
    EXPECT_NE(pOut, nullptr) << sf_strerror(nullptr);
    if (pOut == nullptr) {
        return {};
    }
    if (bComment) {
        sf_set_string(pOut, SF_STR_COMMENT, "recorded from a deck with a worn head");
    }
    sf_writef_float(pOut, samples.data(), in.frames);
    sf_close(pOut);
    return ReadBytes(strPath);
}

// The WAV with a chunk of nBytes that no reader needs before its audio.
Bytes WithJunkBeforeData(const Bytes& wav, uint32_t nBytes) {
    const std::string strWav(wav.begin(), wav.end());
    const size_t nData = strWav.find("data");
    Bytes out(wav.begin(), wav.begin() + static_cast<ptrdiff_t>(nData));
    const uint8_t header[8] = {'J',
                               'U',
                               'N',
                               'K',
                               static_cast<uint8_t>(nBytes),
                               static_cast<uint8_t>(nBytes >> 8),
                               static_cast<uint8_t>(nBytes >> 16),
                               static_cast<uint8_t>(nBytes >> 24)};
    out.insert(out.end(), header, header + 8);
    out.resize(out.size() + nBytes, 0);
    out.insert(out.end(), wav.begin() + static_cast<ptrdiff_t>(nData), wav.end());
    const uint32_t nRiff = static_cast<uint32_t>(out.size() - 8);
    for (size_t k = 0; k < 4; ++k) {
        out[4 + k] = static_cast<uint8_t>(nRiff >> (8 * k));
    }
    return out;
}

TEST(RobustStreamTest, EveryContainerGivesItsBytesInPiecesOfAnySize) {
    const std::vector<CAnalogBlock> blocks = TapeBlocks();
    CTempDir dir;
    const std::string strWav = dir.File("source.wav");
    CAnalogFormat format;
    format.m_nRate = 48000;
    format.m_nBits = 16;
    format.m_nChannels = 2;
    ASSERT_TRUE(WriteAnalogRecording(strWav, format, {}, blocks, 200, 0.3));
    SF_INFO in{};
    const std::vector<float> samples = ReadSamples(strWav, in);
    const Bytes wav = ReadBytes(strWav);
    const struct {
        const char* m_szName;
        Bytes m_file;
    } kContainers[] = {
        {"WAV", wav},
        {"WAV, a chunk after the audio",
         Rewrite(dir, samples, in, SF_FORMAT_WAV | SF_FORMAT_PCM_16, true)},
        {"WAV, 300 KiB of chunk before the audio", WithJunkBeforeData(wav, 300 * 1024)},
        {"WAV, 24-bit", Rewrite(dir, samples, in, SF_FORMAT_WAV | SF_FORMAT_PCM_24, false)},
        {"W64", Rewrite(dir, samples, in, SF_FORMAT_W64 | SF_FORMAT_PCM_16, false)},
        {"RF64, float", Rewrite(dir, samples, in, SF_FORMAT_RF64 | SF_FORMAT_FLOAT, false)},
        {"AIFF, a chunk after the audio",
         Rewrite(dir, samples, in, SF_FORMAT_AIFF | SF_FORMAT_PCM_16, true)},
        {"FLAC", Rewrite(dir, samples, in, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, true)},
        {"CAF", Rewrite(dir, samples, in, SF_FORMAT_CAF | SF_FORMAT_PCM_16, false)},
        {"AU", Rewrite(dir, samples, in, SF_FORMAT_AU | SF_FORMAT_PCM_16, false)},
    };
    const std::vector<std::vector<int64_t>> kPieces = {{1 << 20}, {1, 3, 7, 4093, 65536}};
    for (const auto& container : kContainers) {
        for (const std::vector<int64_t>& pieces : kPieces) {
            SCOPED_TRACE(std::string(container.m_szName) + ", pieces from " +
                         std::to_string(pieces.front()));
            ASSERT_FALSE(container.m_file.empty());
            CPieceSource source(container.m_file, pieces);
            CRobustDecoder decoder;
            EXPECT_EQ(DecodeStream(dir, source, decoder), TapeBytes(blocks));
            EXPECT_EQ(decoder.GetLog().Blocks().size(), blocks.size());
            EXPECT_EQ(source.Delivered(), container.m_file.size());
        }
    }
}

// A stream decodes as it arrives, so its first seconds may show no bytes
// to tell a low-cut by (here: no leader at all). The first block's then
// tell, and the low-cut is undone from the block after it on.
TEST(RobustStreamTest, ALowCutIsUndoneFromTheBlockAfterTheFirst) {
    const std::vector<CAnalogBlock> blocks =
        RandomBlocks(23, {{"FIRST", 1500}, {"SECOND", 1500}, {"THIRD", 1500}});
    CTempDir dir;
    const std::string strWav = dir.File("band.wav");
    CAnalogFormat format;
    format.m_nRate = 44100;
    format.m_nBits = 16;
    CImpairments line;
    line.m_dBandLowHz = 300.0;
    line.m_dBandHighHz = 2800.0;
    ASSERT_TRUE(WriteAnalogRecording(strWav, format, line, blocks, 400, 5.0));
    const Bytes wav = ReadBytes(strWav);
    CPieceSource source(wav, {4096});
    CRobustDecoder decoder;
    const Bytes decoded = DecodeStream(dir, source, decoder);
    EXPECT_GT(decoder.LowCutOrder(), 0);
    const Bytes after = TapeBytes(std::span<const CAnalogBlock>(blocks).subspan(1));
    ASSERT_GE(decoded.size(), after.size());
    EXPECT_TRUE(std::equal(after.begin(), after.end(),
                           decoded.end() - static_cast<ptrdiff_t>(after.size())));
}

// A read error part way: the bytes before it are kept, and the run says
// that reading failed.
TEST(RobustStreamTest, AReadErrorKeepsTheBytesBeforeIt) {
    const std::vector<CAnalogBlock> blocks = TapeBlocks();
    CTempDir dir;
    const std::string strWav = dir.File("source.wav");
    ASSERT_TRUE(WriteAnalogRecording(strWav, {}, {}, blocks, 200, 0.3));
    const Bytes wav = ReadBytes(strWav);
    CPieceSource source(wav, {4096}, wav.size() * 3 / 4);
    CRobustDecoder decoder;
    const Bytes out = DecodeStream(dir, source, decoder, ERunResult::kReadError);
    const Bytes tape = TapeBytes(blocks);
    EXPECT_GT(out.size(), 100u);
    EXPECT_LT(out.size(), tape.size());
    EXPECT_TRUE(std::equal(out.begin(), out.end(), tape.begin()));
}

// What the listener hears, in order, with the size of the stream read when
// it hears it.
class CEventRecorder : public CDecodeListener {
public:
    struct SHeard {
        char m_cKind;  // 'S' start, 'E' end, 'L' lost byte, 'P' progress
        uint32_t m_nIndex = 0;
        double m_dAt = 0.0;
        double m_dPeak = 0.0;
        size_t m_nDelivered = 0;
    };
    explicit CEventRecorder(const CPieceSource& source) : m_source(source) {}

    void OnBlockStart(uint32_t nIndex, double dStart) override {
        m_heard.push_back({'S', nIndex, dStart, 0.0, m_source.Delivered()});
    }
    void OnBlockEnd(uint32_t nIndex, const STapeBlock& block) override {
        m_heard.push_back({'E', nIndex, block.m_dEnd, 0.0, m_source.Delivered()});
        m_ended.push_back(block);
    }
    void OnLostByte(const STapeFailure& failure) override {
        m_heard.push_back({'L', failure.m_nBlock, failure.m_dAt, 0.0, m_source.Delivered()});
    }
    void OnProgress(double dPosition, double dPeakDbfs) override {
        m_heard.push_back({'P', 0, dPosition, dPeakDbfs, m_source.Delivered()});
    }

    std::vector<SHeard> m_heard;
    std::vector<STapeBlock> m_ended;

private:
    const CPieceSource& m_source;
};

TEST(RobustStreamTest, TheListenerHearsWhatTheLogRecordsAsItHappens) {
    std::vector<CAnalogBlock> blocks = RandomBlocks(5, {{"FIRST", 900}, {"SECOND", 500}});
    CTempDir dir;
    CAnalogFormat format;
    format.m_nBits = 16;
    format.m_nChannels = 2;
    CImpairments impairments;
    impairments.m_nDropouts = 3;
    impairments.m_dDropoutMs = 12.0;
    impairments.m_dDropoutDepthDb = 60.0;
    impairments.m_dHissDb = 40.0;
    CRenderTruth truth;
    const std::string strWav = dir.File("tape.wav");
    ASSERT_TRUE(WriteAnalogRecording(strWav, format, impairments, blocks, 200, 0.5, &truth));
    const Bytes wav = ReadBytes(strWav);
    const size_t nHeader = std::string(wav.begin(), wav.end()).find("data") + 8;
    CPieceSource source(wav, {8192});
    CRobustDecoder decoder;
    CEventRecorder recorder(source);
    decoder.SetListener(&recorder);
    DecodeStream(dir, source, decoder);
    const CTapeLog& log = decoder.GetLog();
    ASSERT_EQ(log.Blocks().size(), 2u);
    ASSERT_FALSE(log.Failures().empty());

    // In order: each block's start, its lost bytes, its end; progress
    // about once a second, forward, at a level below full scale.
    int64_t nOpen = -1;
    size_t nFailure = 0;
    double dProgress = -1.0;
    for (const CEventRecorder::SHeard& heard : recorder.m_heard) {
        switch (heard.m_cKind) {
            case 'S':
                EXPECT_EQ(nOpen, -1);
                nOpen = heard.m_nIndex;
                EXPECT_EQ(heard.m_dAt, log.Blocks()[heard.m_nIndex].m_dStart);
                break;
            case 'L':
                EXPECT_EQ(static_cast<int64_t>(heard.m_nIndex), nOpen);
                ASSERT_LT(nFailure, log.Failures().size());
                EXPECT_EQ(heard.m_dAt, log.Failures()[nFailure++].m_dAt);
                break;
            case 'E':
                EXPECT_EQ(static_cast<int64_t>(heard.m_nIndex), nOpen);
                nOpen = -1;
                break;
            case 'P':
                EXPECT_GT(heard.m_dAt, dProgress);
                EXPECT_LT(heard.m_dAt, dProgress < 0 ? 1.0 : dProgress + 1.2);
                EXPECT_LE(heard.m_dPeak, 0.0);
                EXPECT_GE(heard.m_dPeak, CDecodeListener::kSilenceDbfs);
                dProgress = heard.m_dAt;
                break;
        }
    }
    EXPECT_EQ(nOpen, -1);
    EXPECT_EQ(nFailure, log.Failures().size());
    // The tones are recorded a few dB below full scale; their peak shows.
    double dLoudest = CDecodeListener::kSilenceDbfs;
    for (const CEventRecorder::SHeard& heard : recorder.m_heard) {
        dLoudest = heard.m_cKind == 'P' ? std::max(dLoudest, heard.m_dPeak) : dLoudest;
    }
    EXPECT_GT(dLoudest, -20.0);
    ASSERT_EQ(recorder.m_ended.size(), 2u);
    for (size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(recorder.m_ended[k].m_nBytes, log.Blocks()[k].m_nBytes);
        EXPECT_EQ(recorder.m_ended[k].m_dEnd, log.Blocks()[k].m_dEnd);
    }
    // Past the first seconds, which are surveyed before anything is
    // decoded, a block's start is heard before the stream has gone on half
    // a second past its leader.
    const double dSurveyed = 4.0;
    ASSERT_GT(truth.m_blocks[1].m_dFirstByte, dSurveyed);
    for (const CEventRecorder::SHeard& heard : recorder.m_heard) {
        if (heard.m_cKind == 'S' && heard.m_dAt > dSurveyed) {
            const double dHeardAt = static_cast<double>(heard.m_nDelivered - nHeader) / 4 / 44100;
            EXPECT_LT(dHeardAt, truth.m_blocks[heard.m_nIndex].m_dFirstByte + 0.5);
        }
    }
}

// The input level a progress event gives is that of the recording where
// the event says the decoding is, not that of what was read ahead of it: a
// file of two blocks 12 s apart, in silence, read as fast as it can be.
TEST(RobustStreamTest, ProgressGivesTheLevelWhereTheDecodingIs) {
    class CProgress : public CDecodeListener {
    public:
        void OnBlockStart(uint32_t, double) override {}
        void OnBlockEnd(uint32_t, const STapeBlock&) override {}
        void OnLostByte(const STapeFailure&) override {}
        void OnProgress(double dPosition, double dPeakDbfs) override {
            m_heard.emplace_back(dPosition, dPeakDbfs);
        }
        std::vector<std::pair<double, double>> m_heard;  // position, peak
    };
    CTempDir dir;
    CAnalogFormat format;
    format.m_nBits = 16;
    CImpairments impairments;
    const std::vector<CAnalogBlock> blocks = RandomBlocks(9, {{"LOUD", 1200}, {"AGAIN", 1200}});
    const std::string strWav = dir.File("gap.wav");
    ASSERT_TRUE(WriteAnalogRecording(strWav, format, impairments, blocks, 200, 12.0));
    CRobustDecoder decoder;
    CProgress progress;
    decoder.SetListener(&progress);
    ASSERT_TRUE(decoder.Open(strWav));
    decoder.FindLeader();
    while (!decoder.IsAtEnd()) {
        if (decoder.ReadDataByte() < 0) {
            decoder.FindLeader();
        }
    }
    const std::vector<STapeBlock>& logged = decoder.GetLog().Blocks();
    ASSERT_EQ(logged.size(), 2u);
    // Clear of the edges by more than a second, which one event covers.
    const auto inside = [](double dAt, double dFrom, double dTo) {
        return dAt > dFrom + 1.5 && dAt < dTo - 1.5;
    };
    int32_t nLoud = 0;
    int32_t nQuiet = 0;
    for (const auto& [dAt, dPeak] : progress.m_heard) {
        if (inside(dAt, logged[0].m_dStart, logged[0].m_dEnd) ||
            inside(dAt, logged[1].m_dStart, logged[1].m_dEnd)) {
            EXPECT_GT(dPeak, -20.0) << "at " << dAt << " s, in a block";
            ++nLoud;
        } else if (inside(dAt, logged[0].m_dEnd, logged[1].m_dStart)) {
            EXPECT_LT(dPeak, -60.0) << "at " << dAt << " s, in the gap";
            ++nQuiet;
        }
    }
    EXPECT_GE(nLoud, 4);
    EXPECT_GE(nQuiet, 6);
}

// A block's start is heard before the stream has gone on half a second
// past its leader, the first block's too (a stream's survey ends with the
// first leader) and where the edges run beside the crossings; its end
// before half a second past its end gap, while silence follows. Counted in
// the bytes the stream has handed out, not in time.
TEST(RobustStreamTest, BlocksAreHeardSoonAfterTheirLeaderAndTheirEndGap) {
    struct SCase {
        const char* m_szName;
        int32_t m_nRate;
        double m_dGap;         // s of silence before, between and after the blocks
        double m_dHighpassHz;  // a steep low-cut; 0: none
        bool m_bEdges;         // the edges run
    };
    const SCase kCases[] = {
        {"clean, the first leader at once", 44100, 0.3, 0.0, false},
        // No leader in the surveyed seconds: the edges run, to be safe.
        {"clean, long silences", 44100, 5.0, 0.0, true},
        {"a low-cut", 44100, 2.0, 300.0, true},
        {"48 kHz, a low-cut, the first leader at once", 48000, 0.3, 300.0, true},
    };
    // Longer than the bytes that libsndfile may read ahead of the audio for
    // chunks after it, where the header tells the audio's size
    // (CStreamCursor::kKeptMax).
    const std::vector<CAnalogBlock> blocks = RandomBlocks(23, {{"ONE", 300}, {"TWO", 1200}});
    const double dEndGap = SRobustConfig().m_dBlockEndGap;
    for (const SCase& test : kCases) {
        SCOPED_TRACE(test.m_szName);
        CTempDir dir;
        CAnalogFormat format;
        format.m_nRate = test.m_nRate;
        format.m_nChannels = 2;
        CImpairments impairments;
        impairments.m_dHighpassHz = test.m_dHighpassHz;
        impairments.m_nHighpassOrder = 2;
        CRenderTruth truth;
        const std::string strWav = dir.File("tape.wav");
        ASSERT_TRUE(
            WriteAnalogRecording(strWav, format, impairments, blocks, 200, test.m_dGap, &truth));
        const Bytes wav = ReadBytes(strWav);
        const size_t nHeader = std::string(wav.begin(), wav.end()).find("data") + 8;
        CPieceSource source(wav, {4096});
        CRobustDecoder decoder;
        CEventRecorder recorder(source);
        decoder.SetListener(&recorder);
        EXPECT_EQ(DecodeStream(dir, source, decoder), TapeBytes(blocks));
        EXPECT_EQ(decoder.EdgesOn(), test.m_bEdges);
        ASSERT_EQ(truth.m_blocks.size(), 2u);
        int32_t nStarts = 0;
        int32_t nEnds = 0;
        for (const CEventRecorder::SHeard& heard : recorder.m_heard) {
            const double dHeardAt =
                static_cast<double>(heard.m_nDelivered - nHeader) / 4 / test.m_nRate;
            const CRenderTruth::SBlock& block = truth.m_blocks[heard.m_nIndex];
            if (heard.m_cKind == 'S') {
                ++nStarts;
                EXPECT_LT(dHeardAt, block.m_dFirstByte + 0.5) << heard.m_nIndex;
            } else if (heard.m_cKind == 'E') {
                ++nEnds;
                EXPECT_LT(dHeardAt, block.m_dEnd + dEndGap + 0.5) << heard.m_nIndex;
            }
        }
        EXPECT_EQ(nStarts, 2);
        EXPECT_EQ(nEnds, 2);
    }
}

#ifndef _WIN32
// A pipe hands out what has arrived and tells how much that is, so that a
// stream is decoded as it comes, in reads as large as what waits.
TEST(RobustStreamTest, APipeGivesWhatHasArrivedWithoutWaitingForMore) {
    int fds[2] = {-1, -1};
    ASSERT_EQ(pipe(fds), 0);
    std::FILE* pRead = fdopen(fds[0], "rb");
    ASSERT_NE(pRead, nullptr);
    CStdioSource source(pRead, true);
    const Bytes sent(1000, 7);
    ASSERT_EQ(write(fds[1], sent.data(), sent.size()), 1000);
    Bytes got(4096);
    EXPECT_EQ(source.Ready(), 1000);
    EXPECT_EQ(source.Read(got.data(), 600), 600);
    EXPECT_EQ(source.Ready(), 400);
    // More comes only later, and then the end.
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        EXPECT_EQ(write(fds[1], sent.data(), sent.size()), 1000);
        close(fds[1]);
    });
    EXPECT_EQ(source.Read(got.data(), 4096), 400);
    EXPECT_EQ(source.Read(got.data(), 4096), 1000);
    EXPECT_EQ(source.Read(got.data(), 4096), 0);
    writer.join();
}
#endif

struct SReasonCase {
    const char* m_szName;
    Bytes m_file;          // empty name: a missing file
    int32_t m_nChannel;    // asked for
    const char* m_szText;  // found in the reason
};

TEST(RobustStreamTest, ARecordingThatCannotBeOpenedSaysWhy) {
    CTempDir dir;
    const std::string strWav = dir.File("mono.wav");
    CAnalogBlock block;
    block.m_data.assign(20, 1);
    ASSERT_TRUE(WriteAnalogRecording(strWav, {}, {}, {{block}}, 200, 0.1));
    const Bytes m4a = {0, 0, 0, 0x20, 'f', 't', 'y', 'p', 'M', '4', 'A', ' ', 0, 0, 2, 0};
    const SReasonCase kCases[] = {
        {"M4A", m4a, 0, "ffmpeg -i tape.m4a tape.flac"},
        {"text",
         {'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o'},
         0,
         "holds no audio that libsndfile reads ("},
        {"empty", {}, 0, "it is empty"},
        {"channel 3 of a mono recording", ReadBytes(strWav), 3, "there is no channel 3"},
    };
    for (const SReasonCase& test : kCases) {
        SCOPED_TRACE(test.m_szName);
        WriteBytes(dir.File("file"), test.m_file);
        CRobustDecoder decoder;
        decoder.SetChannel(test.m_nChannel);
        EXPECT_FALSE(decoder.Open(dir.File("file")));
        EXPECT_NE(decoder.FailureText().find(test.m_szText), std::string::npos)
            << decoder.FailureText();
        // The same through a stream.
        CPieceSource source(test.m_file, {5});
        EXPECT_FALSE(decoder.OpenStream(source));
        EXPECT_NE(decoder.FailureText().find(test.m_szText), std::string::npos)
            << decoder.FailureText();
    }
    CRobustDecoder decoder;
    EXPECT_FALSE(decoder.Open(dir.File("missing.wav")));
    EXPECT_EQ(decoder.FailureText().rfind("cannot be opened: ", 0), 0u) << decoder.FailureText();
    // A folder: said so where it opens at all (Windows refuses it at once).
    EXPECT_FALSE(decoder.Open(PathUtf8(dir.Path())));
    EXPECT_EQ(decoder.FailureText().rfind("cannot be opened: ", 0), 0u) << decoder.FailureText();
#ifndef _WIN32
    EXPECT_EQ(decoder.FailureText(), "cannot be opened: it is a folder");
#endif
}

TEST(RobustStreamTest, KindsLibsndfileDoesNotReadAreKnownByTheirFirstBytes) {
    const struct {
        Bytes m_head;
        const char* m_szKind;  // "" for none
    } kHeads[] = {
        {{0, 0, 0, 0x1C, 'f', 't', 'y', 'p', 'm', 'p', '4', '2'},
         "an MP4 or M4A file (AAC audio, most likely)"},
        {{0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6}, "a WMA file"},
        {{0xFF, 0xF1, 0x50, 0x80}, "an AAC file"},
        {{0xFF, 0xFB, 0x90, 0x64}, "an MP3 file"},
        {{'I', 'D', '3', 4, 0}, "an MP3 file"},
        {{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, ""},
        {{'f', 't', 'y'}, ""},
        {{}, ""},
    };
    for (const auto& head : kHeads) {
        EXPECT_EQ(UnreadableKind(head.m_head), head.m_szKind);
    }
}

// A recording shorter than one read of the decoder: its first seconds are
// all there is, surveyed, primed on and decoded from memory.
TEST(RobustStreamTest, ARecordingShorterThanOneReadIsDecoded) {
    CTempDir dir;
    CAnalogBlock block;
    block.m_data = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::string strWav = dir.File("short.wav");
    ASSERT_TRUE(WriteAnalogRecording(strWav, {}, {}, {{block}}, 200, 0.05));
    const Bytes wav = ReadBytes(strWav);
    ASSERT_LT(wav.size(), 44100u);  // well under a second of 8-bit mono
    CRobustDecoder decoder;
    {
        CCurrentDir here(dir.Path());
        CRecordingOwner owner;
        owner.m_strPath = strWav;
        EXPECT_EQ(RunConversion(owner, decoder), ERunResult::kDone) << decoder.FailureText();
        EXPECT_EQ(ReadBytes(dir.File("test.dat")), block.m_data);
    }
    CPieceSource source(wav, {100});
    EXPECT_EQ(DecodeStream(dir, source, decoder), block.m_data);
}
}  // namespace
