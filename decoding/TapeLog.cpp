#include "TapeLog.h"

#include <utility>

void CTapeLog::Clear() {
    m_blocks.clear();
    m_failures.clear();
    m_snapshots.clear();
    m_histogram.Clear();
    m_nTotalBytes = 0;
}

void CTapeLog::BeginBlock(double dStart) {
    STapeBlock block;
    block.m_dStart = dStart;
    block.m_dEnd = dStart;
    m_blocks.push_back(std::move(block));
}

void CTapeLog::AddByte(uint8_t nByte, double dEnd) {
    if (m_blocks.empty()) {
        BeginBlock(dEnd);
    }
    STapeBlock& block = m_blocks.back();
    if (block.m_strHeader.size() < kHeaderBytes) {
        block.m_strHeader.push_back(static_cast<char>(nByte));
    }
    ++block.m_nBytes;
    block.m_dEnd = dEnd;
    ++m_nTotalBytes;
}

void CTapeLog::AddFailure(double dAt) {
    if (m_blocks.empty()) {
        BeginBlock(dAt);
    }
    ++m_blocks.back().m_nFailures;
    const STapeFailure failure{dAt, static_cast<uint32_t>(m_blocks.size() - 1)};
    m_failures.push_back(failure);
    if (m_pListener != nullptr) {
        m_pListener->OnFailure(failure);
    }
}

void CTapeLog::SetTiming(double dShort, double dLong) {
    if (!m_blocks.empty()) {
        m_blocks.back().m_dShort = dShort;
        m_blocks.back().m_dLong = dLong;
    }
}

void CTapeLog::AddSnapshot(SSignalSnapshot snapshot) {
    if (WantsSnapshot()) {
        m_snapshots.push_back(std::move(snapshot));
    }
}
