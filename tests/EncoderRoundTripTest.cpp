// Round trips through the tape encoder and the decoder: bytes written as a
// WAV recording must come back exactly, in every format the encoder writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <span>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ConversionRun.h"
#include "EncodeArguments.h"
#include "RecordHeader.h"
#include "RecordName.h"
#include "Recording.h"
#include "TapeEncoder.h"
#include "TapeOwner.h"
#include "TapeReader.h"
#include "TickClock.h"
#include "support/ReaderPair.h"
#include "support/RecordingOwner.h"
#include "support/TestFiles.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

Bytes DecodeBytes(const CTempDir& dir, const Bytes& wav) {
    const std::string strPath = dir.File("decode.wav");
    WriteBytes(strPath, wav);
    return DecodeFile(strPath);
}

// All byte values, then random ones, ending in a byte whose last bit is 0 so
// that the recording ends with a closing long half-period.
Bytes TestData() {
    Bytes data(256);
    for (size_t k = 0; k < data.size(); ++k) {
        data[k] = static_cast<uint8_t>(k);
    }
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int k = 0; k < 300; ++k) {
        data.push_back(static_cast<uint8_t>(byte(rng)));
    }
    data.push_back(0x00);
    return data;
}

uint32_t Le(const Bytes& wav, size_t nOffset, size_t nSize) {
    uint32_t n = 0;
    for (size_t k = nSize; k-- > 0;) {
        n = n << 8 | wav[nOffset + k];
    }
    return n;
}

// A WAV file of one byte per frame: byte nIndex of every frame of wav.
Bytes ExtractFrameByte(const Bytes& wav, int32_t nRate, size_t nIndex) {
    const size_t nFrameSize = Le(wav, 32, 2);
    Bytes out;
    const CWavFormat mono{nRate, 8, 1};
    const auto header = MakeWavHeader(mono, 0);
    out.assign(header.begin(), header.end());
    for (size_t p = kWavHeaderSize; p + nFrameSize <= wav.size(); p += nFrameSize) {
        out.push_back(wav[p + nIndex]);
    }
    return out;
}

using FormatParam = std::tuple<int32_t, int32_t, int32_t>;  // bits, channels, rate

std::vector<FormatParam> AllFormats() {
    std::vector<FormatParam> formats;
    for (const int32_t nBits : {8, 16, 24}) {
        for (const int32_t nChannels : {1, 2}) {
            for (const int32_t nRate :
                 {44100, 32000, 22050, 11025, 8000, 44050, 3001, kMinEncodeRate}) {
                formats.emplace_back(nBits, nChannels, nRate);
            }
        }
    }
    return formats;
}

// The reader takes a frame of more than four bytes (24-bit stereo) one byte
// at a time, so such a recording cannot be read back directly; its content
// is checked through OnlyTheLastByteOfAFrameCarriesTheSignal.
std::vector<FormatParam> ReadableFormats() {
    std::vector<FormatParam> formats = AllFormats();
    std::erase_if(formats, [](const FormatParam& format) {
        return std::get<0>(format) / 8 * std::get<1>(format) > 4;
    });
    return formats;
}

class EncoderFormat : public testing::TestWithParam<FormatParam> {
protected:
    CWavFormat Format() const {
        const auto [nBits, nChannels, nRate] = GetParam();
        return CWavFormat{nRate, nBits, nChannels};
    }
};

class EncoderRoundTrip : public EncoderFormat {};

TEST_P(EncoderRoundTrip, DecodesToTheSameBytes) {
    CTempDir dir;
    const Bytes data = TestData();
    const Bytes wav = EncodeRecording(Format(), data, CEncodeOptions{});
    ASSERT_FALSE(wav.empty());
    EXPECT_EQ(DecodeBytes(dir, wav), data);
}

