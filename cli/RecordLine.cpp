#include "RecordLine.h"

#include <algorithm>
#include <cmath>

#include "TapeTime.h"

namespace {

constexpr const char* kRewriteLine = "\r\x1b[2K";
constexpr double kMeterFloor = -60.0;  // dBFS at the bar's left end

}  // namespace

std::string FormatMeter(double dPeakDbfs, bool bClipped) {
    const double dShown = std::clamp(dPeakDbfs, -99.9, 0.0);
    char szLevel[32];
    std::snprintf(szLevel, sizeof(szLevel), "%5.1f dBFS", dShown);
    const auto nCells = static_cast<int>(std::lround(
        CRecordLine::kMeterCells * (1.0 - std::clamp(dPeakDbfs / kMeterFloor, 0.0, 1.0))));
    std::string str = bClipped ? std::string(" CLIP     ") : std::string(szLevel);
    str += " [";
    str.append(static_cast<size_t>(nCells), '#');
    str.append(static_cast<size_t>(CRecordLine::kMeterCells - nCells), '-');
    str += ']';
    return str;
}

void CRecordLine::ShowFile(const std::string& strText) {
    const std::lock_guard lock(m_mutex);
    if (m_bShown) {
        std::fputs(kRewriteLine, m_pOut);
        m_bShown = false;
    }
    std::fputs("file: ", m_pOut);
    std::fwrite(strText.data(), 1, strText.size(), m_pOut);
    std::fputc('\n', m_pOut);
    Draw();
}

void CRecordLine::ShowStatus(const std::string& strText) {
    const std::lock_guard lock(m_mutex);
    m_strStatus = strText;
    Draw();
}

void CRecordLine::ShowError(const std::string& /*strWhere*/) {
    const std::lock_guard lock(m_mutex);
    ++m_nLost;
    Draw();
}

void CRecordLine::OnLevel(double dSeconds, double dPeakDbfs, bool bClipped) {
    const std::lock_guard lock(m_mutex);
    m_dSeconds = dSeconds;
    m_strMeter = FormatMeter(dPeakDbfs, bClipped);
    Draw();
}

void CRecordLine::Finish() {
    const std::lock_guard lock(m_mutex);
    if (m_bShown) {
        std::fputc('\n', m_pOut);
        std::fflush(m_pOut);
        m_bShown = false;
    }
}

void CRecordLine::Draw() {
    // MM:SS.mmm without the last two digits.
    const std::string strTime = FormatTapeTime(m_dSeconds);
    const std::string strLine = "REC " + strTime.substr(0, strTime.size() - 2) + "  " + m_strMeter +
                                "  " + m_strStatus + "  lost " + std::to_string(m_nLost);
    std::fputs(kRewriteLine, m_pOut);
    std::fwrite(strLine.data(), 1, strLine.size(), m_pOut);
    std::fflush(m_pOut);
    m_bShown = true;
}
