// tavro-tape-cli --robust reading a recording as it arrives: WAV and W64 on
// standard input and through a FIFO, the WAV also with the sizes a recorder
// writes when it does not know the length. The bytes are those of the same
// recording read as a file; the JSON Lines come as the decoder finds things,
// each block's start before the audio much past its leader has been written.
#include <gtest/gtest.h>

#include <sndfile.h>
#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "AnalogRecording.h"
#include "support/ChildProcess.h"
#include "support/JsonEvents.h"
#include "support/TestFiles.h"

namespace {

using nlohmann::json;
using Bytes = std::vector<uint8_t>;

constexpr int32_t kRate = 44100;
constexpr size_t kFrameBytes = 4;  // 16-bit stereo
// A block's start must reach the output before the audio has gone on this
// far past the end of its leader.
constexpr double kLatencySeconds = 0.5;

// The same samples as W64, through libsndfile.
Bytes ToW64(const CTempDir& dir, const std::string& strWav) {
    SF_INFO in{};
    SNDFILE* pIn = sf_open(strWav.c_str(), SFM_READ, &in);
    EXPECT_NE(pIn, nullptr);
    if (pIn == nullptr) {
        return {};
    }
    std::vector<short> samples(static_cast<size_t>(in.frames * in.channels));
    sf_readf_short(pIn, samples.data(), in.frames);
    sf_close(pIn);
    SF_INFO out = in;
    out.format = SF_FORMAT_W64 | SF_FORMAT_PCM_16;
    const std::string strW64 = dir.File("tape.w64");
    SNDFILE* pOut = sf_open(strW64.c_str(), SFM_WRITE, &out);
    EXPECT_NE(pOut, nullptr);
    if (pOut == nullptr) {
        return {};
    }
    sf_writef_short(pOut, samples.data(), in.frames);
    sf_close(pOut);
    return ReadBytes(strW64);
}

// The WAV with the sizes of a recorder that writes to a pipe: the largest
// its fields hold.
Bytes WithUnknownSizes(Bytes wav) {
    const auto Put32 = [&](size_t nAt, uint32_t nValue) {
        for (size_t k = 0; k < 4; ++k) {
            wav[nAt + k] = static_cast<uint8_t>(nValue >> (8 * k));
        }
    };
    Put32(4, 0x80000023u);
    const std::string strWav(wav.begin(), wav.end());
    Put32(strWav.find("data") + 4, 0x7FFFFFFFu);
    return wav;
}

enum class EFeed {
    kStdinFile,  // "-", standard input a file
    kStdinFifo,  // "-", standard input a FIFO written as the test goes
    kFifoPath,   // the FIFO's path as the recording
};

struct SPipeCase {
    const char* m_szName;
    const Bytes* m_pFile;
    EFeed m_eFeed;
};

// Writes a recording into a FIFO in two parts: up to a point, then, once
// the child's output shows what it waits for (or after a generous while),
// the rest.
class CFifoWriter {
public:
    CFifoWriter(std::string strFifo, const Bytes& file, size_t nFirst, std::string strAwaited)
        : m_strFifo(std::move(strFifo)),
          m_file(file),
          m_nFirst(nFirst),
          m_strAwaited(std::move(strAwaited)),
          m_thread([this] { Write(); }) {}
    ~CFifoWriter() {
        Seen("");  // never wait for nothing
        m_thread.join();
    }

    // The child's output so far.
    void Seen(const std::string& strOut) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_bSeen && (strOut.empty() || strOut.find(m_strAwaited) != std::string::npos)) {
            m_bSeen = true;
            m_bSeenBeforeRest = !strOut.empty() && !m_bRestWritten;
            m_changed.notify_all();
        }
    }
    bool SeenBeforeRest() {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_bSeenBeforeRest;
    }

