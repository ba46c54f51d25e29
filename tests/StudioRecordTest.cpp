// The studio recording from the sound card without one: PortAudio opens the
// test's ALSA device (support/AlsaTapeDevice.h), whose capture plays the
// encoder's recording of a tape and then silence for as long as asked. The
// recording is stopped once the tape has been taken, as a user would.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include "Studio.h"
#include "support/AlsaTapeDevice.h"
#include "support/AnalogBlocks.h"
#include "support/StudioEventLog.h"

namespace {

using EKind = SStudioEvent::EKind;

std::vector<uint8_t> Bytes(const std::vector<SNamedBlock>& blocks) {
    std::vector<uint8_t> bytes;
    for (const SNamedBlock& block : blocks) {
        bytes.insert(bytes.end(), block.m_bytes.begin(), block.m_bytes.end());
    }
    return bytes;
}

// Waits until the recording has taken dSeconds of audio (the device plays
// faster than real time), then stops it and waits for the worker.
void StopAfter(CStudio& studio, uint32_t nId, double dSeconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::optional<SRecordingRow> row = studio.Recording(nId);
        if (!row || (row->m_bRecording && row->m_level.m_dSeconds >= dSeconds) ||
            (!row->m_bRecording && !row->m_bWaiting)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    studio.StopRecording();
}

class CStudioRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(m_dir.File("tape.raw"), TapePcm(m_blocks, 2.0));
        m_dTapeSeconds =
            static_cast<double>(ReadBytes(m_dir.File("tape.raw")).size()) / 2.0 / kTapeDeviceRate;
        setenv("ALSA_CONFIG_PATH", WriteAlsaConfig(m_dir, m_dir.File("tape.raw")).c_str(), 1);
    }
    SStudioRecording Settings(const std::string& strKeep) const {
        SStudioRecording settings;
        settings.m_strDevice = "tapein";
        settings.m_strKeep = m_dir.File(strKeep);
        settings.m_nChannels = 1;
        return settings;
    }

    CTempDir m_dir;
    std::vector<CAnalogBlock> m_blocks = RandomBlocks(7, {{"FIRST", 400}, {"SECOND", 250}});
    double m_dTapeSeconds = 0.0;
};

TEST_F(CStudioRecordTest, StoppedAfterTheTapeItIsAnOrdinaryDecodedTake) {
    CEventLog events;
    CStudio studio(events);
    EXPECT_FALSE(studio.IsRecording());
    const uint32_t nId = studio.RecordTake(Settings("take.flac"));
    EXPECT_TRUE(studio.IsRecording());  // what enables Stop
    StopAfter(studio, nId, m_dTapeSeconds + 0.5);
    EXPECT_FALSE(studio.IsRecording());
    studio.WaitIdle();

    const std::optional<SRecordingRow> row = studio.Recording(nId);
    ASSERT_TRUE(row);
    EXPECT_FALSE(row->m_bRecording);
    EXPECT_EQ(row->m_eProblem, EStudioProblem::kNone) << row->m_strDetail;
    EXPECT_EQ(row->m_strPath, m_dir.File("take.flac"));
    ASSERT_NE(row->m_pDecoded, nullptr);
    EXPECT_EQ(Bytes(row->m_pDecoded->m_blocks), TapeBytes(m_blocks));

    // The kept file decodes to the same bytes, as any recording added.
    const uint32_t nAgain = studio.AddRecording(row->m_strPath);
    studio.Decode(nAgain);
    studio.WaitIdle();
    const std::optional<SRecordingRow> again = studio.Recording(nAgain);
    ASSERT_TRUE(again && again->m_pDecoded);
    EXPECT_EQ(Bytes(again->m_pDecoded->m_blocks), TapeBytes(m_blocks));

    // The events: started, levels with the time going on and the map filling
    // in, blocks found, finished.
    const std::vector<SStudioEvent> seen = events.Of(nId);
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen.front().m_eKind, EKind::kAdded);
    EXPECT_EQ(seen[1].m_eKind, EKind::kDecodeStarted);
    EXPECT_EQ(seen.back().m_eKind, EKind::kDecodeFinished);
    double dLast = 0.0;
    size_t nLevels = 0;
    size_t nFound = 0;
    for (const SStudioEvent& event : seen) {
        if (event.m_eKind == EKind::kProgress && event.m_level.m_dSeconds > 0.0) {
            EXPECT_GE(event.m_level.m_dSeconds, dLast);
            EXPECT_LE(event.m_level.m_dPeakDbfs, 0.0);
            dLast = event.m_level.m_dSeconds;
            ++nLevels;
        }
        nFound += event.m_eKind == EKind::kBlockFound ? 1 : 0;
    }
    EXPECT_GT(nLevels, 10u);
    EXPECT_GE(dLast, m_dTapeSeconds);
    EXPECT_GE(nFound, 2u);
}

TEST_F(CStudioRecordTest, PlayAgainRecordsTheNextTakeAndMergesWhenItIsDone) {
    CEventLog events;
    CStudio studio(events);
    const uint32_t nFirst = studio.Record(Settings("one.flac"));
    StopAfter(studio, nFirst, m_dTapeSeconds + 0.5);
    const uint32_t nSecond = studio.RecordAgain(Settings("two.wav"));
    StopAfter(studio, nSecond, m_dTapeSeconds + 0.5);
    studio.WaitIdle();

    for (const uint32_t nId : {nFirst, nSecond}) {
        const std::optional<SRecordingRow> row = studio.Recording(nId);
        ASSERT_TRUE(row && row->m_pDecoded) << nId;
        EXPECT_EQ(Bytes(row->m_pDecoded->m_blocks), TapeBytes(m_blocks)) << nId;
        EXPECT_TRUE(std::filesystem::exists(row->m_strPath)) << row->m_strPath;
    }
    const std::shared_ptr<const SMerged> pMerged = studio.Merged();
    ASSERT_NE(pMerged, nullptr);
    EXPECT_EQ(pMerged->m_takes, (std::vector<uint32_t>{nFirst, nSecond}));
    EXPECT_EQ(Bytes(pMerged->m_named), TapeBytes(m_blocks));
}

TEST_F(CStudioRecordTest, ADeviceThatCannotRecordIsALineInItsRow) {
    const struct {
        const char* szDevice;
        const char* szKeep;
        const char* szReason;
    } kCases[] = {
        {"no-such-device", "x.flac", "no-such-device"},
        {"tapein", "x.mp3", ".flac or .wav"},
    };
    for (const auto& test : kCases) {
        CEventLog events;
        CStudio studio(events);
        SStudioRecording settings = Settings(test.szKeep);
        settings.m_strDevice = test.szDevice;
        const uint32_t nId = studio.Record(settings);
        studio.WaitIdle();
        const std::optional<SRecordingRow> row = studio.Recording(nId);
        ASSERT_TRUE(row);
        EXPECT_FALSE(row->m_bRecording);
        EXPECT_EQ(row->m_eProblem, EStudioProblem::kCannotRecord) << test.szDevice;
        EXPECT_NE(row->m_strDetail.find(test.szReason), std::string::npos) << row->m_strDetail;
        EXPECT_EQ(events.Of(nId).back().m_eKind, EKind::kDecodeFailed);
    }
}

}  // namespace
