#include "HtmlReport.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "BlockTable.h"
#include "FileOpen.h"
#include "HistogramPlot.h"
#include "HtmlEscape.h"
#include "ReportPage.h"
#include "SignalPlot.h"
#include "TapeMap.h"
#include "TapeTime.h"
#include "TextJoin.h"

namespace {

std::string Summary(const CTapeLog& log, const SReportFacts& facts) {
    const size_t nFailures = log.Failures().size();
    std::string str = "<section>\n<h2>Summary</h2>\n<dl class=\"summary\">\n";
    str += SummaryItem("Format", HtmlEscape(RecordingFormatText(facts.m_format)));
    str += SummaryItem("Length", facts.m_format.m_dSeconds > 0.0
                                     ? FormatTapeTime(facts.m_format.m_dSeconds)
                                     : std::string("unknown"));
    str += SummaryItem("Decoder", HtmlEscape(facts.m_strDecoder));
    str += SummaryItem("Blocks found", std::to_string(log.Blocks().size()));
    str += SummaryItem("Bytes decoded", std::to_string(log.TotalBytes()));
    str += SummaryItem("Failed bytes", std::to_string(nFailures), nFailures > 0);
    str += SummaryItem("Result", HtmlEscape(facts.m_strResult));
    str += "</dl>\n</section>\n";
    return str;
}

std::string MapSection(const CTapeLog& log, const SReportFacts& facts) {
    const STapeMap map = LayOutTapeMap(log, facts.m_format.m_dSeconds);
    return Join(
        {"<section>\n<h2>Map of the recording</h2>\n<div class=\"scroll\">\n",
         DrawTapeMap(map, log, facts.m_names),
         "\n</div>\n<p class=\"legend\"><span class=\"key block\"></span>block (record name "
         "\xC2\xB7 bytes; every block has a tooltip)<span class=\"key fail\"></span>failed "
         "byte</p>\n</section>\n"});
}

std::string HistogramSection(const CTapeLog& log) {
    const CHalfPeriodHistogram& histogram = log.Histogram();
    std::string str = "<section>\n<h2>Half-periods</h2>\n";
    if (histogram.Total() == 0) {
        return str + "<p class=\"note\">The decoder measured no half-periods.</p>\n</section>\n";
    }
    str += Join({"<div class=\"scroll\">\n", DrawHistogram(histogram, log.Bounds()), "\n</div>\n"});
    str += Join(
        {"<p class=\"legend\"><span class=\"key short\"></span>short<span class=\"key "
         "long\"></span>long<span class=\"key fail\"></span>too long<span class=\"key "
         "noise\"></span>too short \xE2\x80\x94 ",
         std::to_string(histogram.Total()),
         " half-periods measured; the dashed lines are the decoder's class boundaries.</p>\n"});
    return str + "</section>\n";
}

// The block of the failure nearest to dAt.
size_t BlockOfFailure(const CTapeLog& log, double dAt) {
    size_t nBlock = 0;
    double dBest = 1e300;
    for (const STapeFailure& failure : log.Failures()) {
        if (std::abs(failure.m_dAt - dAt) < dBest) {
            dBest = std::abs(failure.m_dAt - dAt);
            nBlock = failure.m_nBlock;
        }
    }
    return nBlock;
}

std::string SignalSection(const CTapeLog& log) {
    std::string str = "<section>\n<h2>Signal around the first failed bytes</h2>\n";
    if (log.Snapshots().empty()) {
        return str + "<p class=\"note\">" +
               (log.Failures().empty() ? "No byte failed." : "The decoder kept no signal.") +
               "</p>\n</section>\n";
    }
    str += "<div class=\"snapshots\">\n";
    size_t k = 0;
    for (const SSignalSnapshot& snapshot : log.Snapshots()) {
        str += Join({"<figure><figcaption>", std::to_string(++k), ". failed byte at ",
                     FormatTapeTime(snapshot.m_dFailureAt), ", block ",
                     std::to_string(BlockOfFailure(log, snapshot.m_dFailureAt) + 1),
                     "</figcaption>\n", DrawSnapshot(snapshot), "</figure>\n"});
    }
    str +=
        "</div>\n<p class=\"legend\">The signal as the decoder conditioned it, its midpoint "
        "(dotted), the failure (dashed), and the crossings it found with the class of the "
        "half-period that each one starts: <span class=\"key short\"></span>S "
        "short<span class=\"key long\"></span>L long<span class=\"key fail\"></span>X too "
        "long or out of range.</p>\n";
    return str + "</section>\n";
}

}  // namespace

std::string MakeHtmlReport(const CTapeLog& log, const SReportFacts& facts) {
    std::string str = ReportPageHead("Tape report", facts.m_strPath);
    str += Summary(log, facts);
    str += MapSection(log, facts);
    str += Join({"<section>\n<h2>Blocks (", std::to_string(log.Blocks().size()), ")</h2>\n",
                 BlockTableHtml(log, facts.m_names), "</section>\n"});
    str += HistogramSection(log);
    str += SignalSection(log);
    str += ReportPageFoot();
    return str;
}

bool WriteTextFile(const std::string& strPath, const std::string& strText) {
    std::FILE* pFile = OpenFileUtf8(strPath, "wb");
    if (pFile == nullptr) {
        return false;
    }
    const bool bWritten = std::fwrite(strText.data(), 1, strText.size(), pFile) == strText.size();
    return (std::fclose(pFile) == 0) && bWritten;
}
