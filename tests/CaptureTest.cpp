// Capture without the sound card: the ring between the callback and the
// decoder, the kept recording as it grows, the live byte stream and its
// ways to end, and the terminal's level meter.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "KeptRecording.h"
#include "LiveSource.h"
#include "RecordLine.h"
#include "RecordRun.h"
#include "SampleRing.h"
#include "support/TestFiles.h"

namespace {

// Frames whose samples count up from nFirst, channel by channel.
std::vector<int16_t> Counting(int64_t nFirst, int64_t nFrames, int32_t nChannels) {
    std::vector<int16_t> samples(static_cast<size_t>(nFrames * nChannels));
    for (size_t k = 0; k < samples.size(); ++k) {
        samples[k] = static_cast<int16_t>((nFirst * nChannels + static_cast<int64_t>(k)) % 30000);
    }
    return samples;
}

TEST(SampleRingTest, FramesComeOutInOrderAcrossTheWrapAndWhatDoesNotFitIsCounted) {
    // Capacity 5 frames of 2 channels; pushes and pops of every size.
    CSampleRing ring(5, 2);
    const struct {
        int64_t nPush;
        int64_t nPushed;  // what fits
        int64_t nPop;
        int64_t nPopped;
        int64_t nDropped;  // so far
    } kSteps[] = {
        {3, 3, 2, 2, 0},  // 1 left
        {4, 4, 0, 0, 0},  // full, across the end
        {2, 0, 5, 5, 2},  // nothing fits; all out
        {5, 5, 7, 5, 2},  // exactly full; a pop asks for more than there is
        {0, 0, 1, 0, 2},
    };
    int64_t nIn = 0;
    int64_t nOut = 0;
    for (const auto& step : kSteps) {
        const std::vector<int16_t> in = Counting(nIn, step.nPush, 2);
        EXPECT_EQ(ring.Push(in.data(), step.nPush), step.nPushed);
        nIn += step.nPushed;
        std::vector<int16_t> out(static_cast<size_t>(step.nPop * 2) + 2, -1);
        ASSERT_EQ(ring.Pop(out.data(), step.nPop), step.nPopped);
        const std::vector<int16_t> expected = Counting(nOut, step.nPopped, 2);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin()));
        EXPECT_EQ(out[static_cast<size_t>(step.nPopped * 2)], -1);  // nothing past them
        nOut += step.nPopped;
        EXPECT_EQ(ring.AvailableFrames(), nIn - nOut);
        EXPECT_EQ(ring.DroppedFrames(), step.nDropped);
    }
}

TEST(SampleRingTest, TwoThreadsPassEveryFrameInOrder) {
    constexpr int64_t kFrames = 200000;
    CSampleRing ring(1000, 3);
    std::thread producer([&ring] {
        for (int64_t nSent = 0; nSent < kFrames;) {
            const int64_t nChunk = std::min<int64_t>(kFrames - nSent, 1 + nSent % 97);
            const std::vector<int16_t> in = Counting(nSent, nChunk, 3);
            const int64_t nPushed = ring.AvailableFrames() + nChunk <= ring.CapacityFrames()
                                        ? ring.Push(in.data(), nChunk)
                                        : 0;
            nSent += nPushed;
            if (nPushed == 0) {
                std::this_thread::yield();
            }
        }
    });
    int64_t nGot = 0;
    bool bInOrder = true;
    std::vector<int16_t> out(3 * 300);
    while (nGot < kFrames && bInOrder) {
        const int64_t nPopped = ring.Pop(out.data(), 1 + nGot % 300);
        const std::vector<int16_t> expected = Counting(nGot, nPopped, 3);
        bInOrder = std::equal(expected.begin(), expected.end(), out.begin());
        nGot += nPopped;
    }
    producer.join();
    EXPECT_TRUE(bInOrder) << "at frame " << nGot;
    EXPECT_EQ(ring.DroppedFrames(), 0);
}

