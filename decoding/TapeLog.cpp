#include "TapeLog.h"

#include <utility>

void CTapeLog::Clear() {
    m_blocks.clear();
    m_failures.clear();
    m_snapshots.clear();
    m_evidence.clear();
    m_histogram.Clear();
    m_nTotalBytes = 0;
}

void CTapeLog::SetKeepEvidence(bool bKeep) {
    m_bKeepEvidence = bKeep;
    if (bKeep) {
        m_evidence.resize(m_blocks.size());
    } else {
        m_evidence.clear();
    }
}

void CTapeLog::BeginBlock(double dStart) {
    STapeBlock block;
    block.m_dStart = dStart;
    block.m_dEnd = dStart;
    m_blocks.push_back(std::move(block));
    if (m_bKeepEvidence) {
        m_evidence.emplace_back();
    }
}

void CTapeLog::AddByte(uint8_t nByte, double dEnd) {
    AddByte(nByte, dEnd, dEnd, 0.0f);
}

void CTapeLog::AddByte(uint8_t nByte, double dStart, double dEnd, float fConfidence) {
    if (m_blocks.empty()) {
        BeginBlock(dStart);
    }
    if (m_bKeepEvidence) {
        m_evidence.back().m_bytes.push_back({dStart, fConfidence, nByte});
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
    if (m_bKeepEvidence) {
        SBlockEvidence& evidence = m_evidence.back();
        const auto nBefore = static_cast<uint32_t>(evidence.m_bytes.size());
        if (!evidence.m_gaps.empty() && evidence.m_gaps.back().m_nBefore == nBefore) {
            ++evidence.m_gaps.back().m_nLost;
        } else {
            evidence.m_gaps.push_back({nBefore, 1, dAt});
        }
    }
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
