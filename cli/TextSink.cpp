#include "TextSink.h"

namespace {

// Return to the start of the line and erase it.
constexpr const char* kRewriteLine = "\r\x1b[2K";

}  // namespace

void CLineSink::WriteLine(const char* szLabel, const std::string& strText) {
    std::fputs(szLabel, m_pOut);
    std::fwrite(strText.data(), 1, strText.size(), m_pOut);
    std::fputc('\n', m_pOut);
    std::fflush(m_pOut);
}

void CLineSink::ShowFile(const std::string& strText) {
    WriteLine("file: ", strText);
}

void CLineSink::ShowStatus(const std::string& strText) {
    WriteLine("status: ", strText);
}

void CLineSink::ShowError(const std::string& strWhere) {
    WriteLine("error: ", strWhere);
}

void CTerminalSink::ShowFile(const std::string& strText) {
    if (m_bStatusShown) {
        std::fputs(kRewriteLine, m_pOut);
        m_bStatusShown = false;
    }
    std::fputs("file: ", m_pOut);
    std::fwrite(strText.data(), 1, strText.size(), m_pOut);
    std::fputc('\n', m_pOut);
    std::fflush(m_pOut);
}

void CTerminalSink::ShowStatus(const std::string& strText) {
    std::fputs(kRewriteLine, m_pOut);
    std::fputs("status: ", m_pOut);
    std::fwrite(strText.data(), 1, strText.size(), m_pOut);
    std::fflush(m_pOut);
    m_bStatusShown = true;
}

void CTerminalSink::Finish() {
    if (m_bStatusShown) {
        std::fputc('\n', m_pOut);
        std::fflush(m_pOut);
        m_bStatusShown = false;
    }
}
