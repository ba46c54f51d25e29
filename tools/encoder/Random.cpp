#include "Random.h"

#include <bit>
#include <cmath>

namespace {

uint64_t SplitMix(uint64_t& nState) {
    nState += 0x9E3779B97F4A7C15ull;
    uint64_t n = nState;
    n = (n ^ (n >> 30)) * 0xBF58476D1CE4E5B9ull;
    n = (n ^ (n >> 27)) * 0x94D049BB133111EBull;
    return n ^ (n >> 31);
}

}  // namespace

CRandom::CRandom(uint64_t nSeed, uint64_t nStream) {
    uint64_t nState = nSeed ^ (nStream * 0xD1B54A32D192ED03ull);
    for (uint64_t& nWord : m_state) {
        nWord = SplitMix(nState);
    }
}

uint64_t CRandom::NextBits() {
    const uint64_t nResult = std::rotl(m_state[1] * 5, 7) * 9;
    const uint64_t nShifted = m_state[1] << 17;
    m_state[2] ^= m_state[0];
    m_state[3] ^= m_state[1];
    m_state[1] ^= m_state[2];
    m_state[0] ^= m_state[3];
    m_state[2] ^= nShifted;
    m_state[3] = std::rotl(m_state[3], 45);
    return nResult;
}

double CRandom::NextUnit() {
    return static_cast<double>(NextBits() >> 11) * 0x1.0p-53;
}

double CRandom::NextGaussian() {
    // Marsaglia's polar method: two values per accepted pair.
    if (m_bSpare) {
        m_bSpare = false;
        return m_dSpare;
    }
    double dU = 0;
    double dV = 0;
    double dS = 0;
    do {
        dU = 2.0 * NextUnit() - 1.0;
        dV = 2.0 * NextUnit() - 1.0;
        dS = dU * dU + dV * dV;
    } while (dS >= 1.0 || dS == 0.0);
    const double dScale = std::sqrt(-2.0 * std::log(dS) / dS);
    m_dSpare = dV * dScale;
    m_bSpare = true;
    return dU * dScale;
}
