#include "MergeReport.h"

#include <algorithm>
#include <cstdint>

#include "BlockTable.h"
#include "HtmlEscape.h"
#include "MergeStrip.h"
#include "ReportPage.h"
#include "TextJoin.h"

using namespace MergeStripGeometry;

namespace {

std::string NameOf(const SMergeReportFacts& facts, size_t nBlock) {
    return nBlock < facts.m_names.size() && !facts.m_names[nBlock].empty()
               ? facts.m_names[nBlock]
               : Join({"block ", std::to_string(nBlock + 1)});
}

// The blocks of takes that were set aside (their bytes disagree with the
// other takes'), by take: "take 2: blocks 1, 3; take 3: block 5", or "none".
std::string SetAsideText(const std::vector<SMergedBlock>& blocks, size_t nTakes) {
    std::string str;
    for (size_t t = 0; t < nTakes; ++t) {
        std::vector<size_t> numbers;
        for (size_t k = 0; k < blocks.size(); ++k) {
            if (t < blocks[k].m_setAside.size() && blocks[k].m_setAside[t] >= 0) {
                numbers.push_back(k + 1);
            }
        }
        if (numbers.empty()) {
            continue;
        }
        str += Join({str.empty() ? "" : "; ", "take ", std::to_string(t + 1),
                     numbers.size() == 1 ? ": block " : ": blocks "});
        for (size_t n = 0; n < numbers.size(); ++n) {
            str += Join({n == 0 ? "" : ", ", std::to_string(numbers[n])});
        }
    }
    return str.empty() ? "none" : str;
}

std::string Summary(const std::vector<SMergedBlock>& blocks, const SMergeReportFacts& facts) {
    uint64_t nBytes = 0;
    uint64_t nDisagreements = 0;
    uint64_t nMissing = 0;
    for (const SMergedBlock& block : blocks) {
        nBytes += block.m_bytes.size();
        nDisagreements += block.m_disagreements.size();
        nMissing += block.m_nMissing;
    }
    std::string str = "<section>\n<h2>Summary</h2>\n<dl class=\"summary\">\n";
    for (size_t t = 0; t < facts.m_takes.size(); ++t) {
        const SMergeTakeFacts& take = facts.m_takes[t];
        str += SummaryItem(Join({"Take ", std::to_string(t + 1)}),
                           Join({HtmlEscape(take.m_strPath), "<br>",
                                 HtmlEscape(RecordingFormatText(take.m_format))}));
    }
    str += SummaryItem("Blocks merged", std::to_string(blocks.size()));
    str += SummaryItem("Bytes merged", std::to_string(nBytes));
    str += SummaryItem("Disagreements", std::to_string(nDisagreements), nDisagreements > 0);
    str += SummaryItem("Missing bytes", std::to_string(nMissing), nMissing > 0);
    const std::string strSetAside = SetAsideText(blocks, facts.m_takes.size());
    str += SummaryItem("Set aside", strSetAside, strSetAside != "none");
    std::string strLess;
    for (const size_t nTake : facts.m_lessTrusted) {
        strLess += Join({strLess.empty() ? "take " : ", ", std::to_string(nTake + 1)});
    }
    if (!strLess.empty()) {
        str += SummaryItem("Counted for less", strLess + " (decoded badly throughout)", true);
    }
    str += SummaryItem("Result", HtmlEscape(facts.m_strResult));
    return str + "</dl>\n</section>\n";
}

std::string Table(const std::vector<SMergedBlock>& blocks, const SMergeReportFacts& facts) {
    std::string str =
        "<div class=\"scroll\">\n<table class=\"blocks\">\n<tr><th>#</th><th>Name</th>"
        "<th class=\"num\">Bytes</th>";
    for (size_t t = 0; t < facts.m_takes.size(); ++t) {
        str += Join({"<th class=\"num\">From take ", std::to_string(t + 1), "</th>"});
    }
    str += "<th class=\"num\">Disagreements</th><th class=\"num\">Missing</th></tr>\n";
    for (size_t k = 0; k < blocks.size() && k < kMaxTableRows; ++k) {
        const SMergedBlock& block = blocks[k];
        const bool bFlawed = !block.m_disagreements.empty() || block.m_nMissing > 0;
        str +=
            Join({"<tr", bFlawed ? " class=\"failed\"" : "", "><td class=\"num\">",
                  std::to_string(k + 1), "</td><td class=\"name\">", HtmlEscape(NameOf(facts, k)),
                  "</td><td class=\"num\">", std::to_string(block.m_bytes.size()), "</td>"});
        for (size_t t = 0; t < facts.m_takes.size(); ++t) {
            const uint32_t nFrom = t < block.m_fromTake.size() ? block.m_fromTake[t] : 0;
            str += Join({"<td class=\"num\">", std::to_string(nFrom), "</td>"});
        }
        str += Join({"<td class=\"num\">", std::to_string(block.m_disagreements.size()),
                     "</td><td class=\"num\">", std::to_string(block.m_nMissing), "</td></tr>\n"});
    }
    str += "</table>\n</div>\n";
    if (blocks.size() > kMaxTableRows) {
        str += Join({"<p class=\"note\">", std::to_string(blocks.size() - kMaxTableRows),
                     " more blocks are not listed.</p>\n"});
    }
    return str;
}

std::string Legend(size_t nTakes) {
    std::string str = "<p class=\"legend\">";
    for (size_t t = 0; t < nTakes && t < kTakeColours; ++t) {
        str += Join(
            {"<span class=\"key t", std::to_string(t), "\"></span>take ", std::to_string(t + 1)});
        for (size_t u = t + kTakeColours; u < nTakes; u += kTakeColours) {
            str += Join({", ", std::to_string(u + 1)});
        }
    }
    return str +
           "<span class=\"key disagree\"></span>the takes disagreed (above)<span class=\"key "
           "fail\"></span>missing bytes (below) \xE2\x80\x94 each column shows the take that "
           "gave most of its bytes.</p>\n";
}

std::string Strips(const std::vector<SMergedBlock>& blocks, const SMergeReportFacts& facts) {
    std::string str = "<section>\n<h2>Where the bytes came from</h2>\n";
    str += Legend(facts.m_takes.size());
    for (size_t k = 0; k < blocks.size() && k < kMaxStrips; ++k) {
        const std::string strName = NameOf(facts, k);
        str += Join({"<figure class=\"strip\"><figcaption>", std::to_string(k + 1), ". ",
                     HtmlEscape(strName), " \xC2\xB7 ", std::to_string(blocks[k].m_bytes.size()),
                     " bytes</figcaption>\n<div class=\"scroll\">\n",
                     DrawMergeStrip(LayOutMergeStrip(blocks[k]), strName), "</div>\n</figure>\n"});
    }
    if (blocks.size() > kMaxStrips) {
        str += Join({"<p class=\"note\">", std::to_string(blocks.size() - kMaxStrips),
                     " more blocks have no strip.</p>\n"});
    }
    return str + "</section>\n";
}

}  // namespace

std::string MakeMergeReport(const std::vector<SMergedBlock>& blocks,
                            const SMergeReportFacts& facts) {
    const std::string strPath = facts.m_takes.empty() ? std::string() : facts.m_takes[0].m_strPath;
    std::string str = ReportPageHead(
        "Merge report", Join({strPath, facts.m_takes.size() > 1 ? " and other takes" : ""}));
    str += Summary(blocks, facts);
    str += Join({"<section>\n<h2>Merged blocks (", std::to_string(blocks.size()), ")</h2>\n",
                 Table(blocks, facts), "</section>\n"});
    str += Strips(blocks, facts);
    return str + ReportPageFoot();
}
