#include "ReportBench.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>

#include "BenchMeasure.h"
#include "BlockName.h"
#include "ClassicDecoder.h"
#include "Cp1250.h"
#include "HtmlReport.h"
#include "RobustDecoder.h"

namespace {

enum class EDecoder { kClassic, kRobust };

struct SReportRun {
    int64_t m_nBytes = 0;
    size_t m_nPageBytes = 0;  // 0 without the report
};

// One decode through the decoder interface, as the conversion run does it,
// and with bReport the page made from the log and written to strPage.
SReportRun DecodeForReport(const std::string& strPath, EDecoder eDecoder, bool bReport,
                           const std::string& strPage) {
    auto pReader = std::make_unique<CTapeReader>();
    std::unique_ptr<CTapeDecoder> pDecoder;
    if (eDecoder == EDecoder::kClassic) {
        auto pClassic = std::make_unique<CClassicDecoder>(*pReader);
        pClassic->SetMeasuring(bReport);
        pDecoder = std::move(pClassic);
    } else {
        pDecoder = std::make_unique<CRobustDecoder>();
    }
    SReportRun run;
    if (!pDecoder->Open(strPath)) {
        return run;
    }
    pDecoder->FindLeader();
    while (!pDecoder->IsAtEnd()) {
        if (pDecoder->ReadDataByte() < 0) {
            pDecoder->FindLeader();
        } else {
            ++run.m_nBytes;
        }
    }
    if (bReport) {
        const CTapeLog& log = pDecoder->GetLog();
        SReportFacts facts;
        facts.m_strPath = strPath;
        facts.m_format = pDecoder->GetFormat();
        facts.m_strDecoder = eDecoder == EDecoder::kClassic ? "classic" : "robust";
        facts.m_strResult = "Hotovo :-)";
        for (const STapeBlock& block : log.Blocks()) {
            facts.m_names.push_back(Cp1250ToUtf8(RawRecordName(block)));
        }
        const std::string strHtml = MakeHtmlReport(log, facts);
        run.m_nPageBytes = WriteTextFile(strPage, strHtml) ? strHtml.size() : 0;
    }
    return run;
}

const char* Name(EDecoder eDecoder) {
    return eDecoder == EDecoder::kClassic ? "classic" : "robust";
}

}  // namespace

bool PrintReportBench(const std::vector<SBenchRecording>& recs, double dMinutes, int32_t nRounds,
                      double dPageMinutes, const std::string& strDir) {
    const auto it = std::find_if(recs.begin(), recs.end(), [dMinutes](const SBenchRecording& rec) {
        return rec.m_nBits == 8 && rec.m_nChannels == 1 && rec.m_dMinutes == dMinutes;
    });
    if (it == recs.end()) {
        return false;
    }
    const std::string strPage = (std::filesystem::path(strDir) / "report.html").string();
    std::printf("\nreport: decoding %s, %.1f min, without and with the report (best of %d)\n",
                it->m_strLabel.c_str(), it->m_dMinutes, nRounds);
    std::printf("  %-9s %12s %12s %8s\n", "decoder", "plain ms", "report ms", "added");
    for (const EDecoder eDecoder : {EDecoder::kClassic, EDecoder::kRobust}) {
        double dPlain = std::numeric_limits<double>::max();
        double dReport = dPlain;
        for (int32_t nRound = 0; nRound < nRounds; ++nRound) {
            dPlain = std::min(
                dPlain, Seconds([&] { DecodeForReport(it->m_strPath, eDecoder, false, strPage); }));
            dReport = std::min(
                dReport, Seconds([&] { DecodeForReport(it->m_strPath, eDecoder, true, strPage); }));
        }
        std::printf("  %-9s %12.1f %12.1f %7.1f%%\n", Name(eDecoder), dPlain * 1e3, dReport * 1e3,
                    (dReport / dPlain - 1.0) * 100.0);
    }
    if (dPageMinutes <= 0) {
        std::filesystem::remove(strPage);
        return true;
    }

    SBenchRecording tape;
    tape.m_strLabel = "8-bit mono";
    tape.m_dMinutes = dPageMinutes;
    tape.m_strPath = (std::filesystem::path(strDir) / "report-tape.wav").string();
    if (!WriteBenchRecording(tape, 99)) {
        return false;
    }
    std::printf("report page of a %.0f-minute tape (%d blocks):\n", dPageMinutes, tape.m_nBlocks);
    for (const EDecoder eDecoder : {EDecoder::kClassic, EDecoder::kRobust}) {
        const SReportRun run = DecodeForReport(tape.m_strPath, eDecoder, true, strPage);
        std::printf("  %-9s %10.1f KB\n", Name(eDecoder),
                    static_cast<double>(run.m_nPageBytes) / 1024.0);
    }
    std::filesystem::remove(tape.m_strPath);
    std::filesystem::remove(strPage);
    return true;
}
