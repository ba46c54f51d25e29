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
//
// Process takes one sample. ProcessBlock gives the same events for a block
// faster: a crossing comes every few samples at no regular interval, so a
// test per sample is a wrong guess of the processor's every few samples.
// It marks 64 samples at a time as above, below and not below zero in bit
// masks, and finds the crossings in them with bit operations; a stretch
// where a fade may come goes sample by sample.
#pragma once

#include <cstddef>
#include <cstdint>

struct SCrossingEvent {
    enum class EKind : uint8_t { kCrossing, kFade };

    double m_dAt = 0.0;  // samples: the event's time
    EKind m_eKind = EKind::kCrossing;
};

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

    // The same over nCount samples pIn, the first of them sample nFirst,
    // with h = dHysteresis * pLevel[k]: writes the events to pEvents (room
    // for nCount) and returns how many.
    int32_t ProcessBlock(const double* pIn, const double* pLevel, double dHysteresis,
                         int64_t nFirst, int32_t nCount, SCrossingEvent* pEvents);

    // The end of the data: a fade if the signal was still on a side (a
    // signal that stopped earlier has had its fade).
    EEvent Finish() { return m_bKnown ? Fade() : EEvent::kNone; }
    double At() const { return m_dZero; }

private:
    struct SMasks {
        uint64_t m_nHigh = 0;      // above h
        uint64_t m_nLow = 0;       // below -h
        uint64_t m_nPositive = 0;  // not below zero
    };

    EEvent Fade() {
        m_bKnown = false;
        m_dZero = static_cast<double>(m_nStrong) + 0.5;
        return EEvent::kFade;
    }
    // 64 samples from pIn as bit masks, sample k in bit k.
    static SMasks MasksOf(const double* pIn, const double* pLevel, double dHysteresis);
    // Whether no fade can come in the 64 samples from nFirst with these masks.
    bool IsFadeFree(uint64_t nStrong, int64_t nFirst) const;
    // The 64 samples from pIn, the first of them sample nFirst, without a
    // fade among them and with the side known: their crossings.
    int32_t WordEvents(const double* pIn, const SMasks& masks, int64_t nFirst,
                       SCrossingEvent* pEvents);

    int64_t m_nQuiet = 0;
    bool m_bHigh = false;   // the side the signal was last found on
    bool m_bKnown = false;  // a side has been found since Reset or the last fade
    double m_dPrev = 0.0;   // the previous sample
    double m_dZero = 0.0;   // samples: the last sign change, or the fade
    int64_t m_nStrong = 0;  // the last sample beyond h
};