TEST_P(EncoderFormat, OnlyTheLastByteOfAFrameCarriesTheSignal) {
    // A reader taking any other byte of the frame (the first channel, or a
    // lower byte of the sample) must not get the data back; the extraction
    // itself is checked by taking the last byte, which must.
    CTempDir dir;
    const CWavFormat format = Format();
    const Bytes data = TestData();
    const Bytes wav = EncodeRecording(format, data, CEncodeOptions{});
    const auto nFrameSize = static_cast<size_t>(FrameSize(format));
    for (size_t nIndex = 0; nIndex < nFrameSize; ++nIndex) {
        const Bytes decoded = DecodeBytes(dir, ExtractFrameByte(wav, format.m_nRate, nIndex));
        if (nIndex + 1 == nFrameSize) {
            EXPECT_EQ(decoded, data);
        } else {
            EXPECT_LT(decoded.size(), 16u) << "byte " << nIndex << " of the frame";
        }
    }
}

TEST_P(EncoderFormat, HeaderDescribesTheData) {
    const CWavFormat format = Format();
    const auto nFrameSize = static_cast<uint32_t>(FrameSize(format));
    // Payloads of different lengths, so that frame counts of both parities occur.
    for (const Bytes& data : {Bytes{}, Bytes{0x01}, Bytes{0x01, 0x80}, Bytes{0xFF, 0x00, 0x55}}) {
        const Bytes wav = EncodeRecording(format, data, CEncodeOptions{});
        ASSERT_GT(wav.size(), kWavHeaderSize);
        EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
        EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(Le(wav, 4, 4), wav.size() - 8);
        EXPECT_EQ(Le(wav, 16, 4), 18u);
        EXPECT_EQ(Le(wav, 20, 2), 1u);
        EXPECT_EQ(Le(wav, 22, 2), static_cast<uint32_t>(format.m_nChannels));
        EXPECT_EQ(Le(wav, 24, 4), static_cast<uint32_t>(format.m_nRate));
        EXPECT_EQ(Le(wav, 28, 4), static_cast<uint32_t>(format.m_nRate) * nFrameSize);
        EXPECT_EQ(Le(wav, 32, 2), nFrameSize);
        EXPECT_EQ(Le(wav, 34, 2), static_cast<uint32_t>(format.m_nBits));
        EXPECT_EQ(Le(wav, 36, 2), 0u);
        EXPECT_EQ(std::string(wav.begin() + 38, wav.begin() + 42), "data");
        EXPECT_EQ(Le(wav, 42, 4), wav.size() - kWavHeaderSize);
        EXPECT_EQ(Le(wav, 42, 4) % 2, 0u) << "an odd data chunk would need a pad byte";
        EXPECT_EQ(Le(wav, 42, 4) % nFrameSize, 0u);
    }
}

std::string FormatName(const testing::TestParamInfo<FormatParam>& param) {
    const auto [nBits, nChannels, nRate] = param.param;
    return std::to_string(nBits) + "bit" + std::to_string(nChannels) + "ch" + std::to_string(nRate);
}

INSTANTIATE_TEST_SUITE_P(All, EncoderFormat, testing::ValuesIn(AllFormats()), FormatName);
INSTANTIATE_TEST_SUITE_P(All, EncoderRoundTrip, testing::ValuesIn(ReadableFormats()), FormatName);

TEST(EncoderClock, MatchesTheFramesTheReaderTakes) {
    // Frames alternate between 1 and 2, so that every read changes the value
    // the reader holds.
    CTempDir dir;
    constexpr int64_t kFrames = 3000;
    for (const int32_t nRate : {44100, 44050, 44001, 44000, 32000, 11025, 8000, kMinEncodeRate}) {
        const auto header = MakeWavHeader(CWavFormat{nRate, 8, 1}, kFrames);
        Bytes wav(header.begin(), header.end());
        for (int64_t k = 0; k < kFrames; ++k) {
            wav.push_back(static_cast<uint8_t>(1 + k % 2));
        }
        const std::string strPath = dir.File("clock.wav");
        WriteBytes(strPath, wav);
        CTapeReader reader;
        ASSERT_EQ(reader.Open(strPath), 1);
        int64_t nFrame = 0;
        int32_t nHeld = reader.m_nHeld;
        for (int64_t nTick = 1; nFrame < kFrames - 1; ++nTick) {
            reader.NextTick();
            if (reader.m_nHeld != nHeld) {
                nHeld = reader.m_nHeld;
                ASSERT_EQ(FrameReadTick(nRate, nFrame), nTick) << nRate << " Hz, frame " << nFrame;
                ++nFrame;
            }
            ASSERT_EQ(FramesReadBy(nRate, nTick), nFrame) << nRate << " Hz, tick " << nTick;
        }
    }
}

