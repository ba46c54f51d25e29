#include "Biquad.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kButterworthQ = std::numbers::sqrt2 / 2.0;

// The corner as an angle per sample, kept below the Nyquist frequency.
double Omega(double dHz, double dRate) {
    return 2.0 * std::numbers::pi * std::min(dHz, 0.45 * dRate) / dRate;
}

}  // namespace

// Coefficients after the well-known audio equalizer cookbook formulas.
void CBiquad::SetLowpass(double dHz, double dRate) {
    const double dW = Omega(dHz, dRate);
    const double dAlpha = std::sin(dW) / (2.0 * kButterworthQ);
    const double dCos = std::cos(dW);
    Set((1.0 - dCos) / 2.0, 1.0 - dCos, (1.0 - dCos) / 2.0, 1.0 + dAlpha, -2.0 * dCos,
        1.0 - dAlpha);
}

void CBiquad::SetHighpass(double dHz, double dRate) {
    const double dW = Omega(dHz, dRate);
    const double dAlpha = std::sin(dW) / (2.0 * kButterworthQ);
    const double dCos = std::cos(dW);
    Set((1.0 + dCos) / 2.0, -(1.0 + dCos), (1.0 + dCos) / 2.0, 1.0 + dAlpha, -2.0 * dCos,
        1.0 - dAlpha);
}

void CBiquad::SetBandpass(double dHz, double dQ, double dRate) {
    const double dW = Omega(dHz, dRate);
    const double dAlpha = std::sin(dW) / (2.0 * dQ);
    const double dCos = std::cos(dW);
    Set(dAlpha, 0.0, -dAlpha, 1.0 + dAlpha, -2.0 * dCos, 1.0 - dAlpha);
}

void CBiquad::SetNotch(double dHz, double dQ, double dRate) {
    const double dW = Omega(dHz, dRate);
    const double dAlpha = std::sin(dW) / (2.0 * dQ);
    const double dCos = std::cos(dW);
    Set(1.0, -2.0 * dCos, 1.0, 1.0 + dAlpha, -2.0 * dCos, 1.0 - dAlpha);
}

void CBiquad::SetAnalog(const std::array<double, 3>& dNumerator,
                        const std::array<double, 3>& dDenominator, double dRate) {
    // s = K (1 - 1/z) / (1 + 1/z), times (1 + 1/z)^2.
    const double dK = 2.0 * dRate;
    const auto digital = [dK](const std::array<double, 3>& dAnalog) {
        const double dS2 = dAnalog[2] * dK * dK;
        const double dS1 = dAnalog[1] * dK;
        return std::array<double, 3>{dS2 + dS1 + dAnalog[0], 2.0 * (dAnalog[0] - dS2),
                                     dS2 - dS1 + dAnalog[0]};
    };
    const std::array<double, 3> dB = digital(dNumerator);
    const std::array<double, 3> dA = digital(dDenominator);
    Set(dB[0], dB[1], dB[2], dA[0], dA[1], dA[2]);
}

void CBiquad::Set(double dB0, double dB1, double dB2, double dA0, double dA1, double dA2) {
    m_dB0 = dB0 / dA0;
    m_dB1 = dB1 / dA0;
    m_dB2 = dB2 / dA0;
    m_dA1 = dA1 / dA0;
    m_dA2 = dA2 / dA0;
    Reset();
}
