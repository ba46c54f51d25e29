#include "LeaderShape.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double kCutShare = 0.3;      // a half-period ends where the signal passes this share
constexpr double kSteadyShare = 0.25;  // a steady one is within this share of the one before
constexpr double kPeakFallMs = 5.0;    // the peak falls over this time

}  // namespace

void CLeaderShape::Set(double dRate, double dShortSeconds) {
    *this = CLeaderShape();
    // As the leader itself allows: from twice as fast to half as fast.
    m_dMinLength = 0.5 * dShortSeconds * dRate;
    m_dMaxLength = 2.0 * dShortSeconds * dRate;
    m_dDecay = std::exp(-1000.0 / (kPeakFallMs * dRate));
}

void CLeaderShape::Process(double dIn) {
    if (Measured()) {
        return;
    }
    const double dAbs = std::fabs(dIn);
    m_dPeak = std::max(dAbs, m_dPeak * m_dDecay);
    const double dCut = kCutShare * m_dPeak;
    if ((m_nSign >= 0 && dIn < -dCut) || (m_nSign <= 0 && dIn > dCut)) {
        if (m_nSign != 0) {
            EndHalf();
        }
        m_nSign = dIn > 0.0 ? 1 : -1;
        m_nLength = 0;
        m_dSum = m_dMax = 0.0;
    }
    if (m_nLength < kMaxSamples) {
        m_samples[static_cast<size_t>(m_nLength)] = static_cast<float>(dAbs);
    }
    ++m_nLength;
    m_dSum += dAbs;
    m_dMax = std::max(m_dMax, dAbs);
}

double CLeaderShape::QuarterMean(int32_t nQuarter) const {
    const int32_t nLength = std::min(m_nLength, kMaxSamples);
    const int32_t nFrom = nQuarter * nLength / 4;
    const int32_t nTo = std::max(nFrom + 1, (nQuarter + 1) * nLength / 4);
    double dSum = 0.0;
    for (int32_t n = nFrom; n < nTo; ++n) {
        dSum += m_samples[static_cast<size_t>(n)];
    }
    return dSum / (static_cast<double>(nTo - nFrom) * m_dMax);
}

void CLeaderShape::EndHalf() {
    const auto dLength = static_cast<double>(m_nLength);
    const bool bLeaderLike = dLength >= m_dMinLength && dLength <= m_dMaxLength;
    const bool bSteady = bLeaderLike && m_nLastLength > 0 &&
                         std::abs(m_nLength - m_nLastLength) <=
                             std::max(1.0, kSteadyShare * static_cast<double>(m_nLastLength));
    m_nLastLength = m_nLength;
    if (!bSteady) {
        // A measurement counts only over one run, unbroken.
        m_nRun = 0;
        m_nMeasured = 0;
        m_dFlatSum = 0.0;
        m_dDroopSum = 0.0;
        return;
    }
    if (++m_nRun > kRun && m_dMax > 0.0) {
        m_dFlatSum += m_dSum / (dLength * m_dMax);
        m_dDroopSum += QuarterMean(1) - QuarterMean(2);
        ++m_nMeasured;
    }
}
