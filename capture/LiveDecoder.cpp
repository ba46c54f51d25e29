#include "LiveDecoder.h"

bool CLiveDecoder::Open(const std::string& strName) {
    m_bInBlock = false;
    m_robust.SetStream(&m_source);
    return m_robust.Open(strName);
}

int32_t CLiveDecoder::FindLeader() {
    m_bInBlock = false;
    return m_robust.FindLeader();
}

int32_t CLiveDecoder::ReadDataByte() {
    const int32_t nByte = m_robust.ReadDataByte();
    if (nByte >= 0) {
        m_bInBlock = true;
    } else if (m_bInBlock) {
        m_source.MarkBlockRead();
        m_bInBlock = false;
    }
    return nByte;
}
