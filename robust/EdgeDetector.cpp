#include "EdgeDetector.h"

#include <cmath>

void CEdgeDetector::Reset(double dReleaseMs, double dFloor, double dRate, int64_t nQuiet) {
    m_level.Set(dReleaseMs, dFloor, dRate);
    m_stepLevel.Set(dReleaseMs, dFloor, dRate);
    m_dStep = 0.0;
    m_dThreshold = 0.0;
    m_nRun = 0;
    m_nRunFirst = 0;
    m_nQuiet = nQuiet;
    m_dPrevIn = 0.0;
    m_dPrevSlope = 0.0;
    m_nSide = 0;
    m_nHeldSign = 0;
    m_dHeldAt = 0.0;
    m_dHeldStep = 0.0;
    m_bInEdge = false;
    m_nEdgeSign = 0;
    m_dPeak = 0.0;
    m_dBefore = 0.0;
    m_dAfter = 0.0;
    m_nPeakAt = 0;
    m_bWantAfter = false;
    m_nStrong = 0;
    m_bStarted = false;
}

bool CEdgeDetector::Release(SCrossingEvent& event) {
    const bool bFirst = m_nSide == 0;
    m_nSide = m_nHeldSign;
    m_nHeldSign = 0;
    event = {m_dHeldAt, SCrossingEvent::EKind::kCrossing};
    return !bFirst;
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
    // A run too long to keep: at the slope's peak, between samples by a
    // parabola through it and its neighbours; the slope of sample n lies
    // between samples n - 1 and n.
    const double dCurve = m_dBefore - 2.0 * m_dPeak + m_dAfter;
    const double dShift = dCurve < 0.0 ? 0.5 * (m_dBefore - m_dAfter) / dCurve : 0.0;
    return static_cast<double>(m_nPeakAt) - 0.5 + dShift;
}

bool CEdgeDetector::EndRun(double dStepShare, SCrossingEvent& event) {
    m_bInEdge = false;
    const double dStep = std::fabs(m_dStep);
    if (m_dPeak <= m_dThreshold || dStep <= dStepShare * m_stepLevel.Level()) {
        return false;
    }
    m_stepLevel.Process(dStep);
    if (m_nEdgeSign == m_nHeldSign && dStep * m_dPeak <= m_dHeldStep) {
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
    m_dHeldStep = dStep * m_dPeak;
    return bEvent;
}

int32_t CEdgeDetector::ProcessBlock(const double* pIn, double dShare, double dStepShare,
                                    int64_t nFirst, int32_t nCount, SCrossingEvent* pEvents) {
    int32_t nEvents = 0;
    for (int32_t k = 0; k < nCount; ++k) {
        const int64_t nIndex = nFirst + k;
        const double dLast = m_bStarted ? m_dPrevIn : pIn[k];
        const double dSlope = pIn[k] - dLast;
        m_bStarted = true;
        m_dPrevIn = pIn[k];
        const double dThreshold = dShare * m_level.Process(dSlope);
        m_stepLevel.Process(0.0);
        const double dMagnitude = std::fabs(dSlope);
        const int nSign = dSlope > 0.0 ? 1 : -1;
        if (m_bWantAfter) {
            m_dAfter = m_nEdgeSign * dSlope;
            m_bWantAfter = false;
        }
        const bool bStrong = dMagnitude > dThreshold;
        if (m_bInEdge && (nSign != m_nEdgeSign || !bStrong) &&
            EndRun(dStepShare, pEvents[nEvents])) {
            ++nEvents;
        }
        if (bStrong) {
            if (!m_bInEdge) {
                m_bInEdge = true;
                m_nEdgeSign = nSign;
                m_dPeak = 0.0;
                m_dStep = 0.0;
                m_run[0] = dLast;
                m_nRun = 1;
                m_nRunFirst = nIndex - 1;
            }
            m_dStep += dSlope;
            if (m_nRun < static_cast<int32_t>(m_run.size())) {
                m_run[static_cast<size_t>(m_nRun)] = pIn[k];
            }
            ++m_nRun;
            if (dMagnitude > m_dPeak) {
                m_dBefore = m_nEdgeSign * m_dPrevSlope;
                m_dPeak = dMagnitude;
                m_dThreshold = dThreshold;
                m_nPeakAt = nIndex;
                m_bWantAfter = true;
            }
        }
        if (bStrong) {
            m_nStrong = nIndex;
        } else if ((m_nSide != 0 || m_nHeldSign != 0) && nIndex - m_nStrong > m_nQuiet) {
            if (m_nHeldSign != 0 && Release(pEvents[nEvents])) {
                ++nEvents;
            }
            pEvents[nEvents++] = {static_cast<double>(m_nStrong) + 0.5,
                                  SCrossingEvent::EKind::kFade};
            m_nSide = 0;
        }
        m_dPrevSlope = dSlope;
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
