// CLeaderShape: whether a recording's leader still has the square shape the
// tape put on it. A leader is a long run of equal short half-periods of a
// square wave; within each of them the level stays near its peak from one
// edge to the next. A steep high-pass makes it sag from the edge on, a
// band-limited line rounds it into a sine, an all-pass smears it: each
// brings the mean level of a half-period well below its peak.
//
// Fed one sample at a time at the file's own rate (the decoding chain's
// rate leaves too few samples per short half-period to see a shape), it
// cuts half-periods where the signal passes a share of its tracked peak,
// finds a run of steady ones, and over the run measures each half-period's
// mean level against its peak ("flatness": about 0.9 for a square wave,
// 2/pi for a sine) and how it sags: the mean level of each half-period's
// second quarter less that of its third, against its peak ("droop": about
// 0 for a square wave or a sine, above 0 where a low-cut makes the level
// fall from the edge on, below 0 where a low-pass makes it rise to the
// edge). Nothing is allocated; a few operations per sample.
#pragma once

#include <array>
#include <cstdint>

class CLeaderShape {
public:
    // dRate: Hz; dShortSeconds: the tape's short half-period at normal speed.
    void Set(double dRate, double dShortSeconds);
    void Process(double dIn);
    // Whether a leader was measured, and its mean flatness (0 before).
    bool Measured() const { return m_nMeasured >= kMeasure; }
    double Flatness() const { return Measured() ? m_dFlatSum / m_nMeasured : 0.0; }
    double Droop() const { return Measured() ? m_dDroopSum / m_nMeasured : 0.0; }

    static constexpr int32_t kRun = 32;          // steady half-periods before measuring
    static constexpr int32_t kMeasure = 128;     // half-periods measured
    static constexpr int32_t kMaxSamples = 512;  // of a half-period kept for the droop

private:
    void EndHalf();
    // Mean |x| of quarter nQuarter (0-3) of the current half-period, against its peak.
    double QuarterMean(int32_t nQuarter) const;

    double m_dMinLength = 0.0;  // samples: shorter half-periods are no leader's
    double m_dMaxLength = 0.0;  // samples: nor longer ones
    double m_dPeak = 0.0;       // tracked peak of |x|
    double m_dDecay = 0.0;      // its fall per sample
    int32_t m_nSign = 0;        // sign of the current half-period, 0 before the first
    int32_t m_nLength = 0;      // samples in it so far
    double m_dSum = 0.0;        // of |x| over it
    double m_dMax = 0.0;        // of |x| over it
    int32_t m_nLastLength = 0;  // samples of the one before
    int32_t m_nRun = 0;         // steady half-periods in a row
    int32_t m_nMeasured = 0;
    double m_dFlatSum = 0.0;
    double m_dDroopSum = 0.0;
    std::array<float, kMaxSamples> m_samples{};  // |x| of the current half-period
};