// The lengths the reader measures (ticks between crossings) for half-periods
// of every length from 6 to nLongest ticks, each once high and once low,
// after a short leader.
std::vector<int32_t> MeasureLengths(const CTempDir& dir, const CWavFormat& format,
                                    int32_t nLongest) {
    constexpr int32_t kLeader = 10;
    CVectorSink sink;
    CTapeEncoder encoder(format, sink);
    encoder.AddLeader(kLeader);
    for (int32_t nTicks = 6; nTicks <= nLongest; ++nTicks) {
        encoder.AddHalfPeriod(nTicks);
        encoder.AddHalfPeriod(nTicks);
    }
    encoder.AddTail();
    EXPECT_TRUE(encoder.Finish());
    const std::string strPath = dir.File("lengths.wav");
    WriteBytes(strPath, sink.Bytes());

    CTapeReader reader;
    EXPECT_EQ(reader.Open(strPath), 1);
    // Measurement k ends at the crossing that ends half-period k - 1; back to
    // back, a score is 46 minus the ticks between two crossings.
    for (int32_t k = 0; k <= kLeader; ++k) {
        reader.MeasureHalfPeriod();
    }
    std::vector<int32_t> lengths;
    for (int32_t nTicks = 6; nTicks <= nLongest; ++nTicks) {
        lengths.push_back(46 - reader.MeasureHalfPeriod());
        lengths.push_back(46 - reader.MeasureHalfPeriod());
    }
    return lengths;
}

TEST(EncoderHalfPeriod, MeasuresAsGivenOnBothLevels) {
    CTempDir dir;
    for (const int32_t nChannels : {1, 2}) {
        const std::vector<int32_t> lengths =
            MeasureLengths(dir, CWavFormat{44100, 16, nChannels}, 45);
        for (size_t k = 0; k < lengths.size(); ++k) {
            EXPECT_EQ(lengths[k], 6 + static_cast<int32_t>(k / 2)) << "half-period " << k;
        }
    }
}

TEST(EncoderHalfPeriod, StaysWithinHalfAFrameBelowTheTickRate) {
    // Each crossing sits on the frame read nearest to where it belongs, and
    // a half-period takes at least one frame.
    CTempDir dir;
    for (const int32_t nRate : {44050, 32000, 11025, 8000, 3001, kMinEncodeRate}) {
        const int32_t nFrameTicks = (44100 + nRate - 1) / nRate;
        const int32_t nSlack = (nFrameTicks + 1) / 2;
        const std::vector<int32_t> lengths = MeasureLengths(dir, CWavFormat{nRate, 8, 1}, 35);
        for (size_t k = 0; k < lengths.size(); ++k) {
            const int32_t nTicks = 6 + static_cast<int32_t>(k / 2);
            EXPECT_GE(lengths[k], nTicks - nSlack) << nRate << " Hz, half-period " << k;
            EXPECT_LE(lengths[k], std::max(nTicks + nSlack, nFrameTicks + 1))
                << nRate << " Hz, half-period " << k;
        }
    }
}

TEST(EncoderRates, FormatsOutsideTheRangeAreRefused) {
    const Bytes data = TestData();
    EXPECT_EQ(CheckFormat(CWavFormat{kMinEncodeRate, 8, 1}), EFormatCheck::kOk);
    EXPECT_EQ(CheckFormat(CWavFormat{kMinEncodeRate - 1, 8, 1}), EFormatCheck::kRateTooLow);
    EXPECT_EQ(CheckFormat(CWavFormat{kMaxEncodeRate + 1, 8, 1}), EFormatCheck::kRateTooHigh);
    EXPECT_EQ(CheckFormat(CWavFormat{-44100, 8, 1}), EFormatCheck::kRateTooLow);
    EXPECT_EQ(CheckFormat(CWavFormat{44100, 12, 1}), EFormatCheck::kBadBits);
    EXPECT_EQ(CheckFormat(CWavFormat{44100, 8, 3}), EFormatCheck::kBadChannels);
    EXPECT_TRUE(EncodeRecording(CWavFormat{kMinEncodeRate - 1, 8, 1}, data, {}).empty());
    EXPECT_TRUE(EncodeRecording(CWavFormat{kMaxEncodeRate + 1, 8, 1}, data, {}).empty());
    EXPECT_TRUE(EncodeRecording(CWavFormat{44100, 32, 1}, data, {}).empty());
}

