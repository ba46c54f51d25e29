// CBiquad: a second-order IIR section (transposed direct form II), designed
// from a corner frequency in hertz at a sample rate.
#pragma once

#include <cstdint>

class CBiquad {
public:
    // Butterworth (Q = 1/sqrt 2) low-pass and high-pass sections.
    void SetLowpass(double dHz, double dRate);
    void SetHighpass(double dHz, double dRate);
    // A band-pass of 0 dB peak gain at dHz, of quality dQ.
    void SetBandpass(double dHz, double dQ, double dRate);
    // A notch at dHz of quality dQ (centre over bandwidth).
    void SetNotch(double dHz, double dQ, double dRate);
    void Reset() { m_dZ1 = m_dZ2 = 0.0; }
    // The state of a section that has always had dIn as its input.
    void Settle(double dIn) {
        const double dOut = dIn * (m_dB0 + m_dB1 + m_dB2) / (1.0 + m_dA1 + m_dA2);
        m_dZ1 = dOut - m_dB0 * dIn;
        m_dZ2 = m_dB2 * dIn - m_dA2 * dOut;
    }

    double Process(double dIn) {
        const double dOut = m_dB0 * dIn + m_dZ1;
        m_dZ1 = m_dB1 * dIn - m_dA1 * dOut + m_dZ2;
        m_dZ2 = m_dB2 * dIn - m_dA2 * dOut;
        return dOut;
    }

    // The same over a block, in place, with the state held in registers.
    void ProcessBlock(double* pSamples, int32_t nCount) {
        const double dB0 = m_dB0, dB1 = m_dB1, dB2 = m_dB2, dA1 = m_dA1, dA2 = m_dA2;
        double dZ1 = m_dZ1;
        double dZ2 = m_dZ2;
        for (int32_t k = 0; k < nCount; ++k) {
            const double dIn = pSamples[k];
            const double dOut = dB0 * dIn + dZ1;
            dZ1 = dB1 * dIn - dA1 * dOut + dZ2;
            dZ2 = dB2 * dIn - dA2 * dOut;
            pSamples[k] = dOut;
        }
        m_dZ1 = dZ1;
        m_dZ2 = dZ2;
    }

private:
    void Set(double dB0, double dB1, double dB2, double dA0, double dA1, double dA2);

    double m_dB0 = 1.0, m_dB1 = 0.0, m_dB2 = 0.0;  // feed-forward, normalised by a0
    double m_dA1 = 0.0, m_dA2 = 0.0;               // feedback, normalised by a0
    double m_dZ1 = 0.0, m_dZ2 = 0.0;               // state
};
