#include "LowCutInverse.h"

#include <cmath>
#include <numbers>

void CLowCutInverse::Set(int32_t nOrder, double dCornerHz, double dRatio, double dRate) {
    m_nOrder = nOrder;
    m_dCornerHz = dCornerHz;
    m_nSections = 0;
    const double dHigh = 2.0 * std::numbers::pi * dCornerHz;  // rad/s
    const double dLow = dRatio * dHigh;
    // A first-order section for an odd order: (s + wc) / (s + wl).
    if (nOrder % 2 == 1) {
        m_sections[static_cast<size_t>(m_nSections++)].SetAnalog({dHigh, 1.0, 0.0},
                                                                 {dLow, 1.0, 0.0}, dRate);
    }
    // A pair of poles at angle theta from the negative real axis each.
    for (int32_t k = 0; k < nOrder / 2; ++k) {
        const double dDamping =
            2.0 * std::sin((2 * k + 1) * std::numbers::pi / (2.0 * nOrder));  // 1 / Q
        m_sections[static_cast<size_t>(m_nSections++)].SetAnalog(
            {dHigh * dHigh, dDamping * dHigh, 1.0}, {dLow * dLow, dDamping * dLow, 1.0}, dRate);
    }
}

void CLowCutInverse::ProcessBlock(double* pSamples, int32_t nCount) {
    for (int32_t s = 0; s < m_nSections; ++s) {
        m_sections[static_cast<size_t>(s)].ProcessBlock(pSamples, nCount);
    }
}