// The frames a reader finds in the file now; empty when it cannot open it.
std::vector<int16_t> ReadSound(const std::string& strPath, int32_t& nRate) {
    SF_INFO info{};
    SNDFILE* pSound = sf_open(strPath.c_str(), SFM_READ, &info);
    std::vector<int16_t> samples;
    if (pSound == nullptr) {
        return samples;
    }
    nRate = info.samplerate;
    std::vector<int16_t> part(4096 * static_cast<size_t>(info.channels));
    for (sf_count_t n; (n = sf_readf_short(pSound, part.data(), 4096)) > 0;) {
        samples.insert(samples.end(), part.begin(), part.begin() + n * info.channels);
    }
    sf_close(pSound);
    return samples;
}

TEST(KeptRecordingTest, TheFileHoldsAllButTheLastSecondWhileItGrowsAndEverythingOnceClosed) {
    CTempDir dir;
    constexpr int32_t kRate = 8000;
    for (const char* szName : {"kept.flac", "kept.wav", "KEPT.WAV"}) {
        const std::string strPath = dir.File(szName);
        CKeptRecording kept;
        std::string strReason;
        ASSERT_TRUE(kept.Open(strPath, kRate, 2, strReason)) << strReason;
        std::vector<int16_t> all;
        for (int32_t nPart = 0; nPart < 40; ++nPart) {  // 4 s in 0.1 s parts
            std::vector<int16_t> part = Counting(nPart * kRate / 10, kRate / 10, 2);
            for (size_t k = 0; k < part.size(); ++k) {
                part[k] = static_cast<int16_t>(
                    std::lround(9000.0 * std::sin(static_cast<double>(all.size() + k) * 0.01)));
            }
            ASSERT_TRUE(kept.Write(part.data(), kRate / 10));
            all.insert(all.end(), part.begin(), part.end());
            int32_t nRate = 0;
            const std::vector<int16_t> now = ReadSound(strPath, nRate);
            // What is there is the start of what was written, and no more
            // than a second is missing.
            EXPECT_GE(now.size() + 2 * kRate, all.size()) << szName << " part " << nPart;
            ASSERT_LE(now.size(), all.size());
            EXPECT_TRUE(std::equal(now.begin(), now.end(), all.begin())) << szName;
            // A WAV's header says so too, for readers that trust it.
            const std::vector<uint8_t> file = ReadBytes(strPath);
            if (file.size() >= 44 && std::memcmp(file.data(), "RIFF", 4) == 0) {
                const uint32_t nDataBytes =
                    static_cast<uint32_t>(file[40] | file[41] << 8 | file[42] << 16) |
                    static_cast<uint32_t>(file[43]) << 24;
                EXPECT_GE(nDataBytes + 4U * kRate, 2 * all.size()) << szName;
            }
        }
        EXPECT_EQ(kept.Frames(), 4 * kRate);
        EXPECT_TRUE(kept.Close());
        int32_t nRate = 0;
        EXPECT_EQ(ReadSound(strPath, nRate), all) << szName;
        EXPECT_EQ(nRate, kRate);
    }
}

TEST(KeptRecordingTest, NamesAndFailures) {
    const struct {
        const char* szPath;
        bool bKnown;
        EKeptFormat eFormat;
    } kNames[] = {
        {"a.flac", true, EKeptFormat::kFlac},
        {"b/A.FLAC", true, EKeptFormat::kFlac},
        {"a.wav", true, EKeptFormat::kWav},
        {"a.Wav", true, EKeptFormat::kWav},
        {"a.mp3", false, {}},
        {"flac", false, {}},
        {"a.wav.txt", false, {}},
    };
    for (const auto& name : kNames) {
        EKeptFormat eFormat = EKeptFormat::kWav;
        EXPECT_EQ(KeptFormatOf(name.szPath, eFormat), name.bKnown) << name.szPath;
        if (name.bKnown) {
            EXPECT_EQ(eFormat, name.eFormat) << name.szPath;
        }
    }
    CTempDir dir;
    CKeptRecording kept;
    std::string strReason;
    EXPECT_FALSE(kept.Open(dir.File("no/such/folder/k.flac"), 44100, 1, strReason));
    EXPECT_FALSE(strReason.empty());
    EXPECT_FALSE(kept.Open(dir.File("k.mp3"), 44100, 1, strReason));
    const int16_t nSample = 0;
    EXPECT_FALSE(kept.Write(&nSample, 1));
}