private:
    void Write() {
        std::FILE* pFifo = std::fopen(m_strFifo.c_str(), "wb");
        if (pFifo == nullptr) {
            return;
        }
        std::fwrite(m_file.data(), 1, m_nFirst, pFifo);
        std::fflush(pFifo);
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait_for(lock, std::chrono::seconds(30), [this] { return m_bSeen; });
            m_bRestWritten = true;
        }
        std::fwrite(m_file.data() + m_nFirst, 1, m_file.size() - m_nFirst, pFifo);
        std::fclose(pFifo);
    }

    std::string m_strFifo;
    const Bytes& m_file;
    size_t m_nFirst;
    std::string m_strAwaited;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bSeen = false;
    bool m_bRestWritten = false;
    bool m_bSeenBeforeRest = false;
    std::thread m_thread;
};

// The events of one run in the order the decoder tells them: each block's
// start, its lost bytes and its end, progress between them, the end last.
void ExpectLiveOrder(const std::vector<json>& events, const std::vector<json>& reference) {
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.front()["event"], "file");
    EXPECT_EQ(events.back()["event"], "end");
    EXPECT_EQ(events.back()["exit"], 0);
    std::vector<json> blocks;
    int nOpen = -1;  // the block begun and not yet ended
    double dProgress = -1.0;
    for (size_t k = 1; k + 1 < events.size(); ++k) {
        const json& event = events[k];
        const std::string strKind = event["event"];
        if (strKind == "block-start") {
            EXPECT_EQ(nOpen, -1) << k;
            EXPECT_EQ(event["index"], blocks.size());
            nOpen = event["index"];
        } else if (strKind == "error") {
            EXPECT_EQ(event["block"], nOpen) << k;
        } else if (strKind == "block") {
            EXPECT_EQ(event["index"], nOpen) << k;
            blocks.push_back(event);
            nOpen = -1;
        } else if (strKind == "progress") {
            EXPECT_GT(event["position"].get<double>(), dProgress);
            EXPECT_LE(event["peak"].get<double>(), 0.0);
            dProgress = event["position"];
        } else {
            ADD_FAILURE() << event.dump();
        }
    }
    EXPECT_EQ(nOpen, -1);
    // The blocks are those of the recording read as a file.
    std::vector<json> expected;
    for (const json& event : reference) {
        if (event["event"] == "block") {
            expected.push_back(event);
        }
    }
    EXPECT_EQ(blocks, expected);
}

