// CBiquad: a second-order IIR section (transposed direct form II), designed
// from a corner frequency in hertz at a sample rate.
#pragma once

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

    double Process(double dIn) {
        const double dOut = m_dB0 * dIn + m_dZ1;
        m_dZ1 = m_dB1 * dIn - m_dA1 * dOut + m_dZ2;
        m_dZ2 = m_dB2 * dIn - m_dA2 * dOut;
        return dOut;
    }

private:
    void Set(double dB0, double dB1, double dB2, double dA0, double dA1, double dA2);

    double m_dB0 = 1.0, m_dB1 = 0.0, m_dB2 = 0.0;  // feed-forward, normalised by a0
    double m_dA1 = 0.0, m_dA2 = 0.0;               // feedback, normalised by a0
    double m_dZ1 = 0.0, m_dZ2 = 0.0;               // state
};