TEST(EncoderRecordName, HeaderCarriesTheNameWhereTheScanLooks) {
    const std::pair<std::string, std::string> cases[] = {
        {"TAVRO", std::string("TAVRO\0\0\0", 8)},
        {"ABCDEFGH", "ABCDEFGH"},
        {"ABCDEFGHIJ", "ABCDEFGH"},
        {"", std::string(8, '\0')},
    };
    for (const auto& [strName, strRaw] : cases) {
        const Bytes header = MakeRecordHeader(strName);
        ASSERT_EQ(header.size(), kRecordHeaderSize);
        std::array<int32_t, kScannedBytes> scanned{};
        std::copy_n(header.begin(), kScannedBytes, scanned.begin());
        EXPECT_EQ(ScanRecordName(scanned), strRaw) << strName;
    }
}

TEST(EncoderRecordName, RunShowsTheNameAndWritesEveryByte) {
    CTempDir dir;
    const Bytes data = TestData();
    CEncodeOptions options;
    options.m_bRecordHeader = true;
    options.m_strName = "RECORD-1";
    const std::string strWav = dir.File("named.wav");
    ASSERT_TRUE(WriteRecordingFile(strWav, CWavFormat{22050, 16, 2}, data, options));

    CRecordingOwner owner;
    owner.m_strPath = strWav;
    {
        const CCurrentDir here(dir.Path());
        EXPECT_EQ(RunConversion(owner), ERunResult::kDone);
    }
    Bytes expected = MakeRecordHeader(options.m_strName);
    expected.insert(expected.end(), data.begin(), data.end());
    EXPECT_EQ(ReadBytes(dir.File("test.dat")), expected);
    // Block bytes 256 and 512 come after the scan at byte 64.
    EXPECT_NE(
        std::find(owner.m_texts.begin(), owner.m_texts.end(), "status: Nacteno: 256  (RECORD-1)"),
        owner.m_texts.end());
    EXPECT_EQ(owner.m_texts.back(), "status: Hotovo :-)");
}

TEST(EncoderSinks, FileAndMemoryGetTheSameRecording) {
    CTempDir dir;
    const Bytes data = TestData();
    const CWavFormat format{32000, 24, 1};
    const Bytes inMemory = EncodeRecording(format, data, CEncodeOptions{});
    const std::string strPath = dir.File("file.wav");
    ASSERT_TRUE(WriteRecordingFile(strPath, format, data, CEncodeOptions{}));
    EXPECT_EQ(ReadBytes(strPath), inMemory);

    // Fed in pieces through a stdio stream, as the program does.
    std::FILE* pFile = std::fopen(dir.File("pieces.wav").c_str(), "wb");
    ASSERT_NE(pFile, nullptr);
    CFileSink sink(pFile);
    CTapeEncoder encoder(format, sink);
    encoder.AddLeader();
    for (size_t k = 0; k < data.size(); k += 100) {
        encoder.AddBytes(std::span(data).subspan(k, std::min<size_t>(100, data.size() - k)));
    }
    encoder.AddTail();
    EXPECT_TRUE(encoder.Finish());
    std::fclose(pFile);
    EXPECT_EQ(ReadBytes(dir.File("pieces.wav")), inMemory);
}

// Accepts a set number of bytes, and no rewrite when bRewrite is false.
class CLimitedSink : public CByteSink {
public:
    CLimitedSink(size_t nLimit, bool bRewrite) : m_nLimit(nLimit), m_bRewrite(bRewrite) {}
    bool Write(std::span<const uint8_t> bytes) override {
        m_nWritten += bytes.size();
        return m_nWritten <= m_nLimit;
    }
    bool Rewrite(uint64_t, std::span<const uint8_t>) override { return m_bRewrite; }

private:
    size_t m_nLimit;
    bool m_bRewrite;
    size_t m_nWritten = 0;
};

