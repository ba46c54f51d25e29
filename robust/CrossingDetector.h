// CCrossingDetector: midpoint crossings with hysteresis. A crossing counts
// once the signal has gone from below -h to above +h (or back), where h is a
// share of the tracked level; it is timed where the signal last changed
// sign before that, between two samples by linear interpolation. Noise near
// the midpoint and a dropout thus make no crossings.
#pragma once

#include <cstddef>
#include <cstdint>

class CCrossingDetector {
public:
    void Reset() {
        m_bHigh = false;
        m_bKnown = false;
        m_dPrev = 0.0;
        m_dZero = 0.0;
    }

    // dIn: sample nIndex of the conditioned signal; dThreshold: h. True when
    // a crossing was completed; its time, in samples, is then Crossing().
    bool Process(double dIn, double dThreshold, int64_t nIndex) {
        if ((dIn >= 0.0) != (m_dPrev >= 0.0)) {
            // Where the line between the two samples meets zero.
            m_dZero = static_cast<double>(nIndex) - dIn / (dIn - m_dPrev);
        }
        m_dPrev = dIn;
        const bool bHigh = dIn > dThreshold;
        if (!(bHigh || dIn < -dThreshold) || (m_bKnown && bHigh == m_bHigh)) {
            return false;
        }
        const bool bFirst = !m_bKnown;
        m_bKnown = true;
        m_bHigh = bHigh;
        return !bFirst;
    }
    double Crossing() const { return m_dZero; }
    bool IsHigh() const { return m_bHigh; }

private:
    bool m_bHigh = false;   // the side the signal was last found on
    bool m_bKnown = false;  // a side has been found since Reset
    double m_dPrev = 0.0;   // the previous sample
    double m_dZero = 0.0;   // samples: the last sign change
};
