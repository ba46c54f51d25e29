#include "TimeWarp.h"

#include <cmath>
#include <numbers>

CTimeWarp::CTimeWarp(double dSpeed, double dWowPercent, double dWowHz, double dPhase)
    : m_dSpeed(dSpeed),
      m_dDepth(dWowPercent / 100.0),
      m_dOmega(2.0 * std::numbers::pi * dWowHz),
      m_dPhase(dPhase) {}

double CTimeWarp::TapeAt(double dPlay) const {
    return m_dSpeed * (dPlay + m_dDepth / m_dOmega *
                                   (std::cos(m_dPhase) - std::cos(m_dOmega * dPlay + m_dPhase)));
}

double CTimeWarp::SpeedAt(double dPlay) const {
    return m_dSpeed * (1.0 + m_dDepth * std::sin(m_dOmega * dPlay + m_dPhase));
}

double CTimeWarp::PlaybackTime(double dTape) {
    if (m_dDepth == 0.0) {
        return dTape / m_dSpeed;
    }
    // Newton's method on the tape position. Its slope stays within
    // speed * (1 +- depth), so from any start every step at least halves the
    // error for a depth up to a fifth (20 %); from the last answer two or
    // three steps do.
    double dPlay = m_dLastPlay + (dTape - m_dLastTape) / SpeedAt(m_dLastPlay);
    for (int nStep = 0; nStep < 60; ++nStep) {
        const double dStep = (TapeAt(dPlay) - dTape) / SpeedAt(dPlay);
        dPlay -= dStep;
        if (std::fabs(dStep) <= 1e-12 * (1.0 + std::fabs(dPlay))) {
            break;
        }
    }
    m_dLastTape = dTape;
    m_dLastPlay = dPlay;
    return dPlay;
}