TEST(EncoderSinks, FailuresReachTheCaller) {
    const Bytes data = TestData();
    CLimitedSink full(100000, true);
    EXPECT_FALSE(EncodeToSink(CWavFormat{44100, 16, 2}, data, CEncodeOptions{}, full));
    CLimitedSink pipe(SIZE_MAX, false);
    EXPECT_FALSE(EncodeToSink(CWavFormat{44100, 16, 2}, data, CEncodeOptions{}, pipe));
    CLimitedSink good(SIZE_MAX, true);
    EXPECT_TRUE(EncodeToSink(CWavFormat{44100, 16, 2}, data, CEncodeOptions{}, good));

    CTempDir dir;
    EXPECT_FALSE(WriteRecordingFile(dir.File("no/such/dir.wav"), CWavFormat{}, data, {}));
}

TEST(EncodeArguments, OptionsAndPaths) {
    CEncodeRequest request =
        ParseEncodeArguments({"--rate", "22050", "--bits=16", "--channels", "2", "--leader=500",
                              "--name", "GAME", "-", "out.wav"});
    ASSERT_EQ(request.eAction, EEncodeAction::kRun) << request.strError;
    EXPECT_EQ(request.format.m_nRate, 22050);
    EXPECT_EQ(request.format.m_nBits, 16);
    EXPECT_EQ(request.format.m_nChannels, 2);
    EXPECT_EQ(request.options.m_nLeader, 500);
    EXPECT_TRUE(request.options.m_bRecordHeader);
    EXPECT_EQ(request.options.m_strName, "GAME");
    EXPECT_EQ(request.strInput, "-");
    EXPECT_EQ(request.strOutput, "out.wav");

    request = ParseEncodeArguments({"in", "--", "-out.wav"});
    ASSERT_EQ(request.eAction, EEncodeAction::kRun) << request.strError;
    EXPECT_EQ(request.format.m_nRate, 44100);
    EXPECT_FALSE(request.options.m_bRecordHeader);
    EXPECT_EQ(request.strOutput, "-out.wav");

    EXPECT_EQ(ParseEncodeArguments({"in", "--help", "out"}).eAction, EEncodeAction::kHelp);
    EXPECT_EQ(ParseEncodeArguments({"--version", "in", "out"}).eAction, EEncodeAction::kVersion);
}

TEST(EncodeArguments, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {"in"},
        {"in", "out", "more"},
        {"--bits", "12", "in", "out"},
        {"--channels", "3", "in", "out"},
        {"--rate", std::to_string(kMinEncodeRate - 1), "in", "out"},
        {"--rate", "192001", "in", "out"},
        {"--rate", "22k", "in", "out"},
        {"--leader", "-1", "in", "out"},
        {"--name", "NINECHARS", "in", "out"},
        {"--volume", "3", "in", "out"},
        {"in", "out", "--rate"},
    };
    for (const auto& args : cases) {
        const CEncodeRequest request = ParseEncodeArguments(args);
        EXPECT_EQ(request.eAction, EEncodeAction::kUsageError) << args.front();
        EXPECT_FALSE(request.strError.empty());
    }
}

#ifndef _WIN32
int RunProgram(const std::string& strArgs) {
    const int nStatus = std::system((std::string(TAVRO_ENCODE_PROGRAM) + " " + strArgs).c_str());
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
}

TEST(EncodeProgram, WritesARecordingAndReportsErrors) {
    CTempDir dir;
    const Bytes data = TestData();
    const std::string strIn = dir.File("in.bin");
    const std::string strOut = dir.File("out.wav");
    WriteBytes(strIn, data);

    ASSERT_EQ(
        RunProgram("--bits 16 --channels 2 --rate 11025 --name PROG - " + strOut + " < " + strIn),
        0);
    Bytes expected = MakeRecordHeader("PROG");
    expected.insert(expected.end(), data.begin(), data.end());
    EXPECT_EQ(DecodeFile(strOut), expected);

    EXPECT_EQ(RunProgram("--bits 12 " + strIn + " " + strOut + " 2>/dev/null"), 2);
    EXPECT_EQ(RunProgram(dir.File("missing.bin") + " " + strOut + " 2>/dev/null"), 1);
    EXPECT_EQ(RunProgram(strIn + " " + dir.File("no/such/out.wav") + " 2>/dev/null"), 1);
    EXPECT_EQ(RunProgram("--help >/dev/null"), 0);
}
#endif

}  // namespace
