// CLevelTracker: the signal's level, a peak that rises at once with the
// signal and falls exponentially, over about two long half-periods, so that
// it holds through the quieter stretches of the code and follows a dropout
// down when some signal is left in it. One multiplication and one maximum
// per sample.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

class CLevelTracker {
public:
    void Set(double dReleaseMs, double dFloor, double dRate) {
        m_dDecay = std::exp(-1000.0 / (dReleaseMs * dRate));
        m_dFloor = dFloor;
        m_dLevel = dFloor;
    }

    // The level after sample dIn.
    double Process(double dIn) {
        // The level waits on the last one for a multiplication and a maximum.
        m_dLevel = std::max(std::max(std::fabs(dIn), m_dFloor), m_dLevel * m_dDecay);
        return m_dLevel;
    }
    double Level() const { return m_dLevel; }

private:
    double m_dDecay = 0.0;  // share of the level kept per sample
    double m_dFloor = 0.0;  // full scale = 1: silence stays silence
    double m_dLevel = 0.0;
};
