// The deck's speed: maps tape time to playback time. The deck runs at
// m_dSpeed times the nominal speed, with a sinusoidal wow on top: at
// playback time t the tape moves at speed * (1 + depth * sin(2 pi f t + phase)),
// so a half-period recorded as d seconds plays about d / speed seconds.
#pragma once

class CTimeWarp {
public:
    // dPhase: the wow's phase (radians) at the start of the playback.
    CTimeWarp(double dSpeed, double dWowPercent, double dWowHz, double dPhase = 0.0);

    // The playback time (seconds) at which tape time dTape (seconds) is
    // heard. Fastest when called with times that do not go back: each answer
    // starts the search for the next.
    double PlaybackTime(double dTape);

private:
    double TapeAt(double dPlay) const;   // tape seconds played by dPlay
    double SpeedAt(double dPlay) const;  // tape seconds per playback second

    double m_dSpeed;
    double m_dDepth;  // peak deviation as a fraction, below 1
    double m_dOmega;  // 2 pi f
    double m_dPhase;
    double m_dLastTape = 0;
    double m_dLastPlay = 0;
};
