// What other people's audio tools do to a recording on its way to us: the
// low-cut of a mixer or a sound card, a band-limited line, automatic gain,
// an overdriven input and a phaser's all-pass. Each runs sample by sample
// over buffers and keeps its state between them.
#pragma once

#include <span>
#include <vector>

// One second-order section by the bilinear transform (corner prewarped).
class CSection {
public:
    enum class EKind { kHighpass, kLowpass, kAllpass };
    CSection(EKind eKind, double dHz, double dQ, double dRate);
    double Process(double dIn) {
        const double dOut = m_dB0 * dIn + m_dZ1;
        m_dZ1 = m_dB1 * dIn - m_dA1 * dOut + m_dZ2;
        m_dZ2 = m_dB2 * dIn - m_dA2 * dOut;
        return dOut;
    }

private:
    double m_dB0, m_dB1, m_dB2, m_dA1, m_dA2;
    double m_dZ1 = 0, m_dZ2 = 0;
};

// Butterworth high-pass or low-pass of order 1 to 4; order 1 is the same
// one-pole filter as CHighpass (high-pass) or a one-pole low-pass.
class CButterworth {
public:
    CButterworth(bool bHighpass, int nOrder, double dHz, double dRate);
    void Process(std::span<double> samples);

private:
    std::vector<CSection> m_sections;
    bool m_bFirstOrder = false;  // one one-pole section before them
    bool m_bHighpass = true;
    double m_dB0 = 0, m_dA1 = 0;  // the one-pole section
    double m_dLastIn = 0, m_dLastOut = 0;
};

// Automatic gain: the peak level follows the signal up within the attack
// time and down within the release time, and the gain brings it to the
// target, at most kMaxGainDb up.
class CAutoGain {
public:
    CAutoGain(double dTarget, double dAttackMs, double dReleaseMs, double dRate);
    void Process(std::span<double> samples);

private:
    double m_dTarget, m_dAttack, m_dRelease;  // coefficients per sample
    double m_dEnvelope;
};

// Soft clipping: the signal driven dGainDb into a tanh curve, its peak
// dPeak kept at dPeak.
void Overdrive(std::span<double> samples, double dGainDb, double dPeak);
