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

std::string ScanBlockName(std::span<const int16_t> firstPlaces) {
    // Scanned twice with two stand-ins for the lost bytes, neither of them a
    // byte the scan looks for: a name that comes out the same both times
    // does not depend on them.
    std::array<std::string, 2> names;
    const int32_t kStandIns[] = {0x1FF, 0x17F};
    for (size_t k = 0; k < names.size(); ++k) {
        std::array<int32_t, kScannedBytes> header{};
        header.fill(-1);
        for (size_t n = 0; n < std::min(firstPlaces.size(), kScannedBytes); ++n) {
            header[n] = firstPlaces[n] == kUnknownToken ? kStandIns[k] : firstPlaces[n];
        }
        names[k] = ScanRecordName(header);
    }
    return names[0] == names[1] ? names[0] : std::string();
}

SBlockKey MakeBlockKey(const SBlockEvidence& evidence) {
    SBlockKey key;
    key.m_nLength = evidence.m_bytes.size();
    for (const SGapEvidence& gap : evidence.m_gaps) {
        key.m_nLost += gap.m_nLost;
    }
    key.m_nLength += key.m_nLost;
    std::vector<int16_t> first;
    auto gap = evidence.m_gaps.begin();
    for (size_t k = 0; k < evidence.m_bytes.size() && first.size() < kScannedBytes; ++k) {
        for (; gap != evidence.m_gaps.end() && gap->m_nBefore <= k; ++gap) {
            first.insert(first.end(), gap->m_nLost, kUnknownToken);
        }
        first.push_back(evidence.m_bytes[k].m_nValue);
    }
    key.m_strName = ScanBlockName(first);
    return key;
}
