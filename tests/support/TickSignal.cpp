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
