// The studio's model without a window: recordings decoded on its worker
// with their events in order, takes merged, bytes, blocks and reports
// saved; cancel; files that cannot be read; the events' queue; the texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "AnalogRecording.h"
#include "ClassicDecoder.h"
#include "ConversionRun.h"
#include "Studio.h"
#include "StudioShow.h"
#include "StudioTexts.h"
#include "support/AnalogBlocks.h"
#include "support/RecordingOwner.h"
#include "support/StudioEventLog.h"
#include "support/TestFiles.h"

namespace {

using EKind = SStudioEvent::EKind;

std::vector<CAnalogBlock> TapeBlocks() {
    return RandomBlocks(5, {{"FIRST", 600}, {"SECOND", 300}});
}

std::string WriteTake(const CTempDir& dir, const std::string& strName, uint64_t nSeed,
                      const std::vector<CAnalogBlock>& blocks = TapeBlocks()) {
    CImpairments impairments;
    impairments.m_nDropouts = 3;
    impairments.m_dDropoutMs = 12.0;
    impairments.m_dDropoutDepthDb = 60.0;
    impairments.m_nSeed = nSeed;
    const std::string strPath = dir.File(strName);
    EXPECT_TRUE(WriteAnalogRecording(strPath, CAnalogFormat{}, impairments, blocks, 200, 0.3));
    return strPath;
}

std::vector<uint8_t> Joined(const std::vector<SNamedBlock>& blocks) {
    std::vector<uint8_t> bytes;
    for (const SNamedBlock& block : blocks) {
        bytes.insert(bytes.end(), block.m_bytes.begin(), block.m_bytes.end());
    }
    return bytes;
}

TEST(StudioTest, TakesAreDecodedMergedAndSavedWithTheirEventsInOrder) {
    CTempDir dir;
    CEventLog events;
    CStudio studio(events);
    const uint32_t nFirst = studio.AddRecording(WriteTake(dir, "one.wav", 1));
    const uint32_t nSecond = studio.AddRecording(WriteTake(dir, "two.wav", 2));
    studio.DecodeAll();
    studio.WaitIdle();

    for (const uint32_t nId : {nFirst, nSecond}) {
        SCOPED_TRACE(nId);
        const std::optional<SRecordingRow> row = studio.Recording(nId);
        ASSERT_TRUE(row && row->m_pDecoded);
        const SDecoded& decoded = *row->m_pDecoded;
        EXPECT_TRUE(decoded.m_bReadToEnd);
        EXPECT_EQ(row->m_eProblem, EStudioProblem::kNone);
        ASSERT_EQ(decoded.m_blocks.size(), 2u);
        EXPECT_EQ(decoded.m_blocks[0].m_strName, "FIRST");
        EXPECT_EQ(decoded.m_blocks[1].m_strName, "SECOND");
        EXPECT_FALSE(decoded.m_log.Failures().empty());  // the dropouts lost bytes

        // Added, started, a block found for each block, finished; the
        // progress never goes back and the map only grows.
        const std::vector<EKind> expected = {EKind::kAdded, EKind::kDecodeStarted,
                                             EKind::kBlockFound, EKind::kBlockFound,
                                             EKind::kDecodeFinished};
        EXPECT_EQ(events.Kinds(nId), expected);
        double dProgress = 0.0;
        size_t nBlocks = 0;
        for (const SStudioEvent& event : events.Of(nId)) {
            EXPECT_GE(event.m_dProgress, dProgress);
            dProgress = event.m_dProgress;
            if (event.m_pLive) {
                EXPECT_GE(event.m_pLive->m_blocks.size(), nBlocks);
                nBlocks = event.m_pLive->m_blocks.size();
            }
        }
        EXPECT_EQ(dProgress, 1.0);
    }

    studio.Merge();
    studio.WaitIdle();
    EXPECT_EQ(events.Kinds(0), (std::vector<EKind>{EKind::kMergeStarted, EKind::kMerged}));
    const std::shared_ptr<const SMerged> pMerged = studio.Merged();
    ASSERT_TRUE(pMerged);
    EXPECT_EQ(pMerged->m_takes, (std::vector<uint32_t>{nFirst, nSecond}));
    const std::vector<CAnalogBlock> blocks = TapeBlocks();
    EXPECT_EQ(Joined(pMerged->m_named), TapeBytes(blocks));

    // One file, a file per block, the report: the same bytes everywhere.
    const SStudioSource merged{true, 0};
    ASSERT_TRUE(studio.SaveBytes(merged, dir.File("tape.dat")));
    EXPECT_EQ(ReadBytes(dir.File("tape.dat")), TapeBytes(blocks));
    ASSERT_TRUE(studio.SaveBlocks(merged, dir.File("blocks")));
    EXPECT_EQ(ReadBytes(dir.File("blocks/01-FIRST.bin")), TapeBytes(std::span(&blocks[0], 1)));
    EXPECT_EQ(ReadBytes(dir.File("blocks/02-SECOND.bin")), TapeBytes(std::span(&blocks[1], 1)));
    ASSERT_TRUE(studio.SaveReport(merged, dir.File("merge.html")));
    ASSERT_TRUE(studio.SaveReport({false, nFirst}, dir.File("one.html")));
    for (const char* szPage : {"merge.html", "one.html"}) {
        const std::vector<uint8_t> page = ReadBytes(dir.File(szPage));
        const std::string strPage(page.begin(), page.end());
        EXPECT_NE(strPage.find("FIRST"), std::string::npos) << szPage;
        EXPECT_NE(strPage.find("</html>"), std::string::npos) << szPage;
    }
    ASSERT_TRUE(studio.SaveBytes({false, nSecond}, dir.File("two.dat")));
    EXPECT_EQ(ReadBytes(dir.File("two.dat")),
              Joined(studio.Recording(nSecond)->m_pDecoded->m_blocks));

    // A save that cannot be written says so and where.
    EXPECT_FALSE(studio.SaveBytes(merged, dir.File("missing/tape.dat")));
    studio.WaitIdle();
    const std::vector<SStudioEvent> saves = events.Of(0);
    std::vector<EKind> saveKinds;
    for (const SStudioEvent& event : saves) {
        saveKinds.push_back(event.m_eKind);
    }
    EXPECT_EQ(saveKinds, (std::vector<EKind>{EKind::kMergeStarted, EKind::kMerged, EKind::kSaved,
                                             EKind::kSaved, EKind::kSaved, EKind::kSaved,
                                             EKind::kSaved, EKind::kSaveFailed}));
    EXPECT_EQ(saves.back().m_eProblem, EStudioProblem::kCannotWrite);
    EXPECT_NE(saves.back().m_strDetail.find("missing"), std::string::npos);
}

TEST(StudioTest, TheClassicDecoderGivesTheBytesOfItsOwnRun) {
    CTempDir dir;
    const std::string strPath = WriteTake(dir, "tape.wav", 3);
    CRecordingOwner owner;
    owner.m_strPath = strPath;
    {
        CCurrentDir here(dir.Path());
        ASSERT_EQ(RunConversion(owner), ERunResult::kDone);
    }
    CEventLog events;
    CStudio studio(events);
    studio.SetDecoder(EStudioDecoder::kClassic);
    const uint32_t nId = studio.AddRecording(strPath);
    studio.Decode(nId);
    studio.WaitIdle();
    const std::optional<SRecordingRow> row = studio.Recording(nId);
    ASSERT_TRUE(row && row->m_pDecoded);
    EXPECT_EQ(row->m_pDecoded->m_eDecoder, EStudioDecoder::kClassic);
    EXPECT_EQ(Joined(row->m_pDecoded->m_blocks), ReadBytes(dir.File("test.dat")));
    EXPECT_GT(row->m_pDecoded->m_log.Histogram().Total(), 0u);  // measured for the pictures
}

TEST(StudioTest, FilesThatCannotBeReadAreALineInTheirRowAndNothingDecodedIsLost) {
    CTempDir dir;
    CEventLog events;
    CStudio studio(events);
    const std::string strGood = WriteTake(dir, "good.wav", 4);
    WriteBytes(dir.File("text.wav"), std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'});
    std::filesystem::create_directory(dir.Path() / "folder.wav");
    const uint32_t nGood = studio.AddRecording(strGood);
    const uint32_t nMissing = studio.AddRecording(dir.File("missing.wav"));
    const uint32_t nText = studio.AddRecording(dir.File("text.wav"));
    const uint32_t nFolder = studio.AddRecording(dir.File("folder.wav"));
    studio.DecodeAll();
    studio.WaitIdle();
    for (const uint32_t nBad : {nMissing, nText, nFolder}) {
        SCOPED_TRACE(nBad);
        const std::optional<SRecordingRow> row = studio.Recording(nBad);
        ASSERT_TRUE(row);
        EXPECT_EQ(row->m_eProblem, EStudioProblem::kCannotOpen);
        EXPECT_FALSE(row->m_strDetail.empty());
        EXPECT_EQ(row->m_pDecoded, nullptr);
        EXPECT_EQ(events.Kinds(nBad),
                  (std::vector<EKind>{EKind::kAdded, EKind::kDecodeStarted, EKind::kDecodeFailed}));
    }
    EXPECT_EQ(studio.Recording(nMissing)->m_strDetail, "No such file or directory");

    // The good one decoded; once its file is gone, decoding it again fails
    // and keeps what it had.
    const std::shared_ptr<const SDecoded> pBefore = studio.Recording(nGood)->m_pDecoded;
    ASSERT_TRUE(pBefore);
    std::filesystem::remove(Utf8Path(strGood));
    studio.Decode(nGood);
    studio.WaitIdle();
    const std::optional<SRecordingRow> row = studio.Recording(nGood);
    EXPECT_EQ(row->m_eProblem, EStudioProblem::kCannotOpen);
    EXPECT_EQ(row->m_pDecoded, pBefore);
    // A merge with one decoded take is refused.
    studio.Merge();
    studio.WaitIdle();
    const std::vector<SStudioEvent> merge = events.Of(0);
    ASSERT_FALSE(merge.empty());
    EXPECT_EQ(merge.back().m_eKind, EKind::kMergeFailed);
    EXPECT_EQ(merge.back().m_eProblem, EStudioProblem::kTooFewTakes);
}

TEST(StudioTest, CancelStopsTheDecodeAndDropsThoseWaiting) {
    CTempDir dir;
    CEventLog events;
    CStudio studio(events);
    const std::vector<CAnalogBlock> blocks =
        RandomBlocks(9, {{"ONE", 3000}, {"TWO", 3000}, {"THREE", 3000}});
    const uint32_t nLong = studio.AddRecording(WriteTake(dir, "long.wav", 5, blocks));
    const uint32_t nWaiting = studio.AddRecording(WriteTake(dir, "short.wav", 6));
    // Cancelled at its first block, from within the handler on the worker.
    events.m_onEvent = [&studio](const SStudioEvent& event) {
        if (event.m_eKind == EKind::kBlockFound) {
            studio.Cancel();
        }
    };
    studio.DecodeAll();
    studio.WaitIdle();
    events.m_onEvent = nullptr;
    EXPECT_EQ(events.Kinds(nLong),
              (std::vector<EKind>{EKind::kAdded, EKind::kDecodeStarted, EKind::kBlockFound,
                                  EKind::kDecodeCancelled}));
    EXPECT_EQ(events.Kinds(nWaiting), (std::vector<EKind>{EKind::kAdded, EKind::kDecodeCancelled}));
    for (const uint32_t nId : {nLong, nWaiting}) {
        const std::optional<SRecordingRow> row = studio.Recording(nId);
        EXPECT_EQ(row->m_pDecoded, nullptr);
        EXPECT_FALSE(row->m_bDecoding || row->m_bWaiting);
        // The row says so, in either language.
        EXPECT_EQ(RecordingStateText(*row, EStudioLanguage::kEnglish), "cancelled");
        EXPECT_EQ(RecordingStateText(*row, EStudioLanguage::kCzech), "zrušeno");
    }
    // The recording stopped well before its end, and decodes again after.
    double dLast = 0.0;
    for (const SStudioEvent& event : events.Of(nLong)) {
        dLast = std::max(dLast, event.m_dProgress);
    }
    EXPECT_LT(dLast, 0.5);
    studio.Decode(nWaiting);
    studio.WaitIdle();
    ASSERT_TRUE(studio.Recording(nWaiting)->m_pDecoded);
    EXPECT_EQ(studio.Recording(nWaiting)->m_pDecoded->m_blocks.size(), 2u);
}

TEST(StudioTest, ProgressGoesOnThroughTheSilenceBetweenBlocks) {
    CTempDir dir;
    const std::vector<CAnalogBlock> blocks = RandomBlocks(11, {{"A", 300}, {"B", 300}});
    ASSERT_TRUE(WriteAnalogRecording(dir.File("gaps.wav"), CAnalogFormat{}, CImpairments{}, blocks,
                                     200, 8.0));
    CEventLog events;
    CStudio studio(events);
    const uint32_t nId = studio.AddRecording(dir.File("gaps.wav"));
    studio.Decode(nId);
    studio.WaitIdle();
    ASSERT_TRUE(studio.Recording(nId)->m_pDecoded);
    // Two reports of the same map, the later one further on: the decoder
    // said how far it had come while no block grew.
    size_t nInSilence = 0;
    const SStudioEvent* pBefore = nullptr;
    const std::vector<SStudioEvent> got = events.Of(nId);
    for (const SStudioEvent& event : got) {
        if (pBefore != nullptr && event.m_pLive && pBefore->m_pLive &&
            !event.m_pLive->m_blocks.empty() &&
            event.m_pLive->m_blocks.size() == pBefore->m_pLive->m_blocks.size() &&
            event.m_pLive->m_blocks.back().m_dEnd == pBefore->m_pLive->m_blocks.back().m_dEnd &&
            event.m_dProgress > pBefore->m_dProgress) {
            ++nInSilence;
        }
        pBefore = &event;
    }
    EXPECT_GE(nInSilence, 3u);
}

TEST(StudioEventQueueTest, EventsComeInTheOrderPostedAndOneAtATime) {
    CEventLog events;
    CEventQueue queue(events);
    constexpr uint32_t kPerThread = 2000;
    // Each thread posts its numbers in order; an event posted from within
    // a handler comes after the one being handled.
    events.m_onEvent = [&queue](const SStudioEvent& event) {
        if (event.m_nRecording == 1 && event.m_dProgress == 0.0) {
            SStudioEvent echo = event;
            echo.m_nRecording = 3;
            queue.Post(echo);
        }
    };
    std::vector<std::thread> threads;
    for (const uint32_t nThread : {1u, 2u}) {
        threads.emplace_back([&queue, nThread] {
            for (uint32_t k = 0; k < kPerThread; ++k) {
                SStudioEvent event;
                event.m_eKind = EKind::kProgress;
                event.m_nRecording = nThread;
                event.m_dProgress = static_cast<double>(k);
                queue.Post(event);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    queue.Flush();
    for (const uint32_t nThread : {1u, 2u}) {
        const std::vector<SStudioEvent> got = events.Of(nThread);
        ASSERT_EQ(got.size(), kPerThread);
        for (uint32_t k = 0; k < kPerThread; ++k) {
            EXPECT_EQ(got[k].m_dProgress, static_cast<double>(k));
        }
    }
    EXPECT_EQ(events.Of(3).size(), 1u);
}

TEST(StudioTextsTest, EveryTextInBothLanguagesWithOneMnemonicPerKey) {
    for (const EStudioLanguage eLanguage : {EStudioLanguage::kEnglish, EStudioLanguage::kCzech}) {
        std::set<char> keys;
        for (size_t k = 0; k < static_cast<size_t>(EStudioText::kCount); ++k) {
            const std::string strText = StudioText(static_cast<EStudioText>(k), eLanguage);
            EXPECT_FALSE(strText.empty()) << k;
            const size_t nAmp = strText.find('&');
            if (nAmp != std::string::npos && nAmp + 1 < strText.size()) {
                const char ch = static_cast<char>(std::tolower(strText[nAmp + 1]));
                EXPECT_TRUE(keys.insert(ch).second) << "mnemonic used twice: " << strText;
            }
        }
        EXPECT_FALSE(ProblemText(EStudioProblem::kCannotOpen, "x", eLanguage).empty());
    }
    EXPECT_NE(std::string(StudioText(EStudioText::kDecode, EStudioLanguage::kEnglish)),
              StudioText(EStudioText::kDecode, EStudioLanguage::kCzech));
    struct SCase {
        const char* m_szLocale;
        EStudioLanguage m_eLanguage;
    } const kCases[] = {
        {"cs_CZ", EStudioLanguage::kCzech},   {"cs-CZ", EStudioLanguage::kCzech},
        {"cs", EStudioLanguage::kCzech},      {"CS_cz.UTF-8", EStudioLanguage::kCzech},
        {"en_US", EStudioLanguage::kEnglish}, {"csb_PL", EStudioLanguage::kEnglish},
        {"C", EStudioLanguage::kEnglish},     {"", EStudioLanguage::kEnglish}};
    for (const SCase& c : kCases) {
        EXPECT_EQ(LanguageOfLocale(c.m_szLocale), c.m_eLanguage) << c.m_szLocale;
    }
}

}  // namespace
