#include "HalfPeriodTiming.h"

#include <algorithm>
#include <cmath>

namespace {

// The long half-period stays within these factors of the short one.
constexpr double kMinRatio = 2.0;
constexpr double kMaxRatio = 4.5;

}  // namespace

CHalfPeriodTiming::CHalfPeriodTiming(const SRobustConfig& config) : m_config(config) {
    Reset();
}

void CHalfPeriodTiming::Reset() {
    m_dShort = m_config.m_dShortSeconds;
    m_dLong = m_config.m_dLongSeconds;
    m_dShortMax = std::sqrt(m_dShort * m_dLong);
}

void CHalfPeriodTiming::Learn(double dShort) {
    m_dShort = dShort;
    m_dLong = dShort * (m_config.m_dLongSeconds / m_config.m_dShortSeconds);
    m_dShortMax = std::sqrt(m_dShort * m_dLong);
}

// Boundaries: the geometric mean between the two classes, and fixed ratios
// beyond them; a margin is how far, as a ratio of at least 1, a length is
// from the nearest boundary of its class.
double CHalfPeriodTiming::ShortMax() const {
    return m_dShortMax;
}
double CHalfPeriodTiming::LongMax() const {
    return m_dLong * m_config.m_dTooLongRatio;
}
double CHalfPeriodTiming::GlitchMax() const {
    return m_dShort * m_config.m_dGlitchRatio;
}

void CHalfPeriodTiming::Classify(SHalfPeriod& half) const {
    const double dLength = half.m_dLength;
    const double dShortMax = ShortMax();
    const double dLongMax = LongMax();
    const double dGlitchMax = GlitchMax();
    double dMargin = 1.0;
    if (dLength < dGlitchMax) {
        half.m_eClass = EHalfClass::kGlitch;
    } else if (dLength < dShortMax) {
        half.m_eClass = EHalfClass::kShort;
        dMargin = std::min(dShortMax / dLength, dLength / dGlitchMax);
    } else if (dLength < dLongMax) {
        half.m_eClass = EHalfClass::kLong;
        dMargin = std::min(dLength / dShortMax, dLongMax / dLength);
    } else {
        half.m_eClass = EHalfClass::kGap;
    }
    half.m_fMargin = static_cast<float>(dMargin);
}

void CHalfPeriodTiming::Follow(const SHalfPeriod& half) {
    const double dAdapt = m_config.m_dAdapt;
    if (half.m_eClass == EHalfClass::kShort) {
        m_dShort += dAdapt * (half.m_dLength - m_dShort);
    } else if (half.m_eClass == EHalfClass::kLong) {
        m_dLong += dAdapt * (half.m_dLength - m_dLong);
    }
    // Noise must not pull the two classes into one.
    m_dLong = std::clamp(m_dLong, kMinRatio * m_dShort, kMaxRatio * m_dShort);
    m_dShortMax = std::sqrt(m_dShort * m_dLong);
}
