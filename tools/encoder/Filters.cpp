#include "Filters.h"

#include <cmath>
#include <numbers>

CLowpass::CLowpass(double dCornerHz, double dRate) {
    const double dK = std::tan(std::numbers::pi * dCornerHz / dRate);
    const double dNorm = 1.0 / (1.0 + std::numbers::sqrt2 * dK + dK * dK);
    m_dB0 = dK * dK * dNorm;
    m_dB1 = 2.0 * m_dB0;
    m_dB2 = m_dB0;
    m_dA1 = 2.0 * (dK * dK - 1.0) * dNorm;
    m_dA2 = (1.0 - std::numbers::sqrt2 * dK + dK * dK) * dNorm;
}

void CLowpass::Process(std::span<double> samples) {
    for (double& d : samples) {
        const double dIn = d;
        const double dOut = m_dB0 * dIn + m_dZ1;
        m_dZ1 = m_dB1 * dIn - m_dA1 * dOut + m_dZ2;
        m_dZ2 = m_dB2 * dIn - m_dA2 * dOut;
        d = dOut;
    }
}

CHighpass::CHighpass(double dCornerHz, double dRate) {
    const double dK = std::tan(std::numbers::pi * dCornerHz / dRate);
    m_dB0 = 1.0 / (1.0 + dK);
    m_dA1 = (dK - 1.0) / (dK + 1.0);
}

void CHighpass::Process(std::span<double> samples) {
    for (double& d : samples) {
        const double dIn = d;
        m_dLastOut = m_dB0 * (dIn - m_dLastIn) - m_dA1 * m_dLastOut;
        m_dLastIn = dIn;
        d = m_dLastOut;
    }
}
