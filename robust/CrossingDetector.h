// CCrossingDetector: midpoint crossings with hysteresis. A crossing counts
// once the signal has gone from below -h to above +h (or back), where h is a
// share of the tracked level; it is timed where the signal last changed
// sign before that, between two samples by linear interpolation. Noise near
// the midpoint and a dropout thus make no crossings.
//
// A signal that stops (the end of a block without a tail, the start of a
// dropout, the end of the file) ends its last half-period without a
// crossing: the detector then reports a fade, timed just after the last
// sample that was beyond h, once the signal has stayed inside the band for
// a while, and waits for a new side to be found.
#pragma once

#include <cstddef>
#include <cstdint>

class CCrossingDetector {
public:
    enum class EEvent { kNone, kCrossing, kFade };

    // nQuiet: samples inside the band, after the last beyond it, that make a fade.
    void Reset(int64_t nQuiet) {
        m_nQuiet = nQuiet;
        m_bHigh = false;
        m_bKnown = false;
        m_dPrev = 0.0;
        m_dZero = 0.0;
        m_nStrong = 0;
    }

    // dIn: sample nIndex of the conditioned signal; dThreshold: h. On
    // kCrossing and kFade, At() is the event's time in samples.
    EEvent Process(double dIn, double dThreshold, int64_t nIndex) {
        if ((dIn >= 0.0) != (m_dPrev >= 0.0)) {
            // Where the line between the two samples meets zero.
            m_dZero = static_cast<double>(nIndex) - dIn / (dIn - m_dPrev);
        }
        m_dPrev = dIn;
        const bool bHigh = dIn > dThreshold;
        if (!(bHigh || dIn < -dThreshold)) {
            return m_bKnown && nIndex - m_nStrong > m_nQuiet ? Fade() : EEvent::kNone;
        }
        m_nStrong = nIndex;
        if (m_bKnown && bHigh == m_bHigh) {
            return EEvent::kNone;
        }
        const bool bFirst = !m_bKnown;
        m_bKnown = true;
        m_bHigh = bHigh;
        return bFirst ? EEvent::kNone : EEvent::kCrossing;
    }
    // The end of the data: a fade if the signal was on a side until lately.
    EEvent Finish(int64_t nIndex) {
        return m_bKnown && nIndex - m_nStrong <= m_nQuiet ? Fade() : EEvent::kNone;
    }
    double At() const { return m_dZero; }
    bool IsHigh() const { return m_bHigh; }

private:
    EEvent Fade() {
        m_bKnown = false;
        m_dZero = static_cast<double>(m_nStrong) + 0.5;
        return EEvent::kFade;
    }

    int64_t m_nQuiet = 0;
    bool m_bHigh = false;   // the side the signal was last found on
    bool m_bKnown = false;  // a side has been found since Reset or the last fade
    double m_dPrev = 0.0;   // the previous sample
    double m_dZero = 0.0;   // samples: the last sign change, or the fade
    int64_t m_nStrong = 0;  // the last sample beyond h
};
