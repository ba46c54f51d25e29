#include "EdgeDetector.h"

#include <algorithm>
#include <cmath>

void CEdgeDetector::Reset(double dReleaseMs, double dFloor, double dRate, int64_t nQuiet) {
    m_dDecay = std::exp(-1000.0 / (dReleaseMs * dRate));
    m_dFloor = dFloor;
    m_dLevel = dFloor;
    m_dStepLevel = dFloor;
    m_nQuiet = nQuiet;
    m_dPrevIn = 0.0;
    m_bInEdge = false;
    m_nEdgeSign = 0;
    m_dStep = 0.0;
    m_dPeak = 0.0;
    m_dThreshold = 0.0;
    m_nPeakAt = 0;
    m_nRun = 0;
    m_nRunFirst = 0;
    m_nSide = 0;
    m_nHeldSign = 0;
    m_dHeldAt = 0.0;
    m_dHeldStep = 0.0;
    m_nStrong = 0;
}

double CEdgeDetector::EdgeTime() const {
    if (m_nRun <= static_cast<int32_t>(m_run.size())) {
        // Where the run passes half-way between the levels before and after
        // it: the local midpoint, whatever the baseline has wandered to.
        const double dMid = 0.5 * (m_run[0] + m_run[static_cast<size_t>(m_nRun - 1)]);
        for (int32_t j = 1; j < m_nRun; ++j) {
            const double dFrom = m_run[static_cast<size_t>(j - 1)];
            const double dTo = m_run[static_cast<size_t>(j)];
            if (m_nEdgeSign * (dTo - dMid) >= 0.0 && dTo != dFrom) {
                return static_cast<double>(m_nRunFirst + j - 1) + (dMid - dFrom) / (dTo - dFrom);
            }
        }
    }
    // A run too long to keep: at the slope's peak, which lies between its
    // sample and the one before.
    return static_cast<double>(m_nPeakAt) - 0.5;
}

bool CEdgeDetector::Release(SCrossingEvent& event) {
    const bool bFirst = m_nSide == 0;
    m_nSide = m_nHeldSign;
    m_nHeldSign = 0;
    event = {m_dHeldAt, SCrossingEvent::EKind::kCrossing};
    return !bFirst;
}

bool CEdgeDetector::EndRun(double dStepShare, SCrossingEvent& event) {
    m_bInEdge = false;
    const double dStep = std::fabs(m_dStep);
    if (m_dPeak <= m_dThreshold || dStep <= dStepShare * std::max(m_dStepLevel, m_dFloor)) {
        return false;
    }
    m_dStepLevel = std::max(m_dStepLevel, dStep);
    const double dStrength = dStep * m_dPeak;
    if (m_nEdgeSign == m_nHeldSign && dStrength <= m_dHeldStep) {
        return false;  // a bounce
    }
    bool bEvent = false;
    if (m_nHeldSign != 0 && m_nEdgeSign != m_nHeldSign) {
        bEvent = Release(event);
    } else if (m_nHeldSign == 0 && m_nEdgeSign == m_nSide) {
        return false;  // the given edge's sign again: nothing to hold
    }
    m_nHeldSign = m_nEdgeSign;
    m_dHeldAt = EdgeTime();
    m_dHeldStep = dStrength;
    return bEvent;
}

int32_t CEdgeDetector::ProcessBlock(const double* pIn, double dShare, double dStepShare,
                                    int64_t nFirst, int32_t nCount, SCrossingEvent* pEvents) {
    int32_t nEvents = 0;
    for (int32_t k = 0; k < nCount; ++k) {
        const int64_t nIndex = nFirst + k;
        const double dIn = pIn[k];
        const double dSlope = dIn - m_dPrevIn;
        const double dMagnitude = std::fabs(dSlope);
        m_dLevel = std::max(std::max(dMagnitude, m_dFloor), m_dLevel * m_dDecay);
        m_dStepLevel *= m_dDecay;
        const double dThreshold = dShare * m_dLevel;
        if (dMagnitude > dThreshold) {
            const int nSign = dSlope > 0.0 ? 1 : -1;
            if (m_bInEdge && nSign != m_nEdgeSign && EndRun(dStepShare, pEvents[nEvents])) {
                ++nEvents;
            }
            if (!m_bInEdge) {
                m_bInEdge = true;
                m_nEdgeSign = nSign;
                m_dPeak = 0.0;
                m_dStep = 0.0;
                m_run[0] = m_dPrevIn;
                m_nRun = 1;
                m_nRunFirst = nIndex - 1;
            }
            m_dStep += dSlope;
            if (m_nRun < static_cast<int32_t>(m_run.size())) {
                m_run[static_cast<size_t>(m_nRun)] = dIn;
            }
            ++m_nRun;
            if (dMagnitude > m_dPeak) {
                m_dPeak = dMagnitude;
                m_dThreshold = dThreshold;
                m_nPeakAt = nIndex;
            }
            m_nStrong = nIndex;
        } else {
            if (m_bInEdge && EndRun(dStepShare, pEvents[nEvents])) {
                ++nEvents;
            }
            if ((m_nSide != 0 || m_nHeldSign != 0) && nIndex - m_nStrong > m_nQuiet) {
                if (m_nHeldSign != 0 && Release(pEvents[nEvents])) {
                    ++nEvents;
                }
                pEvents[nEvents++] = {static_cast<double>(m_nStrong) + 0.5,
                                      SCrossingEvent::EKind::kFade};
                m_nSide = 0;
            }
        }
        m_dPrevIn = dIn;
    }
    return nEvents;
}

int32_t CEdgeDetector::Finish(SCrossingEvent* pEvents) {
    int32_t nEvents = 0;
    if (m_nHeldSign != 0 && Release(pEvents[nEvents])) {
        ++nEvents;
    }
    if (m_nSide != 0) {
        pEvents[nEvents++] = {static_cast<double>(m_nStrong) + 0.5, SCrossingEvent::EKind::kFade};
        m_nSide = 0;
    }
    return nEvents;
}
