// The robust decoder's tunables, in physical units, with their defaults.
#pragma once

#include <cstddef>
#include <cstdint>

struct SRobustConfig {
    // Nominal half-period lengths of the tape code at normal speed.
    double m_dShortSeconds = 11.0 / 44100.0;  // s
    double m_dLongSeconds = 34.0 / 44100.0;   // s

    // Input: the chain runs at the file's rate divided by a whole factor,
    // at least this rate (a box mean of that many frames is one sample).
    double m_dChainRateMin = 11000.0;  // Hz

    // Conditioning.
    double m_dHighpassHz = 10.0;   // far below the tape's tones: DC and drift, and slow
                                   // enough that a dropout leaves no offset behind
    double m_dLowpassHz = 5500.0;  // above them: hiss
    double m_dHumQ = 16.0;         // quality of the hum notches
    double m_dReleaseMs = 0.35;    // level: time constant of its fall. The tones hold their
                                   // peak through each half-period, so it falls only where
                                   // the signal does, and follows a dropout down fast
    double m_dHysteresis = 0.3;    // a crossing must pass this share of the level
    double m_dFloor = 1e-4;        // level never below this (full scale = 1): silence stays quiet
    // Edges, the second detector: an edge must pass this share of the
    // slope's level, which falls over this time (a few long half-periods,
    // since the slope peaks once per half-period only).
    double m_dEdgeShare = 0.3;
    double m_dEdgeStepShare = 0.5;  // and its step this share of the recent edges' steps
    double m_dEdgeReleaseMs = 2.0;  // ms
    // The edges run only where the first leader's half-periods are less
    // flat than this (mean level over peak; CLeaderShape), or where no
    // leader could be measured in the first seconds.
    double m_dSquareFlatness = 0.8;
    // ... and whose level sags at least this share of the peak from the
    // second quarter of a half-period to the third (CLeaderShape::Droop):
    // a low-cut's sag, not a low-pass's rounding.
    double m_dSagDroop = 0.08;

    // Timing: the leader.
    int32_t m_nLeaderRun = 64;       // steady half-periods that make a leader
    double m_dLeaderSteady = 0.25;   // each within this share of the run's mean
    double m_dLeaderMinRatio = 0.5;  // the leader's half-period within these factors
    double m_dLeaderMaxRatio = 2.0;  // of the nominal short one (deck speed)
    // Classes, as factors of the tracked lengths.
    double m_dGlitchRatio = 0.35;  // shorter than this times the short length: no half-period
    double m_dTooLongRatio = 1.5;  // longer than this times the long length: a gap
    double m_dAdapt = 0.125;       // weight of each new half-period in the tracked lengths

    // Resync after a failed byte.
    int32_t m_nResyncMinBytes = 4;   // bytes in a row that must frame cleanly
    int32_t m_nResyncMaxBytes = 24;  // a candidate's run is measured up to this many bytes
    int32_t m_nResyncWindow = 24;    // half-periods after the first good candidate also tried
    double m_dBlockEndGap = 1.0;     // s without a good byte: the block has ended
};