// A capture made of the frames a test pushes.
class CTestFeed : public CCaptureFeed {
public:
    explicit CTestFeed(int32_t nChannels) : m_ring(1 << 20, nChannels) {}
    CSampleRing& Ring() override { return m_ring; }
    bool IsRunning() const override { return m_bRunning; }
    void Stop() override { m_bStopped = true; }
    void Abandon() override { m_bAbandoned = true; }

    CSampleRing m_ring;
    bool m_bRunning = true;
    bool m_bStopped = false;
    bool m_bAbandoned = false;
};

// Reads the stream to its end: its bytes and the last count Read gave.
std::vector<uint8_t> ReadAll(CLiveSource& source, int64_t& nLast) {
    std::vector<uint8_t> bytes;
    uint8_t buf[1000];
    while ((nLast = source.Read(buf, 1 + static_cast<int64_t>(bytes.size() % 999))) > 0) {
        bytes.insert(bytes.end(), buf, buf + nLast);
    }
    return bytes;
}

class CLevels : public CLevelObserver {
public:
    void OnLevel(double dSeconds, double dPeakDbfs, bool bClipped) override {
        m_seconds.push_back(dSeconds);
        m_peaks.push_back(dPeakDbfs);
        m_nClipped += bClipped ? 1 : 0;
    }
    std::vector<double> m_seconds;
    std::vector<double> m_peaks;
    int m_nClipped = 0;
};

TEST(LiveSourceTest, AWavHeaderOfUnknownLengthThenTheFramesAsTheyCameAndIntoTheKeptFile) {
    CTempDir dir;
    CTestFeed feed(2);
    const std::vector<int16_t> frames = Counting(0, 12345, 2);
    feed.m_ring.Push(frames.data(), 12345);
    CKeptRecording kept;
    std::string strReason;
    ASSERT_TRUE(kept.Open(dir.File("k.wav"), 22050, 2, strReason));
    SLiveLimits limits;
    limits.m_dStallSeconds = 0.05;
    CLiveSource source(feed, 22050, &kept, limits, nullptr);
    CLevels levels;
    source.SetObserver(&levels);
    int64_t nLast = 0;
    const std::vector<uint8_t> bytes = ReadAll(source, nLast);
    ASSERT_EQ(bytes.size(), 44u + frames.size() * 2);
    EXPECT_EQ(std::memcmp(bytes.data(), "RIFF\xFF\xFF\xFF\xFFWAVEfmt ", 16), 0);
    EXPECT_EQ(bytes[20] | bytes[21] << 8, 1);  // PCM
    EXPECT_EQ(bytes[22] | bytes[23] << 8, 2);  // channels
    EXPECT_EQ(bytes[24] | bytes[25] << 8 | bytes[26] << 16, 22050);
    EXPECT_EQ(bytes[34], 16);  // bits
    EXPECT_EQ(std::memcmp(bytes.data() + 36, "data\xFF\xFF\xFF\xFF", 8), 0);
    std::vector<int16_t> pcm(frames.size());
    std::memcpy(pcm.data(), bytes.data() + 44, pcm.size() * 2);
    EXPECT_EQ(pcm, frames);
    // A capture that stops delivering ends in a read error.
    EXPECT_EQ(nLast, -1);
    EXPECT_EQ(source.End(), ELiveEnd::kStalled);
    EXPECT_TRUE(feed.m_bAbandoned);
    EXPECT_FALSE(feed.m_bStopped);
    EXPECT_TRUE(kept.Close());
    int32_t nRate = 0;
    EXPECT_EQ(ReadSound(dir.File("k.wav"), nRate), frames);
    // A level every 0.1 s of audio: 5 of the 0.56 s.
    EXPECT_EQ(levels.m_seconds, (std::vector<double>{0.1, 0.2, 0.3, 0.4, 0.5}));
    EXPECT_NEAR(levels.m_peaks.back(), 20 * std::log10(22049.0 / 32768), 0.01);
    EXPECT_EQ(levels.m_nClipped, 0);
}

