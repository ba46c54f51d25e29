// The report of a merge: the strip of hand-made merged blocks (which take
// each column shows, where the marks go), and the page made from two takes
// of one tape with dropouts in other places, merged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

#include "AnalogRecording.h"
#include "ConversionRun.h"
#include "Cp1250.h"
#include "MergeReport.h"
#include "MergeStrip.h"
#include "RobustDecoder.h"
#include "TakeMerge.h"
#include "support/RecordingOwner.h"
#include "support/TestFiles.h"

namespace {

size_t Occurrences(const std::string& str, const std::string& strPart) {
    size_t n = 0;
    for (size_t k = str.find(strPart); k != std::string::npos; k = str.find(strPart, k + 1)) {
        ++n;
    }
    return n;
}

// A block of nBytes bytes: take 0 gave them all but [nFrom, nTo), which
// take 1 gave.
SMergedBlock MadeBlock(uint32_t nBytes, uint32_t nFrom, uint32_t nTo,
                       std::vector<uint32_t> disagreements, std::vector<SMissingRun> missing) {
    SMergedBlock block;
    block.m_bytes.assign(nBytes, 0x55);
    block.m_sources.assign(nBytes, 0);
    std::fill(block.m_sources.begin() + static_cast<std::ptrdiff_t>(nFrom),
              block.m_sources.begin() + static_cast<std::ptrdiff_t>(nTo), uint8_t{1});
    block.m_fromTake = {nBytes - (nTo - nFrom), nTo - nFrom};
    block.m_takeBlocks = {0, 0};
    block.m_disagreements = std::move(disagreements);
    for (const SMissingRun& run : missing) {
        block.m_nMissing += run.m_nCount;
    }
    block.m_missing = std::move(missing);
    return block;
}

TEST(MergeStripTest, ColumnsShowTheTakeOfMostBytesAndMarksFallInTheirColumns) {
    using MergeStripGeometry::kStripColumns;
    const struct {
        const char* m_szCase;
        SMergedBlock m_block;
        size_t m_nColumns;
        std::vector<size_t> m_spanEnds;  // the columns where each span ends
        std::vector<size_t> m_disagreeColumns;
        std::vector<size_t> m_missingColumns;
    } kCases[] = {
        {"short block: a column per byte",
         MadeBlock(10, 4, 6, {4, 10}, {{0, 3}}),
         10,
         {4, 6, 10},
         {4, 9},
         {0}},
        {"long block: binned",
         MadeBlock(97200, 48600, 97200, {0, 1, 199, 200, 97199}, {{400, 2}}),
         kStripColumns,
         {kStripColumns / 2, kStripColumns},
         {0, 1, kStripColumns - 1},
         {2}},
        {"one take only", MadeBlock(1000, 0, 0, {}, {}), kStripColumns, {kStripColumns}, {}, {}},
        {"empty block", MadeBlock(0, 0, 0, {}, {{0, 50}}), 1, {}, {}, {0}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.m_szCase);
        const SMergeStrip strip = LayOutMergeStrip(c.m_block);
        EXPECT_EQ(strip.m_nColumns, c.m_nColumns);
        std::vector<size_t> ends;
        uint32_t nCovered = 0;
        for (const SStripSpan& span : strip.m_spans) {
            ends.push_back(span.m_nEndColumn);
            EXPECT_EQ(span.m_nFirstByte, nCovered);
            nCovered = span.m_nEndByte;
            // The span's take gave the most of its first byte's column.
            EXPECT_EQ(span.m_nTake, c.m_block.m_sources[span.m_nFirstByte]);
        }
        EXPECT_EQ(nCovered, c.m_block.m_bytes.size());
        EXPECT_EQ(ends, c.m_spanEnds);
        std::vector<size_t> columns;
        uint32_t nCount = 0;
        for (const SStripMark& mark : strip.m_disagreements) {
            columns.push_back(mark.m_nColumn);
            nCount += mark.m_nCount;
        }
        EXPECT_EQ(columns, c.m_disagreeColumns);
        EXPECT_EQ(nCount, c.m_block.m_disagreements.size());
        columns.clear();
        nCount = 0;
        for (const SStripMark& mark : strip.m_missing) {
            columns.push_back(mark.m_nColumn);
            nCount += mark.m_nCount;
        }
        EXPECT_EQ(columns, c.m_missingColumns);
        EXPECT_EQ(nCount, c.m_block.m_nMissing);
        // One shape per span and per mark.
        const std::string strSvg = DrawMergeStrip(strip, "<&>");
        EXPECT_EQ(Occurrences(strSvg, "class=\"take t"), strip.m_spans.size());
        EXPECT_EQ(Occurrences(strSvg, "class=\"disagree\""), strip.m_disagreements.size());
        EXPECT_EQ(Occurrences(strSvg, "class=\"missing\""), strip.m_missing.size());
        EXPECT_EQ(strSvg.find("<&>"), std::string::npos);
    }
}

// Two takes of one tape with dropouts in other places, merged; the page
// made from the merge.
TEST(MergeReportTest, NamesEveryBlockWithItsCountsAndMarksWhatTheMergeSays) {
    std::mt19937 random(5);
    std::vector<CAnalogBlock> blocks(3);
    const char* const kNames[] = {"FIRST", "<&>", "THIRD"};
    for (size_t k = 0; k < blocks.size(); ++k) {
        blocks[k].m_strName = kNames[k];
        blocks[k].m_data.resize(300 + 200 * k);
        for (uint8_t& b : blocks[k].m_data) {
            b = static_cast<uint8_t>(random());
        }
    }
    CTempDir dir;
    CCurrentDir here(dir.Path());
    std::vector<CTapeLog> logs(2);
    SMergeReportFacts facts;
    for (uint64_t nSeed = 1; nSeed <= logs.size(); ++nSeed) {
        CImpairments impairments;
        impairments.m_dHissDb = 24.0;
        impairments.m_dLowpassHz = 3500.0;
        impairments.m_nDropouts = 8;
        impairments.m_dDropoutMs = 20.0;
        impairments.m_dDropoutDepthDb = 40.0;
        impairments.m_nSeed = nSeed;
        const std::string strWav = dir.File("take" + std::to_string(nSeed) + ".wav");
        ASSERT_TRUE(WriteAnalogRecording(strWav, {}, impairments, blocks, 200, 0.3));
        CRecordingOwner owner;
        owner.m_strPath = strWav;
        CRobustDecoder decoder;
        decoder.GetLog().SetKeepEvidence(true);
        ASSERT_EQ(RunConversion(owner, decoder), ERunResult::kDone);
        logs[static_cast<size_t>(nSeed - 1)] = decoder.GetLog();
        facts.m_takes.push_back({"take" + std::to_string(nSeed) + ".wav", decoder.GetFormat()});
    }
    const std::vector<const CTapeLog*> pointers = {&logs[0], &logs[1]};
    const SMergeResult result = MergeTakes(pointers);
    ASSERT_EQ(result.m_eStatus, EMergeStatus::kMerged);
    ASSERT_EQ(result.m_blocks.size(), blocks.size());
    for (const SMergedBlock& block : result.m_blocks) {
        facts.m_names.push_back(Cp1250ToUtf8(block.m_strName.substr(0, block.m_strName.find(' '))));
    }
    facts.m_strResult = "Hotovo :-)";
    const std::string strPage = MakeMergeReport(result.m_blocks, facts);

    uint32_t nFromSecond = 0;
    size_t nDisagreeMarks = 0;
    size_t nMissingMarks = 0;
    for (size_t k = 0; k < result.m_blocks.size(); ++k) {
        const SMergedBlock& block = result.m_blocks[k];
        SCOPED_TRACE(kNames[k]);
        nFromSecond += block.m_fromTake[1];
        // Its row: the name (escaped), bytes, from each take, disagreements, missing.
        const std::string strName = k == 1 ? "&lt;&amp;&gt;" : kNames[k];
        const std::string strRow =
            "<td class=\"name\">" + strName + "</td><td class=\"num\">" +
            std::to_string(block.m_bytes.size()) + "</td><td class=\"num\">" +
            std::to_string(block.m_fromTake[0]) + "</td><td class=\"num\">" +
            std::to_string(block.m_fromTake[1]) + "</td><td class=\"num\">" +
            std::to_string(block.m_disagreements.size()) + "</td><td class=\"num\">" +
            std::to_string(block.m_nMissing) + "</td></tr>";
        EXPECT_NE(strPage.find(strRow), std::string::npos) << strRow;
        // Its strip, captioned, with a mark for every column where the
        // merge says the takes disagreed or bytes are missing.
        EXPECT_NE(strPage.find(". " + strName + " \xC2\xB7 " +
                               std::to_string(block.m_bytes.size()) + " bytes</figcaption>"),
                  std::string::npos);
        const SMergeStrip strip = LayOutMergeStrip(block);
        for (const uint32_t nAt : block.m_disagreements) {
            const size_t nColumn = StripColumn(nAt, block.m_bytes.size(), strip.m_nColumns);
            EXPECT_TRUE(std::any_of(strip.m_disagreements.begin(), strip.m_disagreements.end(),
                                    [&](const SStripMark& m) { return m.m_nColumn == nColumn; }));
        }
        EXPECT_EQ(strip.m_missing.empty(), block.m_missing.empty());
        nDisagreeMarks += strip.m_disagreements.size();
        nMissingMarks += strip.m_missing.size();
        // Both takes gave bytes somewhere in the tape; the spans show them.
        EXPECT_FALSE(strip.m_spans.empty());
    }
    // The dropouts lie elsewhere in each take: the second filled the first's holes.
    EXPECT_GT(nFromSecond, 0u);
    EXPECT_EQ(Occurrences(strPage, "<svg"), result.m_blocks.size());
    EXPECT_EQ(Occurrences(strPage, "class=\"disagree\""), nDisagreeMarks);
    EXPECT_EQ(Occurrences(strPage, "class=\"missing\""), nMissingMarks);
    EXPECT_NE(strPage.find("take1.wav"), std::string::npos);
    EXPECT_NE(strPage.find("take2.wav"), std::string::npos);
    // Nothing is fetched or run.
    for (const char* szLoad : {"<script", "src=", "href=", "url(", "@import", "<link"}) {
        EXPECT_EQ(strPage.find(szLoad), std::string::npos) << szLoad;
    }
    EXPECT_NE(strPage.find("default-src 'none'"), std::string::npos);
}

}  // namespace
