#include "LowCutWatch.h"

#include <algorithm>

namespace {

constexpr double kHistorySeconds = 0.5;  // s before the block's first byte: the leader's end
constexpr double kProbeSeconds = 2.5;    // s probed in all

}  // namespace

void CLowCutWatch::Start(double dRate, bool bEdges) {
    m_dRate = dRate;
    m_bEdges = bEdges;
    m_bWatching = true;
    m_bCollecting = false;
    m_nHistory = static_cast<size_t>(kHistorySeconds * dRate);
    m_nWanted = static_cast<size_t>(kProbeSeconds * dRate);
    m_samples.clear();
    m_samples.reserve(m_nWanted);
    m_result = {};
}

bool CLowCutWatch::Add(const double* pSamples, int32_t nCount, bool bBlockBegun) {
    if (!m_bWatching) {
        return false;
    }
    m_bCollecting = m_bCollecting || bBlockBegun;
    const size_t nTaken = std::min(static_cast<size_t>(nCount), m_nWanted - m_samples.size());
    m_samples.insert(m_samples.end(), pSamples, pSamples + nTaken);
    if (!m_bCollecting) {
        // Only the last half second, the start of a leader to come.
        if (m_samples.size() > m_nHistory) {
            m_samples.erase(m_samples.begin(),
                            m_samples.end() - static_cast<ptrdiff_t>(m_nHistory));
        }
        return false;
    }
    if (m_samples.size() < m_nWanted) {
        return false;
    }
    m_result = ProbeLowCut(m_samples, m_dRate, m_bEdges, m_config);
    m_samples.clear();
    m_bCollecting = false;
    m_bWatching = !m_result.m_bTold;
    return m_result.m_bTold;
}
