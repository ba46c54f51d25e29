// CBiquad: a second-order IIR section, designed from a corner frequency in
// hertz at a sample rate. Direct form I: each output waits on the one
// before it for one multiplication and one subtraction only, where the
// transposed form II waits for three operations, and the chain runs as
// fast as its slowest recursion.
#pragma once

#include <array>
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
    // An analog section (n2 s^2 + n1 s + n0) / (d2 s^2 + d1 s + d0), s in
    // radians per second, by the bilinear transform: for corners far below
    // the Nyquist frequency, where its warping does not matter.
    void SetAnalog(const std::array<double, 3>& dNumerator,
                   const std::array<double, 3>& dDenominator, double dRate);
    void Reset() { m_dX1 = m_dX2 = m_dY1 = m_dY2 = 0.0; }
    // The state of a section that has always had dIn as its input.
    void Settle(double dIn) {
        m_dX1 = m_dX2 = dIn;
        m_dY1 = m_dY2 = dIn * (m_dB0 + m_dB1 + m_dB2) / (1.0 + m_dA1 + m_dA2);
    }

    double Process(double dIn) {
        // The last output comes in last, so that the rest is ready before it.
        const double dOut =
            m_dB0 * dIn + m_dB1 * m_dX1 + m_dB2 * m_dX2 - m_dA2 * m_dY2 - m_dA1 * m_dY1;
        m_dX2 = m_dX1;
        m_dX1 = dIn;
        m_dY2 = m_dY1;
        m_dY1 = dOut;
        return dOut;
    }

    // The same over a block, in place, with the state held in registers.
    void ProcessBlock(double* pSamples, int32_t nCount) {
        CBiquad section = *this;
        for (int32_t k = 0; k < nCount; ++k) {
            pSamples[k] = section.Process(pSamples[k]);
        }
        *this = section;
    }

private:
    void Set(double dB0, double dB1, double dB2, double dA0, double dA1, double dA2);

    double m_dB0 = 1.0, m_dB1 = 0.0, m_dB2 = 0.0;  // feed-forward, normalised by a0
    double m_dA1 = 0.0, m_dA2 = 0.0;               // feedback, normalised by a0
    double m_dX1 = 0.0, m_dX2 = 0.0;               // the last two inputs
    double m_dY1 = 0.0, m_dY2 = 0.0;               // the last two outputs
};
