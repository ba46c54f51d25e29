#include "TickSignal.h"

#include <cstddef>

CTickSignal& CTickSignal::Hold(uint8_t nValue, int32_t nTicks) {
    m_samples.insert(m_samples.end(), static_cast<std::size_t>(nTicks), nValue);
    m_bHigh = nValue >= 128;
    return *this;
}

CTickSignal& CTickSignal::Half(int32_t nSpacing) {
    const bool bHigh = !m_bHigh;
    return Hold(bHigh ? kHigh : kLow, bHigh ? nSpacing + 1 : nSpacing - 1);
}

CTickSignal& CTickSignal::Halves(int32_t nSpacing, int32_t nCount) {
    for (int32_t k = 0; k < nCount; ++k) {
        Half(nSpacing);
    }
    return *this;
}

CTickSignal& CTickSignal::Byte(uint8_t nByte) {
    Half(kLong);
    bool bLevel = false;
    for (int nBit = 0; nBit < 8; ++nBit) {
        const bool bBit = (nByte >> nBit) & 1;
        if (bBit != bLevel) {
            Half(kLong);
            bLevel = bBit;
        } else {
            Half(kShort).Half(kShort);
        }
    }
    if (!bLevel) {
        Half(kLong);
    }
    return *this;
}

CTickSignal& CTickSignal::Bytes(std::span<const uint8_t> bytes) {
    for (const uint8_t nByte : bytes) {
        Byte(nByte);
    }
    return *this;
}
