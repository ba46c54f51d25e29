#include "LeaderDetector.h"

#include <cmath>

bool CLeaderDetector::Add(double dLength) {
    const double dNominal = m_config.m_dShortSeconds;
    const bool bPlausible = dLength >= dNominal * m_config.m_dLeaderMinRatio &&
                            dLength <= dNominal * m_config.m_dLeaderMaxRatio;
    if (!bPlausible) {
        m_nRun = 0;
        return false;
    }
    if (m_nRun > 0 && std::fabs(dLength - m_dMean) <= m_config.m_dLeaderSteady * m_dMean) {
        ++m_nRun;
        m_dMean += (dLength - m_dMean) / m_nRun;
    } else {
        m_nRun = 1;
        m_dMean = dLength;
    }
    return m_nRun >= m_config.m_nLeaderRun;
}
