// The tape report: made from what each decoder logs of an encoded recording
// with known blocks and dropouts, it names every block with its name, byte
// count and time, marks every failed byte, shows the half-periods in the
// two groups the encoder put them in, and stays one small page that loads
// nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BlockName.h"
#include "BlockTable.h"
#include "ClassicDecoder.h"
#include "ConversionRun.h"
#include "Cp1250.h"
#include "HistogramPlot.h"
#include "HtmlReport.h"
#include "RecordHeader.h"
#include "RobustDecoder.h"
#include "TapeEncoder.h"
#include "TapeFormat.h"
#include "TapeMap.h"
#include "TapeTime.h"
#include "support/RecordingOwner.h"
#include "support/TestFiles.h"

namespace {

constexpr double kRate = 44100.0;

struct STruthBlock {
    std::string m_strName;
    size_t m_nDataBytes = 0;
    size_t m_nDropoutAt = 0;  // data byte where a dropout starts; 0: none
    double m_dStart = 0.0;    // s: the first byte's start mark
    double m_dDropout = 0.0;  // s
    size_t Bytes() const { return kRecordHeaderSize + m_nDataBytes; }
};

// Three named blocks behind 0.3 s of silence each; 4 ms dropouts (the
// signal held at its midpoint) in the second and third.
std::vector<STruthBlock> WriteRecording(const std::string& strPath) {
    std::vector<STruthBlock> blocks = {
        {"PROGRAM1", 300, 0}, {"DATA-2", 500, 250}, {"<&>", 200, 90}};
    CVectorSink sink;
    CTapeEncoder encoder(CWavFormat{}, sink);
    std::mt19937 rng(7);
    std::vector<uint64_t> dropoutFrames;
    for (STruthBlock& block : blocks) {
        encoder.AddHalfPeriod(13230);
        encoder.AddLeader();
        std::vector<uint8_t> bytes = MakeRecordHeader(block.m_strName);
        for (size_t k = 0; k < block.m_nDataBytes; ++k) {
            bytes.push_back(static_cast<uint8_t>(rng()));
        }
        block.m_dStart = static_cast<double>(encoder.FramesWritten()) / kRate;
        for (size_t k = 0; k < bytes.size(); ++k) {
            if (block.m_nDropoutAt > 0 && k == kRecordHeaderSize + block.m_nDropoutAt) {
                // Past the byte's start mark, which ends the byte before.
                const uint64_t nFrame = encoder.FramesWritten() + 66;
                dropoutFrames.push_back(nFrame);
                block.m_dDropout = static_cast<double>(nFrame) / kRate;
            }
            encoder.AddByte(bytes[k]);
        }
        encoder.AddTail();
    }
    encoder.AddHalfPeriod(13230);
    EXPECT_TRUE(encoder.Finish());
    std::vector<uint8_t> file = sink.TakeBytes();
    for (const uint64_t nFrame : dropoutFrames) {
        const auto it = file.begin() + static_cast<std::ptrdiff_t>(kWavHeaderSize + nFrame);
        std::fill(it, it + static_cast<std::ptrdiff_t>(0.004 * kRate), uint8_t{0x80});
    }
    WriteBytes(strPath, file);
    return blocks;
}

struct SDecoded {
    CTapeLog m_log;
    SRecordingFormat m_format;
};

SDecoded Decode(const std::string& strPath, bool bRobust) {
    CRecordingOwner owner;
    owner.m_strPath = strPath;
    SDecoded result;
    if (bRobust) {
        auto pDecoder = std::make_unique<CRobustDecoder>();
        EXPECT_EQ(RunConversion(owner, *pDecoder), ERunResult::kDone);
        result = {pDecoder->GetLog(), pDecoder->GetFormat()};
    } else {
        CClassicDecoder decoder(owner.GetReader());
        decoder.SetMeasuring(true);
        EXPECT_EQ(RunConversion(owner, decoder), ERunResult::kDone);
        result = {decoder.GetLog(), decoder.GetFormat()};
    }
    return result;
}

size_t Occurrences(const std::string& str, const std::string& strPart) {
    size_t n = 0;
    for (size_t k = str.find(strPart); k != std::string::npos; k = str.find(strPart, k + 1)) {
        ++n;
    }
    return n;
}

class ReportTest : public ::testing::TestWithParam<bool> {};

TEST_P(ReportTest, ShowsTheBlocksFailuresAndHalfPeriodsOfAnEncodedTape) {
    const bool bRobust = GetParam();
    CTempDir dir;
    CCurrentDir current(dir.Path());
    const std::vector<STruthBlock> truth = WriteRecording(dir.File("tape.wav"));
    const SDecoded decoded = Decode(dir.File("tape.wav"), bRobust);
    const CTapeLog& log = decoded.m_log;

    SReportFacts facts;
    facts.m_strPath = "tape.wav";
    facts.m_format = decoded.m_format;
    facts.m_strDecoder = bRobust ? "robust" : "classic";
    facts.m_strResult = "Hotovo :-)";
    for (const STapeBlock& block : log.Blocks()) {
        facts.m_names.push_back(Cp1250ToUtf8(RawRecordName(block)));
    }
    const std::string strPage = MakeHtmlReport(log, facts);

    // Every block on tape starts a block of the log at its time, with its
    // name; the bytes are all there up to its dropout (the robust decoder
    // counts the lost ones and reads on).
    for (const STruthBlock& block : truth) {
        SCOPED_TRACE(block.m_strName);
        const auto it = std::find_if(log.Blocks().begin(), log.Blocks().end(), [&](auto& found) {
            return std::abs(found.m_dStart - block.m_dStart) < 0.005;
        });
        ASSERT_NE(it, log.Blocks().end());
        EXPECT_EQ(RawRecordName(*it).substr(0, block.m_strName.size()), block.m_strName);
        if (bRobust || block.m_nDropoutAt == 0) {
            EXPECT_EQ(it->m_nBytes + it->m_nFailures, block.Bytes());
        } else {
            EXPECT_EQ(it->m_nBytes, kRecordHeaderSize + block.m_nDropoutAt);
        }
        EXPECT_EQ(it->m_nFailures > 0, block.m_nDropoutAt > 0);
        // The page: the name (escaped), the byte count and the start time.
        const std::string strRow =
            "<td class=\"name\">" + (block.m_strName == "<&>" ? "&lt;&amp;&gt;" : block.m_strName) +
            "</td><td class=\"num\">" + std::to_string(it->m_nBytes) + "</td>";
        EXPECT_NE(strPage.find(strRow), std::string::npos) << strRow;
        EXPECT_NE(strPage.find(FormatTapeTime(it->m_dStart)), std::string::npos);
        // Each dropout made a failed byte there.
        if (block.m_nDropoutAt > 0) {
            EXPECT_TRUE(std::any_of(log.Failures().begin(), log.Failures().end(), [&](auto& f) {
                return f.m_dAt > block.m_dDropout - 0.010 && f.m_dAt < block.m_dDropout + 0.020;
            }));
        }
    }

    // A mark in the column of every failed byte, and one drawn for each.
    const STapeMap map = LayOutTapeMap(log, decoded.m_format.m_dSeconds);
    ASSERT_FALSE(log.Failures().empty());
    for (const STapeFailure& failure : log.Failures()) {
        const double dX =
            TapeMapGeometry::kLeft +
            (TapeMapGeometry::kRight - TapeMapGeometry::kLeft) * failure.m_dAt / map.m_dSeconds;
        EXPECT_TRUE(std::any_of(map.m_marks.begin(), map.m_marks.end(),
                                [dX](auto& mark) { return std::abs(mark.m_dX - dX) <= 0.5; }));
    }
    EXPECT_EQ(Occurrences(strPage, "class=\"fail\""), map.m_marks.size());
    EXPECT_EQ(log.Snapshots().size(), std::min(log.Failures().size(), CTapeLog::kMaxSnapshots));

    // The histogram: nearly every half-period in the two groups where the
    // encoder put them (it makes the high half-periods a tick longer and
    // the low ones a tick shorter, for the classic decoder's smoothing),
    // each inside its class.
    const CHalfPeriodHistogram& histogram = log.Histogram();
    const SClassBounds& bounds = log.Bounds();
    uint64_t nShort = 0;
    uint64_t nLong = 0;
    for (int32_t nBin = 0; nBin < CHalfPeriodHistogram::kBins; ++nBin) {
        const double dMid = std::sqrt(CHalfPeriodHistogram::BinEdge(nBin) *
                                      CHalfPeriodHistogram::BinEdge(nBin + 1));
        const uint64_t nCount = histogram.Count(nBin);
        if (nCount > 0 && std::abs(dMid / TapeFormat::kShortSeconds - 1.0) < 0.2) {
            nShort += nCount;
            EXPECT_STREQ(HalfPeriodClass(dMid, bounds), "short");
        } else if (nCount > 0 && std::abs(dMid / TapeFormat::kLongSeconds - 1.0) < 0.1) {
            nLong += nCount;
            EXPECT_STREQ(HalfPeriodClass(dMid, bounds), "long");
        }
    }
    EXPECT_GT(nShort, 3000u);
    EXPECT_GT(nLong, 2000u);
    EXPECT_GT(nShort + nLong, histogram.Total() * 97 / 100);
    EXPECT_NE(strPage.find("class=\"bar short\""), std::string::npos);
    EXPECT_NE(strPage.find("class=\"bar long\""), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Decoders, ReportTest, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "Robust" : "Classic"; });

// A log as long as an hour of tape at its worst: thousands of blocks, a
// failure every few hundred milliseconds, every snapshot, a full histogram.
TEST(ReportPageTest, StaysSmallEscapedAndSelfContained) {
    CTapeLog log;
    for (int32_t k = 0; k < 6000; ++k) {
        log.BeginBlock(k * 0.6);
        for (const char ch : std::string("\xFF\x00<script>&\"'", 12)) {
            log.AddByte(static_cast<uint8_t>(ch), k * 0.6 + 0.3);
        }
        log.AddFailure(k * 0.6 + 0.4);
    }
    for (int32_t k = 0; k < 100000; ++k) {
        log.AddHalfPeriod(20e-6 * std::pow(1000.0, k / 100000.0));
    }
    for (size_t k = 0; k < CTapeLog::kMaxSnapshots; ++k) {
        SSignalSnapshot snapshot;
        snapshot.m_dStart = static_cast<double>(k);
        snapshot.m_dStep = 1.0 / 48000;
        snapshot.m_dFailureAt = snapshot.m_dStart + 0.005;
        for (int32_t n = 0; n < 480; ++n) {
            snapshot.m_samples.push_back(static_cast<float>(std::sin(n * 0.3)));
            snapshot.m_crossings.push_back({snapshot.m_dStart + n / 48000.0, "SLX"[n % 3]});
        }
        log.AddSnapshot(std::move(snapshot));
    }
    SReportFacts facts;
    facts.m_strPath = "a<b>&\"c'.wav";
    facts.m_format = {44100, 8, 1, 3600.0};
    facts.m_names.assign(log.Blocks().size(), "<i>&'\"");
    const std::string strPage = MakeHtmlReport(log, facts);

    EXPECT_LT(strPage.size(), 2u << 20);
    EXPECT_EQ(Occurrences(strPage, "<tr"), kMaxTableRows + 1);  // and the head
    EXPECT_NE(strPage.find("&lt;i&gt;&amp;&#39;&quot;"), std::string::npos);
    EXPECT_NE(strPage.find("a&lt;b&gt;&amp;&quot;c&#39;.wav"), std::string::npos);
    EXPECT_EQ(strPage.find("<i>"), std::string::npos);
    // Nothing is fetched or run.
    for (const char* szLoad : {"<script", "src=", "href=", "url(", "@import", "<link"}) {
        EXPECT_EQ(strPage.find(szLoad), std::string::npos) << szLoad;
    }
    EXPECT_NE(strPage.find("default-src 'none'"), std::string::npos);
}

}  // namespace
