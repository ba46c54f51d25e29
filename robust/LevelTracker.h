// CLevelTracker: the signal's level, following a rise within a fraction of a
// millisecond and a fall over tens of milliseconds, so that it holds through
// the quieter stretches of the code and through a dropout.
#pragma once

#include <algorithm>
#include <cmath>

class CLevelTracker {
public:
    void Set(double dAttackMs, double dReleaseMs, double dFloor, double dRate) {
        m_dAttack = 1.0 - std::exp(-1000.0 / (dAttackMs * dRate));
        m_dRelease = 1.0 - std::exp(-1000.0 / (dReleaseMs * dRate));
        m_dFloor = dFloor;
        m_dLevel = dFloor;
    }

    // The level after sample dIn.
    double Process(double dIn) {
        const double dAbs = std::fabs(dIn);
        const double dRate = dAbs > m_dLevel ? m_dAttack : m_dRelease;
        m_dLevel = std::max(m_dFloor, m_dLevel + dRate * (dAbs - m_dLevel));
        return m_dLevel;
    }
    double Level() const { return m_dLevel; }

private:
    double m_dAttack = 1.0;   // share of the step taken per sample, rising
    double m_dRelease = 0.0;  // the same, falling
    double m_dFloor = 0.0;    // full scale = 1
    double m_dLevel = 0.0;
};
