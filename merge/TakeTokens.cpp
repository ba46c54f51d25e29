#include "TakeTokens.h"

#include <algorithm>
#include <array>

#include "RecordName.h"

STakeTokens MakeTakeTokens(const SBlockEvidence& evidence) {
    STakeTokens tokens;
    size_t nLost = 0;
    for (const SGapEvidence& gap : evidence.m_gaps) {
        nLost += gap.m_nLost;
    }
    tokens.m_values.reserve(evidence.m_bytes.size() + nLost);
    tokens.m_confidence.reserve(evidence.m_bytes.size() + nLost);
    auto gap = evidence.m_gaps.begin();
    for (size_t k = 0; k <= evidence.m_bytes.size(); ++k) {
        for (; gap != evidence.m_gaps.end() && gap->m_nBefore <= k; ++gap) {
            tokens.m_values.insert(tokens.m_values.end(), gap->m_nLost, kUnknownToken);
            tokens.m_confidence.insert(tokens.m_confidence.end(), gap->m_nLost, 0.0f);
        }
        if (k < evidence.m_bytes.size()) {
            tokens.m_values.push_back(evidence.m_bytes[k].m_nValue);
            tokens.m_confidence.push_back(evidence.m_bytes[k].m_fConfidence);
        }
    }
    return tokens;
}

std::string ScanBlockName(std::span<const uint8_t> firstBytes) {
    std::array<int32_t, kScannedBytes> header{};
    header.fill(-1);
    std::copy_n(firstBytes.begin(), std::min(firstBytes.size(), kScannedBytes), header.begin());
    return ScanRecordName(header);
}

SBlockKey MakeBlockKey(const SBlockEvidence& evidence) {
    SBlockKey key;
    key.m_nLength = evidence.m_bytes.size();
    for (const SGapEvidence& gap : evidence.m_gaps) {
        key.m_nLength += gap.m_nLost;
    }
    // The name only when the header came through without a gap.
    const bool bGapInHeader =
        !evidence.m_gaps.empty() && evidence.m_gaps.front().m_nBefore < kScannedBytes;
    if (!bGapInHeader) {
        std::array<uint8_t, kScannedBytes> first{};
        const size_t nCount = std::min(evidence.m_bytes.size(), kScannedBytes);
        for (size_t k = 0; k < nCount; ++k) {
            first[k] = evidence.m_bytes[k].m_nValue;
        }
        key.m_strName = ScanBlockName(std::span(first).first(nCount));
    }
    return key;
}
