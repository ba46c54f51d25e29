// CHalfPeriodTiming: the lengths of short and long half-periods as this deck
// plays them. Learnt from the leader, which holds short ones only (the long
// one follows from the code's ratio), then followed through every block
// half-period by half-period, so that a deck running fast or slow, and wow,
// move the class boundaries with them.
#pragma once

#include "HalfPeriod.h"
#include "RobustConfig.h"

class CHalfPeriodTiming {
public:
    explicit CHalfPeriodTiming(const SRobustConfig& config);

    void Reset();               // back to the nominal lengths
    void Learn(double dShort);  // s: the leader's mean half-period
    void Classify(SHalfPeriod& half) const;
    // Moves the tracked length of the half-period's class towards it.
    void Follow(const SHalfPeriod& half);

    double Short() const { return m_dShort; }  // s
    double Long() const { return m_dLong; }    // s
    double ShortMax() const;                   // s: from here up, long
    double LongMax() const;                    // s: from here up, a gap
    double GlitchMax() const;                  // s: below this, noise

private:
    const SRobustConfig& m_config;
    double m_dShort = 0.0;     // s
    double m_dLong = 0.0;      // s
    double m_dShortMax = 0.0;  // s: ShortMax(), worked out as the lengths change
};