TEST(RobustPipeTest, WavAndW64ArriveThroughStandardInputAndFifos) {
    CTempDir dir;
    CAnalogFormat format;
    format.m_nBits = 16;
    format.m_nChannels = 2;
    format.m_eOther = EOtherChannel::kSilence;
    CImpairments impairments;
    impairments.m_nDropouts = 2;
    impairments.m_dDropoutMs = 10.0;
    impairments.m_dDropoutDepthDb = 60.0;
    CAnalogBlock first;
    first.m_strName = "FIRST";
    first.m_data.assign(900, 0x3C);
    CAnalogBlock second;
    second.m_strName = "SECOND";
    second.m_data.resize(400);
    for (size_t k = 0; k < second.m_data.size(); ++k) {
        second.m_data[k] = static_cast<uint8_t>(k * 7 + 1);
    }
    CRenderTruth truth;
    const std::string strWav = dir.File("tape.wav");
    ASSERT_TRUE(
        WriteAnalogRecording(strWav, format, impairments, {{first, second}}, 200, 0.4, &truth));
    ASSERT_EQ(truth.m_blocks.size(), 2u);
    // The second block starts after the first seconds the decoder surveys.
    ASSERT_GT(truth.m_blocks[1].m_dFirstByte, 4.5);

    const Bytes wav = ReadBytes(strWav);
    const Bytes w64 = ToW64(dir, strWav);
    const Bytes unknown = WithUnknownSizes(wav);
    ASSERT_FALSE(w64.empty());
    WriteBytes(dir.File("tape.w64"), w64);

    const SChildResult reference =
        RunChild(TAVRO_CLI_PATH, dir.Path(), {"--robust", "--json", "-o", "ref.dat", "tape.wav"});
    ASSERT_EQ(reference.nExit, 0) << reference.strErr;
    const Bytes referenceBytes = ReadBytes(dir.File("ref.dat"));
    // The dropouts cost a few bytes, each reported lost.
    EXPECT_GT(referenceBytes.size(), TapeBytes({{first, second}}).size() - 20);
    const std::vector<json> referenceEvents = JsonEvents(reference.strOut);
    EXPECT_NE(reference.strOut.find(R"("event":"error")"), std::string::npos);

    const SPipeCase kCases[] = {
        {"WAV, standard input a FIFO", &wav, EFeed::kStdinFifo},
        {"WAV of unknown length, standard input a FIFO", &unknown, EFeed::kStdinFifo},
        {"WAV, a FIFO's path", &wav, EFeed::kFifoPath},
        {"W64, standard input a FIFO", &w64, EFeed::kStdinFifo},
        {"W64, a FIFO's path", &w64, EFeed::kFifoPath},
        {"W64, standard input a file", &w64, EFeed::kStdinFile},
    };
    for (const SPipeCase& test : kCases) {
        SCOPED_TRACE(test.m_szName);
        const Bytes& file = *test.m_pFile;
        const std::string strFifo = dir.File("fifo");
        std::remove(strFifo.c_str());
        ASSERT_EQ(mkfifo(strFifo.c_str(), 0600), 0);
        WriteBytes(dir.File("in.bin"), file);

        // The first part ends kLatencySeconds of audio after the second
        // block's leader.
        const size_t nHeader =
            file.size() - (wav.size() - (std::string(wav.begin(), wav.end()).find("data") + 8));
        const auto nFirst =
            nHeader +
            static_cast<size_t>((truth.m_blocks[1].m_dFirstByte + kLatencySeconds) * kRate) *
                kFrameBytes;
        std::unique_ptr<CFifoWriter> pWriter;
        SChildOptions options;
        if (test.m_eFeed != EFeed::kStdinFile) {
            pWriter = std::make_unique<CFifoWriter>(strFifo, file, nFirst,
                                                    R"({"event":"block-start","index":1,)");
            options.onOutput = [&](const std::string& strOut) { pWriter->Seen(strOut); };
        }
        options.strStdin = test.m_eFeed == EFeed::kStdinFifo   ? strFifo
                           : test.m_eFeed == EFeed::kStdinFile ? dir.File("in.bin")
                                                               : std::string();
        const std::string strInput = test.m_eFeed == EFeed::kFifoPath ? "fifo" : "-";
        const SChildResult result = RunChild(
            TAVRO_CLI_PATH, dir.Path(), {"--robust", "--json", "-o", "out.dat", strInput}, options);
        const bool bSeenInTime = pWriter == nullptr || pWriter->SeenBeforeRest();
        pWriter.reset();
        EXPECT_EQ(result.nExit, 0) << result.strErr;
        EXPECT_EQ(ReadBytes(dir.File("out.dat")), referenceBytes);
        EXPECT_TRUE(bSeenInTime) << "the second block's start waited for more audio";
        ExpectLiveOrder(JsonEvents(result.strOut), referenceEvents);
    }
}

// Without a length in its header the file event says 0 seconds; the rest is
// as for any recording.
TEST(RobustPipeTest, AStreamOfUnknownLengthHasNoSeconds) {
    CTempDir dir;
    CAnalogFormat format;
    format.m_nBits = 16;
    format.m_nChannels = 2;
    CAnalogBlock block;
    block.m_data.assign(100, 0xA5);
    const std::string strWav = dir.File("tape.wav");
    ASSERT_TRUE(WriteAnalogRecording(strWav, format, {}, {{block}}, 200, 0.2));
    WriteBytes(dir.File("unknown.wav"), WithUnknownSizes(ReadBytes(strWav)));
    SChildOptions options;
    options.strStdin = dir.File("unknown.wav");
    const SChildResult result =
        RunChild(TAVRO_CLI_PATH, dir.Path(), {"--robust", "--json", "-"}, options);
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    const std::vector<json> events = JsonEvents(result.strOut);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front()["seconds"], 0.0);
    EXPECT_EQ(events.front()["path"], "-");
    EXPECT_EQ(ReadBytes(dir.File("test.dat")), block.m_data);
}

}  // namespace
