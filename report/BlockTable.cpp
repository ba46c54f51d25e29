#include "BlockTable.h"

#include <cmath>
#include <cstdio>

#include "HtmlEscape.h"
#include "TapeFormat.h"
#include "TapeTime.h"
#include "TextJoin.h"

namespace {

constexpr const char* kNone = "\xE2\x80\x94";  // an em dash: not measured

std::string Micros(double dSeconds) {
    if (!(dSeconds > 0.0)) {
        return kNone;
    }
    char szText[32];
    std::snprintf(szText, sizeof szText, "%.1f", dSeconds * 1e6);
    return szText;
}

std::string Percent(double dSpeed) {
    if (!(dSpeed > 0.0)) {
        return kNone;
    }
    char szText[32];
    std::snprintf(szText, sizeof szText, "%.1f\xC2\xA0%%", dSpeed * 100.0);
    return szText;
}

std::string Cell(const std::string& strText, const char* szClass = nullptr) {
    return szClass == nullptr ? Join({"<td>", strText, "</td>"})
                              : Join({"<td class=\"", szClass, "\">", strText, "</td>"});
}

}  // namespace

double BlockSpeed(const STapeBlock& block) {
    const bool bShort = block.m_dShort > 0.0;
    const bool bLong = block.m_dLong > 0.0;
    if (bShort && bLong) {
        return (TapeFormat::kShortSeconds + TapeFormat::kLongSeconds) /
               (block.m_dShort + block.m_dLong);
    }
    if (bShort) {
        return TapeFormat::kShortSeconds / block.m_dShort;
    }
    return bLong ? TapeFormat::kLongSeconds / block.m_dLong : 0.0;
}

std::string BlockTableHtml(const CTapeLog& log, const std::vector<std::string>& names) {
    std::string str =
        "<div class=\"scroll\"><table class=\"blocks\">\n<thead><tr><th>#</th><th>start</th>"
        "<th>end</th><th>name</th><th class=\"num\">bytes</th><th class=\"num\">failed</th>"
        "<th class=\"num\">short&nbsp;\xC2\xB5s</th><th class=\"num\">long&nbsp;\xC2\xB5s</th>"
        "<th class=\"num\">speed</th></tr></thead>\n<tbody>\n";
    const std::vector<STapeBlock>& blocks = log.Blocks();
    for (size_t k = 0; k < blocks.size() && k < kMaxTableRows; ++k) {
        const STapeBlock& block = blocks[k];
        str += block.m_nFailures > 0 ? "<tr class=\"failed\">" : "<tr>";
        str += Cell(std::to_string(k + 1), "num");
        str += Cell(FormatTapeTime(block.m_dStart), "time");
        str += Cell(FormatTapeTime(block.m_dEnd), "time");
        str += Cell(HtmlEscape(k < names.size() ? names[k] : std::string()), "name");
        str += Cell(std::to_string(block.m_nBytes), "num");
        str += Cell(std::to_string(block.m_nFailures), "num");
        str += Cell(Micros(block.m_dShort), "num");
        str += Cell(Micros(block.m_dLong), "num");
        str += Cell(Percent(BlockSpeed(block)), "num");
        str += "</tr>\n";
    }
    str += "</tbody></table></div>\n";
    if (blocks.size() > kMaxTableRows) {
        str += Join({"<p class=\"note\">", std::to_string(blocks.size() - kMaxTableRows),
                     " more blocks are not listed; <code>tavro-tape-cli --json</code> lists every "
                     "one.</p>\n"});
    }
    return str;
}
