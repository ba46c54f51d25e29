#include "ToolEffects.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kMaxGainDb = 20.0;

}  // namespace

CSection::CSection(EKind eKind, double dHz, double dQ, double dRate) {
    const double dW = 2.0 * std::numbers::pi * dHz / dRate;
    const double dCos = std::cos(dW);
    const double dAlpha = std::sin(dW) / (2.0 * dQ);
    const double dA0 = 1.0 + dAlpha;
    switch (eKind) {
        case EKind::kHighpass:
            m_dB0 = (1.0 + dCos) / 2.0 / dA0;
            m_dB1 = -(1.0 + dCos) / dA0;
            m_dB2 = m_dB0;
            break;
        case EKind::kLowpass:
            m_dB0 = (1.0 - dCos) / 2.0 / dA0;
            m_dB1 = (1.0 - dCos) / dA0;
            m_dB2 = m_dB0;
            break;
        case EKind::kAllpass:
            m_dB0 = (1.0 - dAlpha) / dA0;
            m_dB1 = -2.0 * dCos / dA0;
            m_dB2 = 1.0;
            break;
    }
    m_dA1 = -2.0 * dCos / dA0;
    m_dA2 = (1.0 - dAlpha) / dA0;
}

CButterworth::CButterworth(bool bHighpass, int nOrder, double dHz, double dRate)
    : m_bFirstOrder(nOrder % 2 == 1), m_bHighpass(bHighpass) {
    const double dK = std::tan(std::numbers::pi * dHz / dRate);
    m_dB0 = bHighpass ? 1.0 / (1.0 + dK) : dK / (1.0 + dK);
    m_dA1 = (dK - 1.0) / (dK + 1.0);
    // The pole pairs of the Butterworth polynomial, each as a section of
    // quality 1 / (2 sin((2k + 1) pi / 2n)).
    const auto eKind = bHighpass ? CSection::EKind::kHighpass : CSection::EKind::kLowpass;
    for (int k = 0; k < nOrder / 2; ++k) {
        const double dQ = 1.0 / (2.0 * std::sin((2 * k + 1) * std::numbers::pi / (2.0 * nOrder)));
        m_sections.emplace_back(eKind, dHz, dQ, dRate);
    }
}

void CButterworth::Process(std::span<double> samples) {
    for (double& d : samples) {
        double dValue = d;
        if (m_bFirstOrder) {
            const double dIn = dValue;
            m_dLastOut = m_bHighpass ? m_dB0 * (dIn - m_dLastIn) - m_dA1 * m_dLastOut
                                     : m_dB0 * (dIn + m_dLastIn) - m_dA1 * m_dLastOut;
            m_dLastIn = dIn;
            dValue = m_dLastOut;
        }
        for (CSection& section : m_sections) {
            dValue = section.Process(dValue);
        }
        d = dValue;
    }
}

CAutoGain::CAutoGain(double dTarget, double dAttackMs, double dReleaseMs, double dRate)
    : m_dTarget(dTarget),
      m_dAttack(1.0 - std::exp(-1000.0 / (dAttackMs * dRate))),
      m_dRelease(1.0 - std::exp(-1000.0 / (dReleaseMs * dRate))),
      m_dEnvelope(dTarget) {}

void CAutoGain::Process(std::span<double> samples) {
    const double dLeast = m_dTarget * std::pow(10.0, -kMaxGainDb / 20.0);
    for (double& d : samples) {
        const double dMagnitude = std::fabs(d);
        m_dEnvelope +=
            (dMagnitude - m_dEnvelope) * (dMagnitude > m_dEnvelope ? m_dAttack : m_dRelease);
        d *= m_dTarget / std::max(m_dEnvelope, dLeast);
    }
}

void Overdrive(std::span<double> samples, double dGainDb, double dPeak) {
    const double dGain = std::pow(10.0, dGainDb / 20.0);
    const double dScale = dPeak / std::tanh(dGain);
    for (double& d : samples) {
        d = dScale * std::tanh(dGain * d / dPeak);
    }
}
