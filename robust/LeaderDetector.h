// CLeaderDetector: a leader is a run of steady half-periods near the
// nominal short length (within the deck speeds that the config allows):
// each within a share of the run's mean. Noise, hum and data do not make
// such a run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "RobustConfig.h"

class CLeaderDetector {
public:
    explicit CLeaderDetector(const SRobustConfig& config) : m_config(config) {}

    void Reset() { m_nRun = 0; }
    // True when this half-period completes a leader.
    bool Add(double dLength);
    double Mean() const { return m_dMean; }  // s: the run's mean half-period

private:
    const SRobustConfig& m_config;
    int32_t m_nRun = 0;
    double m_dMean = 0.0;  // s
};