TEST(LiveSourceTest, EachWayToEnd) {
    constexpr int32_t kRate = 1000;
    // 1 s of a tone, then 3 s of near silence (-50 dBFS).
    std::vector<int16_t> audio(4 * kRate);
    for (size_t k = 0; k < audio.size(); ++k) {
        audio[k] = static_cast<int16_t>(k % 2 == 0 ? (k < kRate ? 20000 : 100) : 0);
    }
    const struct {
        const char* szCase;
        double dSeconds;
        double dSilence;
        bool bBlockRead;
        bool bInterrupted;
        bool bRunning;
        ELiveEnd eEnd;
        int64_t nFrames;  // handed on
        int64_t nLast;    // the last Read
    } kCases[] = {
        {"the set length", 2.5, 0, false, false, true, ELiveEnd::kSeconds, 2500, 0},
        {"silence after a block", 0, 1.0, true, false, true, ELiveEnd::kSilence, 2000, 0},
        {"silence before any block", 0, 1.0, false, false, true, ELiveEnd::kStalled, 4000, -1},
        {"Ctrl+C takes what came", 0, 0, false, true, true, ELiveEnd::kInterrupted, 4000, 0},
        {"a device that went away", 0, 0, false, false, false, ELiveEnd::kDeviceGone, 4000, -1},
    };
    for (const auto& test : kCases) {
        CTestFeed feed(1);
        feed.m_ring.Push(audio.data(), static_cast<int64_t>(audio.size()));
        feed.m_bRunning = test.bRunning;
        SLiveLimits limits;
        limits.m_dSeconds = test.dSeconds;
        limits.m_dSilenceSeconds = test.dSilence;
        limits.m_dStallSeconds = 0.05;
        std::atomic<bool> bInterrupt{test.bInterrupted};
        CLiveSource source(feed, kRate, nullptr, limits, &bInterrupt);
        if (test.bBlockRead) {
            source.MarkBlockRead();
        }
        int64_t nLast = 0;
        const std::vector<uint8_t> bytes = ReadAll(source, nLast);
        EXPECT_EQ(source.End(), test.eEnd) << test.szCase;
        EXPECT_EQ(static_cast<int64_t>(bytes.size()), 44 + 2 * test.nFrames) << test.szCase;
        EXPECT_EQ(nLast, test.nLast) << test.szCase;
        EXPECT_DOUBLE_EQ(source.Seconds(), static_cast<double>(test.nFrames) / kRate);
        // A stalled capture is given up, not stopped: stopping could hang.
        EXPECT_EQ(feed.m_bStopped, test.eEnd != ELiveEnd::kStalled) << test.szCase;
        EXPECT_EQ(feed.m_bAbandoned, test.eEnd == ELiveEnd::kStalled) << test.szCase;
    }
}

TEST(RecordLineTest, MeterAndDefaultName) {
    const struct {
        double dPeak;
        bool bClipped;
        const char* szText;
    } kMeters[] = {
        {-120.0, false, "-99.9 dBFS [--------------------]"},
        {-60.0, false, "-60.0 dBFS [--------------------]"},
        {-30.0, false, "-30.0 dBFS [##########----------]"},
        {-6.02, false, " -6.0 dBFS [##################--]"},
        {0.0, false, "  0.0 dBFS [####################]"},
        {0.0, true, " CLIP      [####################]"},
    };
    for (const auto& meter : kMeters) {
        EXPECT_EQ(FormatMeter(meter.dPeak, meter.bClipped), meter.szText);
    }
    const std::regex name("tape-20[0-9]{6}-[0-9]{6}\\.flac");
    EXPECT_TRUE(std::regex_match(DefaultKeepPath("test.dat", 1'800'000'000), name));
    const std::string strBeside = DefaultKeepPath("out/b.dat", 1'800'000'000);
    ASSERT_TRUE(strBeside.starts_with("out/"));
    EXPECT_TRUE(std::regex_match(strBeside.substr(4), name));
}

}  // namespace
